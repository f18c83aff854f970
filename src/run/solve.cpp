#include "run/solve.h"

#include <cstdlib>
#include <string_view>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "newton/guarded.h"
#include "newton/newton.h"
#include "newton/sweep_start.h"
#include "planes/control_delay.h"
#include "run/circuit_checks.h"
#include "sparse/matrix.h"
#include "support/fatal.h"
#include "support/memory.h"
#include "support/phase_time.h"

namespace pss {

dvar* period_dvar(circuit* c) {
  return find_dvar_group(c->global_dvars, group_id::period)->dvars;
}

namespace {

// PSS_SWEEP_START=off leaves Newton to start from the values as they are.
bool sweeps_wanted() {
  const char* setting = std::getenv("PSS_SWEEP_START");
  return setting == nullptr || std::string_view(setting) != "off";
}

matrix* timed_matrix_create(circuit* c) {
  const timed_phase timing{job_phase_time_spent().pattern};
  return matrix_create(c);
}

matrix* create_matrix(circuit* c) {
  check_solve_preconditions(c);
  // The controls are aimed before the pattern is built, so that the pattern
  // holds every position a delayed generator addresses.
  aim_generator_controls(c);
  advise_huge_heap(static_cast<std::int64_t>(c->planes) * c->nodes_per_plane);
  matrix* m = timed_matrix_create(c);
  if (m == nullptr) fatal("error, run_analysis: the circuit has no unknowns to solve for\n");
  return m;
}

// The values of `snapshot` per equation number of the present numbering.
std::vector<double> in_numbering(circuit* c, const dvar_snapshot& snapshot, real_vector* work) {
  const dvar_snapshot present = take_snapshot(c);
  restore_snapshot(c, snapshot);
  get_dvar_values(c, work);
  restore_snapshot(c, present);
  std::vector<double> values(work->values, work->values + work->count);
  vector_zero(work);
  return values;
}

}  // namespace

namespace {

// The matrix and the two work vectors of one solve, released however the
// solve ends (a harness that runs many jobs in one process ends a job by
// throwing from its fatal stop).
struct solve_workspace {
  matrix* m;
  real_vector* correction;
  real_vector* present;

  explicit solve_workspace(circuit* c)
      : m(create_matrix(c)), correction(vector_create(m->n)), present(vector_create(m->n)) {}
  ~solve_workspace() {
    vector_free(present);
    vector_free(correction);
    mat_free(m);
  }
  solve_workspace(const solve_workspace&) = delete;
  solve_workspace& operator=(const solve_workspace&) = delete;
};

}  // namespace

int solve_circuit(circuit* c, double accuracy, bool sweep_first) {
  solve_workspace w(c);
  if (sweep_first && sweeps_wanted() && sweep_start_applies(c, w.m)) {
    prep_mat_res(c);
    sweep_planes(c, w.m);
  }
  return newton_solve(c, accuracy, w.m, w.correction, w.present);
}

int solve_circuit_guarded(circuit* c, double accuracy, const solve_guards& g) {
  solve_workspace w(c);
  newton_guards guards;
  guards.damp = g.damp;
  deflated_root root;
  if (g.deflated != nullptr) {
    root.values = in_numbering(c, g.deflated->values, w.present);
    root.weights = in_numbering(c, g.deflated->weights, w.present);
    guards.deflate = &root;
  }
  return newton_solve_guarded(c, accuracy, w.m, w.correction, w.present, guards);
}

}  // namespace pss
