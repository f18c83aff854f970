// Newton's method on the circuit's equations: full steps, no damping, judged
// by the size of the correction weighted by the size of the new values.
#pragma once

#include "model/circuit.h"
#include "sparse/matrix.h"

namespace pss {

constexpr int newton_iteration_limit = 100;

// Result codes of a solve.
constexpr int newton_converged = 0;
constexpr int newton_not_converged = 1;  // last error measure <= 1e5, or NaN
constexpr int newton_diverged = 2;       // last error measure above 1e5

// Solves for the numbering `m` was created with; the solution stays in the
// dvars' values. Prints "   iter %d, error %le" per iteration; an error
// measure that is NaN or infinite ends the iteration at once, not converged.
// On return the matrix and both vectors are zero again.
int newton_solve(circuit* c, double accuracy, matrix* m, real_vector* correction,
                 real_vector* present);

// Adds correction[k] to the k-th unknown, in numbering order.
void update_dvars(circuit* c, const real_vector* correction);

// Stores the k-th unknown's value into present[k].
void get_dvar_values(circuit* c, real_vector* present);

// update_dvars and then get_dvar_values in one walk through the unknowns.
void update_and_get_dvars(circuit* c, const real_vector* correction, real_vector* present);

struct error_measure {
  int code;
  double error;
};

// sqrt(sum correction^2 / (|present| + 1)) / n, and its classification.
error_measure calc_error(const real_vector* correction, const real_vector* present,
                         double accuracy);

// The code of an iteration whose step was solved from an assembly that
// limited junction or channel voltages (c->limited_evaluations > 0, reset
// before each assembly): never converged, however small the step, since
// the step was taken from voltages the solution does not have.
int unless_limited(const circuit* c, int code);

}  // namespace pss
