#include "run/solve.h"

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/newton.h"
#include "planes/control_delay.h"
#include "run/circuit_checks.h"
#include "sparse/matrix.h"
#include "support/fatal.h"

namespace pss {

dvar* period_dvar(circuit* c) {
  return find_dvar_group(c->global_dvars, group_id::period)->dvars;
}

int solve_circuit(circuit* c, double accuracy) {
  check_solve_preconditions(c);
  // The controls are aimed before the pattern is built, so that the pattern
  // holds every position a delayed generator addresses.
  aim_generator_controls(c);
  matrix* m = matrix_create(c);
  if (m == nullptr) fatal("error, run_analysis: the circuit has no unknowns to solve for\n");
  real_vector* correction = vector_create(m->n);
  real_vector* present = vector_create(m->n);
  const int code = newton_solve(c, accuracy, m, correction, present);
  vector_free(present);
  vector_free(correction);
  mat_free(m);
  return code;
}

}  // namespace pss
