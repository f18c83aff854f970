#include "newton/guarded.h"

#include <algorithm>
#include <cmath>

#include "newton/assemble.h"
#include "newton/assembly_map.h"
#include "newton/newton.h"
#include "newton/newton_work.h"
#include "support/console.h"

namespace pss {

namespace {

// Halvings of one step before the iteration takes what it has.
constexpr int max_halvings = 10;

// |x - r|^2 in the root's weights.
double weighted_distance2(const deflated_root& root, const real_vector* x) {
  double sum = 0.0;
  for (int32_t k = 0; k < x->count; ++k) {
    const double r = x->values[k] - root.values[static_cast<std::size_t>(k)];
    sum += root.weights[static_cast<std::size_t>(k)] * r * r;
  }
  return sum;
}

double norm(const real_vector* v) {
  double sum = 0.0;
  for (int32_t k = 0; k < v->count; ++k) sum += v->values[k] * v->values[k];
  return std::sqrt(sum);
}

// The size of the residual the guards judge steps by (the deflated one when
// deflating), at the dvars' present values.
double residual_size(circuit* c, const real_vector* residual, real_vector* present,
                     const newton_guards& guards) {
  const double size = norm(residual);
  if (guards.deflate == nullptr) return size;
  get_dvar_values(c, present);
  return size * deflation_operator(*guards.deflate, present);
}

// Assembles at the dvars' present values through the solve's map.
double assemble(newton_work& w, circuit* c, matrix* m, real_vector* residual, real_vector* present,
                const newton_guards& guards) {
  vector_zero(residual);
  matrix_zero(m);
  begin_assembly(c);
  assem_mat_res_mapped(c, m, residual, w.map);
  return residual_size(c, residual, present, guards);
}

// Moves the unknowns by `fraction` of `step`.
void move(circuit* c, const std::vector<double>& step, double fraction, real_vector* work) {
  for (int32_t k = 0; k < work->count; ++k) {
    work->values[k] = fraction * step[static_cast<std::size_t>(k)];
  }
  update_dvars(c, work);
}

}  // namespace

double deflation_operator(const deflated_root& root, const real_vector* x) {
  return std::pow(weighted_distance2(root, x), -0.5 * root.power) + root.shift;
}

double deflation_factor(const deflated_root& root, const real_vector* x, const real_vector* step) {
  const double d2 = weighted_distance2(root, x);
  if (!(d2 > 0.0)) return 1.0;
  double along = 0.0;  // (w r) . step
  for (int32_t k = 0; k < x->count; ++k) {
    const auto i = static_cast<std::size_t>(k);
    along += root.weights[i] * (x->values[k] - root.values[i]) * step->values[k];
  }
  const double m = std::pow(d2, -0.5 * root.power);
  // grad M = -p |r|^(-p-2) (w r); grad(log M) = grad M / (m + shift).
  const double dot = -root.power * m / d2 * along / (m + root.shift);
  return 1.0 / (1.0 - dot);
}

int newton_solve_guarded(circuit* c, double accuracy, matrix* m, real_vector* correction,
                         real_vector* present, const newton_guards& guards) {
  prep_mat_res(c);
  std::vector<double> step(static_cast<std::size_t>(m->n));
  scoped_newton_work work;
  newton_work& w = work.w;
  newton_work_create(w, c, m, correction);  // assembles and factorises iteration 0
  double size = residual_size(c, correction, present, guards);
  int code = newton_not_converged;
  newton_stopwatch clock;
  for (int i = 0; i < newton_iteration_limit; ++i) {
    clock.lap(newton_phase::update);
    if (i > 0) linear_solver_factor(w.solver, m);
    clock.lap(newton_phase::factor);
    linear_solver_substitute(w.solver, correction);
    clock.lap(newton_phase::substitute);
    newton_count_iteration();
    if (guards.deflate != nullptr) {
      get_dvar_values(c, present);
      const double tau = deflation_factor(*guards.deflate, present, correction);
      for (int32_t k = 0; k < correction->count; ++k) correction->values[k] *= tau;
    }
    for (int32_t k = 0; k < correction->count; ++k) {
      step[static_cast<std::size_t>(k)] = correction->values[k];
    }
    update_and_get_dvars(c, correction, present);
    const error_measure measure = calc_error(correction, present, accuracy);
    say("   iter %d, error %le\n", i, measure.error);
    code = unless_limited(c, measure.code);
    if (!std::isfinite(measure.error)) {
      code = newton_not_converged;
      break;
    }
    if (code == newton_converged) break;
    clock.lap(newton_phase::update);
    double next = assemble(w, c, m, correction, present, guards);
    double fraction = 1.0;
    for (int h = 0; guards.damp && h < max_halvings && !(next < size); ++h) {
      // Back from x + fraction * step to x + fraction/2 * step.
      fraction *= 0.5;
      move(c, step, -fraction, correction);
      next = assemble(w, c, m, correction, present, guards);
    }
    clock.lap(newton_phase::assembly);
    size = next;
  }
  clock.lap(newton_phase::update);
  vector_zero(correction);
  matrix_zero(m);
  vector_zero(present);
  return code;
}

}  // namespace pss
