#include "run/answer_checks.h"

#include <cmath>

#include "run/solve.h"
#include "support/fatal.h"

namespace pss {

void check_step_count(const char* question, int steps) {
  if (steps > max_scan_steps) {
    fatal("error, answer to \"%s\": at most %d steps (each writes a state file), got %d\n",
          question, max_scan_steps, steps);
  }
}

void check_saved_period(circuit* c, const char* path) {
  const double period = period_dvar(c)->value;
  if (!std::isfinite(period) || !(period > 0.0)) {
    fatal("error, read_state: %s holds the period %g s; a period must be finite and above 0\n",
          path, period);
  }
}

}  // namespace pss
