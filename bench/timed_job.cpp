// `pss` with its time accounted: runs the job named on the command line as
// pss does, and when the process ends (normally or through a stop) writes
// one line of figures to standard error for the benchmark:
//   timings iterations=.. assembly=.. factor=.. substitute=.. update=..
//   setup=.. n=.. method=.. order=.. profile_work=.. profile_bound=.. lu_work=..
//   factor_entries=..
//   gmres_work=.. gmres_iterations=.. fallbacks=.. expansion=.. pattern=..
#include <cstdio>
#include <cstdlib>

#include "newton/newton_work.h"
#include "run/job_start.h"
#include "support/memory.h"
#include "support/phase_time.h"

namespace {

void report() {
  const pss::newton_timings& t = pss::newton_time_spent();
  const pss::job_phase_times& phases = pss::job_phase_time_spent();
  std::fprintf(
      stderr,
      "timings iterations=%lld assembly=%.6f factor=%.6f substitute=%.6f update=%.6f "
      "setup=%.6f n=%d method=%d order=%d profile_work=%.6g profile_bound=%d lu_work=%.6g "
      "factor_entries=%.6g gmres_work=%.6g gmres_iterations=%lld fallbacks=%d expansion=%.6f "
      "pattern=%.6f\n",
      static_cast<long long>(t.iterations), t.assembly, t.factor, t.substitute, t.update, t.setup,
      t.largest_n, t.largest.method, t.largest.order, t.largest.profile_work,
      t.largest.profile_work_bound ? 1 : 0, t.largest.lu_work, t.largest.factor_entries,
      t.largest.gmres_work, static_cast<long long>(t.largest.gmres_iterations), t.largest.fallbacks,
      phases.expansion, phases.pattern);
}

}  // namespace

int main(int argc, char** argv) {
  std::atexit(report);
  pss::keep_freed_memory();
  return pss::job_start(argc, argv);
}
