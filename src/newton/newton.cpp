#include "newton/newton.h"

#include <cmath>

#include "newton/assemble.h"
#include "newton/newton_work.h"

namespace pss {

namespace {

// Visits the unknowns in the order matrix_create numbers them: the node
// chain without twinned nodes, groups and dvars in list order, then the
// global dvars. The running index is the equation number.
template <class visit>
void each_unknown(circuit* c, visit&& f) {
  int32_t k = 0;
  for (node* n : each(c->nodes)) {
    if (n->twin != nullptr) continue;
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d : each(g->dvars)) {
        if (d->number >= 0) f(d, k++);
      }
    }
  }
  for (dvar_group* g : each(c->global_dvars)) {
    for (dvar* d : each(g->dvars)) {
      if (d->number >= 0) f(d, k++);
    }
  }
}

}  // namespace

void update_dvars(circuit* c, const real_vector* correction) {
  each_unknown(c, [&](dvar* d, int32_t k) { d->value += correction->values[k]; });
}

void get_dvar_values(circuit* c, real_vector* present) {
  each_unknown(c, [&](dvar* d, int32_t k) { present->values[k] = d->value; });
}

void update_and_get_dvars(circuit* c, const real_vector* correction, real_vector* present) {
  each_unknown(c, [&](dvar* d, int32_t k) {
    d->value += correction->values[k];
    present->values[k] = d->value;
  });
}

error_measure calc_error(const real_vector* correction, const real_vector* present,
                         double accuracy) {
  double sum = 0.0;
  for (int32_t k = 0; k < correction->count; ++k) {
    const double delta = correction->values[k];
    sum += delta * delta / (std::fabs(present->values[k]) + 1.0);
  }
  const double error = std::sqrt(sum) / correction->count;
  if (accuracy > error) return {newton_converged, error};
  return {error > 100000.0 ? newton_diverged : newton_not_converged, error};
}

int unless_limited(const circuit* c, int code) {
  return code == newton_converged && c->limited_evaluations > 0 ? newton_not_converged : code;
}

int newton_solve(circuit* c, double accuracy, matrix* m, real_vector* correction,
                 real_vector* present) {
  prep_mat_res(c);
  scoped_newton_work work;
  newton_work& w = work.w;
  newton_work_create(w, c, m, correction);
  int code = newton_not_converged;
  for (int i = 0; i < newton_iteration_limit; ++i) {
    code = newton_iteration(w, c, accuracy, m, correction, present, i);
    if (code == newton_converged) break;
    // NaN or infinity never comes back to a finite solution.
    if (!std::isfinite(w.error)) {
      code = newton_not_converged;
      break;
    }
  }
  vector_zero(present);
  return code;
}

}  // namespace pss
