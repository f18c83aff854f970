// What one Newton solve lays out before its first iteration, so that an
// iteration allocates nothing: the assembly map, the linear solver with its
// order and factor storage, and the first assembly and factorisation.
#pragma once

#include <chrono>
#include <cstdint>

#include "model/circuit.h"
#include "newton/assembly_map.h"
#include "sparse/linear_solver.h"
#include "sparse/matrix.h"

namespace pss {

struct newton_work {
  assembly_map map;
  linear_solver* solver = nullptr;
  bool assembled = false;  // the matrix and residual hold this iteration's system
  double error = 0.0;      // the last iteration's error measure
};

// Seconds spent in each phase of the Newton iterations since the process
// started, summed over every solve, with the iterations counted; read by
// the benchmark.
struct newton_timings {
  double assembly = 0.0;
  double factor = 0.0;
  double substitute = 0.0;
  double update = 0.0;  // the update of the unknowns and the error measure
  double setup = 0.0;   // orders, symbolic analysis, layouts
  int64_t iterations = 0;
  int32_t largest_n = 0;           // the largest system solved
  linear_solver_report largest{};  // and how it was solved
};
const newton_timings& newton_time_spent();

// The phases of an iteration that a solve with a loop of its own (the
// guarded one) adds to the same account, timed from one lap to the next.
enum class newton_phase { assembly, factor, substitute, update };
struct newton_stopwatch {
  std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
  // Adds the time since the last lap to the phase's account.
  void lap(newton_phase phase);
};
void newton_count_iteration();

// Assembles the first iteration's system into m and `correction` (both
// zero), records the assembly map, chooses and lays out the linear solver
// and factorises. `choice` overrides the solver's own choice of method.
void newton_work_create(newton_work& w, circuit* c, matrix* m, real_vector* correction,
                        linear_choice choice = {});

// One iteration i: assembly (unless already done), factorisation, solve,
// update, error measure and its line; leaves m and `correction` zero.
// Returns the error measure's code.
int newton_iteration(newton_work& w, circuit* c, double accuracy, matrix* m,
                     real_vector* correction, real_vector* present, int i);

void newton_work_free(newton_work& w);

// A solve's work, freed however the solve ends: a harness that runs many
// jobs in one process ends one by throwing from its fatal stop or from the
// hook after a line said, in the middle of an iteration.
struct scoped_newton_work {
  newton_work w;
  scoped_newton_work() = default;
  ~scoped_newton_work() { newton_work_free(w); }
  scoped_newton_work(const scoped_newton_work&) = delete;
  scoped_newton_work& operator=(const scoped_newton_work&) = delete;
};

// Where m's equations stand in the time planes of c, for the block-circulant
// preconditioner; planes = 0 when c is not expanded.
plane_layout plane_layout_of(const circuit* c, const matrix* m);

}  // namespace pss
