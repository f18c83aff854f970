#include "newton/newton_work.h"

#include <chrono>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "newton/newton.h"
#include "support/console.h"
#include "support/memory.h"

namespace pss {

namespace {

newton_timings spent;

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point& start) {
  const clock_type::time_point now = clock_type::now();
  const double s = std::chrono::duration<double>(now - start).count();
  start = now;
  return s;
}

// The period's equation is the last; it is eliminated last.
bool period_is_unknown(const circuit* c) {
  dvar_group* g = find_dvar_group(c->global_dvars, group_id::period);
  return g != nullptr && g->dvars->number >= 0;
}

}  // namespace

const newton_timings& newton_time_spent() {
  return spent;
}

void newton_stopwatch::lap(newton_phase phase) {
  const double s = seconds_since(last);
  switch (phase) {
    case newton_phase::assembly: spent.assembly += s; break;
    case newton_phase::factor: spent.factor += s; break;
    case newton_phase::substitute: spent.substitute += s; break;
    case newton_phase::update: spent.update += s; break;
  }
}

void newton_count_iteration() {
  ++spent.iterations;
}

void newton_work_create(newton_work& w, circuit* c, matrix* m, real_vector* correction,
                        linear_choice choice) {
  clock_type::time_point t = clock_type::now();
  advise_huge_heap(m->n);
  begin_assembly(c);
  assem_mat_res_recording(c, m, correction, w.map);
  spent.assembly += seconds_since(t);
  advise_huge_heap(m->n);
  const plane_layout layout = plane_layout_of(c, m);
  choice.rescue = true;
  w.solver = linear_solver_create(m, period_is_unknown(c), choice, &layout);
  spent.setup += seconds_since(t);
  linear_solver_factor(w.solver, m);
  spent.factor += seconds_since(t);
  w.assembled = true;
  if (m->n > spent.largest_n) {
    spent.largest_n = m->n;
    spent.largest = linear_solver_describe(w.solver);
  }
}

int newton_iteration(newton_work& w, circuit* c, double accuracy, matrix* m,
                     real_vector* correction, real_vector* present, int i) {
  clock_type::time_point t = clock_type::now();
  if (!w.assembled) {
    begin_assembly(c);
    assem_mat_res_mapped(c, m, correction, w.map);
    spent.assembly += seconds_since(t);
    linear_solver_factor(w.solver, m);
    spent.factor += seconds_since(t);
  }
  w.assembled = false;
  linear_solver_substitute(w.solver, correction);
  spent.substitute += seconds_since(t);
  update_and_get_dvars(c, correction, present);
  const error_measure measure = calc_error(correction, present, accuracy);
  say("   iter %d, error %le\n", i, measure.error);
  w.error = measure.error;
  vector_zero(correction);
  matrix_zero(m);
  spent.update += seconds_since(t);
  ++spent.iterations;
  return unless_limited(c, measure.code);
}

void newton_work_free(newton_work& w) {
  if (w.solver != nullptr && spent.largest_n == linear_solver_describe(w.solver).n) {
    spent.largest = linear_solver_describe(w.solver);
  }
  linear_solver_free(w.solver);
  w.solver = nullptr;
  w.map = assembly_map{};
}

}  // namespace pss
