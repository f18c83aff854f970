#include "run/frequency_runs.h"

#include <cmath>
#include <optional>

#include "newton/newton.h"
#include "run/circuit_checks.h"
#include "run/dvar_snapshot.h"
#include "run/job_files.h"
#include "run/oscillator_search.h"
#include "run/solve.h"
#include "state/state_file.h"
#include "support/console.h"
#include "support/fatal.h"

namespace pss {

namespace {

// Halvings allowed within one step before the scan gives up.
constexpr int max_halvings = 20;

struct step_state {
  double frequency;  // F, the frequency being solved
  double target;
  double trying;          // f_n
  double last_converged;  // f_y; 0 when none in this step
  int run;
  int previous_run;
  bool sweep_first;  // start the first solve from sweeps through the planes
};

// The two runs whose state files the job wrote last. A reload asks only for
// this step's run or the previous step's, so the scan keeps no record that
// grows with its steps.
struct written_runs {
  std::optional<int> last;
  std::optional<int> before;

  void add(int run) {
    if (last == run) return;
    before = last;
    last = run;
  }
  bool has(int run) const { return last == run || before == run; }
};

// Reloads the solution the continuation restarts from: this step's file if
// the job wrote it, else the previous step's.
void reload(const std::string& job, circuit* c, const step_state& s, const written_runs& written) {
  for (int run : {s.run, s.previous_run}) {
    if (written.has(run)) {
      read_state(c, run_state_file(job, run));
      return;
    }
  }
  fatal("unable to continue\n");
}

void solve_step(const std::string& job, circuit* c, double accuracy, step_state s,
                written_runs& written, oscillator_start* oscillator) {
  dvar* period = period_dvar(c);
  int halvings = 0;
  for (;;) {
    period->value = 1.0 / s.frequency;
    say("\nrun %d, freq %le\n", s.run, s.frequency);
    const dvar_snapshot before = oscillator != nullptr ? take_snapshot(c) : dvar_snapshot{};
    int code = solve_circuit(c, accuracy, s.sweep_first && oscillator == nullptr);
    s.sweep_first = false;
    // Only an oscillator's first run may be recovered: the search needs
    // its injection and tank.
    if (code != newton_converged && s.last_converged == 0.0 && oscillator != nullptr &&
        has_oscillator_nodelist(c)) {
      say("non_converged at f = %le, f_n = %le, f_y = %le\n", s.frequency, s.trying, 0.0);
      recover_injected_run(c, accuracy, s.frequency, *oscillator, before);
      code = newton_converged;
    }
    if (code == newton_converged) {
      write_state(c, run_state_file(job, s.run));
      written.add(s.run);
      if (s.frequency == s.target) return;
      const double step = s.frequency - s.last_converged;
      say("converged at f = %le, f_n = %le, f_y = %le\n", s.frequency, s.trying, s.frequency);
      s.last_converged = s.frequency;
      double next = s.frequency + 1.5 * step;
      if ((step > 0 && next > s.target) || (step <= 0 && next < s.target)) next = s.target;
      s.frequency = s.trying = next;
      continue;
    }
    if (s.last_converged == 0.0) {
      fatal("non_converged at f = %le, f_n = %le, f_y = %le\n", s.frequency, s.trying, 0.0);
    }
    say("non_converged at f = %le, f_n = %le, f_y = %le\n", s.frequency, s.trying,
        s.last_converged);
    const double next = (s.last_converged + s.trying) * 0.5;
    if (++halvings > max_halvings ||
        std::fabs(next - s.last_converged) < 1e-9 * std::fabs(s.last_converged)) {
      fatal("unable to continue\n");
    }
    s.frequency = s.trying = next;
    reload(job, c, s, written);
  }
}

}  // namespace

void run_frequencies(const std::string& job, circuit* c, double accuracy,
                     const frequency_plan& plan, oscillator_start* oscillator, bool from_dc) {
  say("performing single frequency solution\n");
  written_runs written;
  const bool upward = plan.final > plan.start;
  double previous_frequency = 0.0;
  for (int i = 0; i <= plan.steps; ++i) {
    step_state s{};
    if (plan.steps == 0) {
      s.frequency = plan.start;
      s.run = 0;
      s.previous_run = 0;
    } else {
      s.frequency = ((plan.steps - i) * plan.start + i * plan.final) / plan.steps;
      s.run = upward ? i : plan.steps - i;
      s.previous_run = upward ? s.run - 1 : s.run + 1;
    }
    s.target = s.trying = s.frequency;
    // The first step has nothing to continue from.
    s.last_converged = previous_frequency;
    s.sweep_first = from_dc && i == 0;
    solve_step(job, c, accuracy, s, written, oscillator);
    previous_frequency = s.target;
  }
}

}  // namespace pss
