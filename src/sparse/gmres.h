// Restarted GMRES on the leading equations of a Newton matrix, with a right
// preconditioner, so the residual it measures is the system's own. The
// Krylov basis is laid out once; a solve allocates nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sparse/circulant.h"
#include "sparse/matrix.h"

namespace pss {

struct gmres_space {
  int32_t n = 0;           // the leading equations solved
  int32_t restart = 0;     // basis vectors before a restart
  int32_t limit = 0;       // iterations in all before giving up
  double tolerance = 0.0;  // on the backward error ‖b − A x‖ / (‖A‖ ‖x‖ + ‖b‖)
  // (restart + 1) × n, left uninitialised: a solve writes each vector
  // before it reads it, and the solve of a linear time-invariant circuit,
  // which ends at its start, never touches the pages at all.
  std::unique_ptr<double[]> basis;
  std::vector<double> hessenberg;  // (restart + 1) × restart, column-major
  std::vector<double> cosines, sines, rotated, coefficients;
  std::vector<double> work, residual;
  int64_t iterations = 0;  // summed over all solves
};

void gmres_create(gmres_space& g, int32_t n, int32_t restart, int32_t limit, double tolerance);

// y = A x over the leading g.n equations of m.
void leading_product(const matrix* m, int32_t n, const double* x, double* y);

// Solves A x = b over the leading equations, x replacing b. False when the
// tolerance is not met within the limit (b is then left as it came).
bool gmres_solve(gmres_space& g, const matrix* m, circulant_preconditioner& p, double* b);

}  // namespace pss
