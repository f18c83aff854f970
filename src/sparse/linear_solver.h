// The linear solver of one matrix, set up once for its pattern and reused by
// every Newton iteration: the method and the equations' order are chosen
// when it is made, the work space is laid out then, and a factorisation or a
// substitution allocates nothing.
//
// Methods (linear_method codes):
// - profile: the Crout factorisation of a profile copy, in the equations'
//   own order or renumbered by reverse Cuthill-McKee when that at least
//   halves the work. Every system below `smallest_general_lu` unknowns is
//   solved this way, with the arithmetic of every earlier release.
// - sparse_lu: KLU's sparse LU with partial pivoting, after a fill-reducing
//   order (AMD or METIS nested dissection, whichever the symbolic count
//   finds cheaper). A bordered last equation (the period, which couples to
//   every plane) is kept out of the LU and eliminated last: two solves with
//   the same factors and one scalar pivot.
// - gmres_circulant: for equations laid out as circuit unknowns × planes,
//   GMRES preconditioned by the block-circulant (plane-averaged) Jacobian,
//   which the Fourier transform over the planes splits into one complex
//   solve of the circuit's size per harmonic. For a linear time-invariant
//   circuit the preconditioner is exact. Should GMRES not reach its
//   tolerance, that solve and all later ones fall back to the sparse LU.
//
// Above the size the cheapest by estimated work is taken.
#pragma once

#include <cstdint>

#include "sparse/circulant.h"
#include "sparse/matrix.h"

namespace pss {

// Below this many unknowns the profile solve is always used.
constexpr int32_t smallest_general_lu = 4000;

namespace linear_method {
constexpr int automatic = 0;
constexpr int profile = 1;
constexpr int sparse_lu = 2;
constexpr int gmres_circulant = 3;
}  // namespace linear_method

namespace lu_order {
constexpr int automatic = 0;
constexpr int amd = 1;
constexpr int metis = 2;
}  // namespace lu_order

struct linear_choice {
  int method = linear_method::automatic;
  int order = lu_order::automatic;  // for sparse_lu
  // The profile solve does not pivot, and a pivot that is exactly zero
  // turns its answer into infinities and NaNs. With `rescue` set, such a
  // solve is done again by the pivoting sparse LU, which then serves the
  // rest of the matrix's solves; an answer that is finite is never redone.
  bool rescue = false;
};

struct linear_solver;

// What the set-up found and chose, for the benchmark's report.
struct linear_solver_report {
  int32_t n;
  int method;
  int order;               // sparse_lu only
  double profile_work;     // multiply-adds of the profile factorisation
  // profile_work is a lower bound: the profile was out of the question
  // without its order being found.
  bool profile_work_bound;
  double lu_work;          // estimated multiply-adds of the sparse LU, or 0
  double factor_entries;   // stored entries of the chosen factors
  double gmres_work;       // estimated multiply-adds of one GMRES solve, or 0
  int64_t gmres_iterations;  // summed over every solve so far
  int32_t fallbacks;         // solves that fell back to the LU (GMRES, or a zero pivot)
};

// The profile factorisation's work in the order the solver would take for
// the whole of m: its own, or reverse Cuthill-McKee's where that at least
// halves it. Where the report gives only a lower bound, this is the figure.
double profile_work_in_found_order(const matrix* m);

// Chooses the method and order for m's pattern and lays out the work space.
// `bordered`: the last equation is the period's, eliminated last. `layout`,
// when given, says where the equations stand in the planes, which the
// block-circulant preconditioner needs; the values m holds then tell
// whether that preconditioner is exact (the first assembly's, in a Newton
// solve). Otherwise only the pattern is read. Stops the run when the work
// space cannot be had.
linear_solver* linear_solver_create(const matrix* m, bool bordered, linear_choice choice = {},
                                    const plane_layout* layout = nullptr);

// Factorises m's present values (same pattern as at creation).
void linear_solver_factor(linear_solver* s, const matrix* m);

// Solves with the last factors; b becomes x.
void linear_solver_substitute(linear_solver* s, real_vector* b);

linear_solver_report linear_solver_describe(const linear_solver* s);

void linear_solver_free(linear_solver* s);

}  // namespace pss
