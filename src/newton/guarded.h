// Newton's method with guards, for the oscillator search: steps that make
// the residual grow are cut back, a known root can be deflated, and an
// error measure that is not finite ends the solve at once.
//
// Deflation (Farrell, Birkisson and Funke, 2015) solves M(x) f(x) = 0 with
// M(x) = 1 / |x - r|^p + shift, which has every root of f but r. Its Newton
// step is the plain step times 1 / (1 - grad(log M) . step): one dot product
// per iteration. The coupled oscillator equations hold at the equilibrium
// (every voltage at its DC value) for any period; deflating it keeps the
// iteration from sliding onto that root.
#pragma once

#include <vector>

#include "model/circuit.h"
#include "sparse/matrix.h"

namespace pss {

struct deflated_root {
  std::vector<double> values;   // the root, per equation number
  std::vector<double> weights;  // per equation: 1 / scale^2, or 0 to leave it out
  double power = 2.0;
  double shift = 1.0;
};

struct newton_guards {
  bool damp = false;                       // cut back steps that raise the residual
  const deflated_root* deflate = nullptr;  // nullptr: no deflation
};

// As newton_solve, with the guards; prints the same line per iteration. The
// convergence test is on the full, undamped step.
int newton_solve_guarded(circuit* c, double accuracy, matrix* m, real_vector* correction,
                         real_vector* present, const newton_guards& guards);

// The factor 1 / (1 - grad(log M) . step) of the deflated step at `x`.
double deflation_factor(const deflated_root& root, const real_vector* x, const real_vector* step);

// M(x) of the deflation.
double deflation_operator(const deflated_root& root, const real_vector* x);

}  // namespace pss
