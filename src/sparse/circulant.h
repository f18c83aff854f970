// The block-circulant preconditioner of a time-plane system: the Jacobian
// averaged over the planes, so that each coupling depends only on the plane
// offset between its two ends. A discrete Fourier transform over the planes
// splits that matrix into one complex system of the circuit's size per
// harmonic; harmonics k and N - k are conjugate, so N/2 + 1 are factorised.
// For a linear time-invariant circuit the average is the Jacobian itself
// and the preconditioner solves the system exactly.
#pragma once

#include <klu.h>

#include <cstdint>
#include <vector>

#include "sparse/band_lu.h"
#include "sparse/fft.h"
#include "sparse/lu_order.h"
#include "sparse/matrix.h"
#include "sparse/value_places.h"

namespace pss {

// Where the equations stand in the planes: equation i is circuit unknown
// unknown[i] in plane plane[i]. Every circuit unknown has one equation in
// each of the `planes` planes; a bordered last equation stands in none.
struct plane_layout {
  int32_t planes = 0;  // 0: the equations are not laid out in planes
  int32_t circuit_unknowns = 0;
  std::vector<int32_t> unknown;
  std::vector<int32_t> plane;
};

struct circulant_preconditioner {
  int32_t planes = 0;
  int32_t size = 0;                  // circuit unknowns M
  int32_t equations = 0;             // M × planes, the border left out
  std::vector<int32_t> equation_at;  // per (unknown, plane): its equation
  // The harmonics' common pattern, compressed columns of M × M.
  std::vector<int32_t> col_start;
  std::vector<int32_t> row_index;
  // The averaged couplings: term t adds term_value[t] · ω^(k · term_offset[t])
  // to place term_place[t] of harmonic k.
  std::vector<int32_t> term_place;
  std::vector<int32_t> term_offset;
  std::vector<double> term_value;
  std::vector<double> factored_terms;  // the term values of the harmonics' factors
  value_places terms;                  // the term of each stored value of the matrix
  std::vector<complex> roots;          // exp(2πi q / N)
  std::vector<complex> harmonic_values;
  klu_common common{};
  // Above this estimated work (multiply-adds of all harmonics' factors) the
  // harmonics are factorised on two threads, half of them each, the second
  // with its own scratch values and KLU workspace.
  double shared_factor_work = 2e6;
  std::vector<complex> helper_values;
  alignas(64) klu_common helper_common{};  // on lines of its own: KLU writes to it
  klu_symbolic* symbolic = nullptr;
  std::vector<klu_numeric*> numeric;  // per harmonic 0 … N/2
  // A circuit of at most this many unknowns has its harmonics factorised
  // as dense matrices rather than by KLU, whose work per harmonic is then
  // mostly its own: the 513 harmonics of 10 unknowns took 1.55 ms to
  // factorise by KLU, 0.53 ms dense.
  int32_t dense_up_to = 16;
  bool dense = false;
  std::vector<int32_t> dense_place;    // per harmonic place: row × M + column
  std::vector<complex> dense_factors;  // per harmonic M × M, row by row
  std::vector<int32_t> dense_pivots;   // per harmonic M
  // A larger circuit whose harmonics' pattern lies in a narrow band of its
  // numbering (a ladder) has them factorised as band matrices, where their
  // arithmetic and storage are no more than KLU's (band_pays): the 513
  // harmonics of a 100-section ladder took 5.8 ms to factorise by KLU.
  bool band_allowed = true;
  bool banded = false;
  band_shape band;
  std::vector<int32_t> band_place;    // per harmonic place: its position in the band
  std::vector<complex> band_factors;  // per harmonic band.size()
  std::vector<int32_t> band_pivots;   // per harmonic M
  bool factored = false;              // factors of factored_terms are held
  // A plane count that is a power of two: the transform of the M real
  // sequences is taken from complex ones of half the length (planes 2q and
  // 2q + 1 as real and imaginary part), all M in rows of one array, where
  // each harmonic's M values then stand together for its solve.
  bool paired = false;
  fft_plan half_plan;            // length N/2
  std::vector<complex> twiddle;  // exp(−2πi k / N), k ≤ N/2
  std::vector<complex> rows;     // harmonic k's M values in row k, k ≤ N/2
  // Any other plane count: one transform of length N per unknown.
  fft_plan plan;
  std::vector<complex> spectrum;  // M rows of N planes
  std::vector<complex> column;    // one harmonic's M values
  double factor_work = 0.0;       // estimated multiply-adds, all harmonics
  double solve_work = 0.0;
};

// Whether band factors of shape b are worth taking over KLU's, whose one
// harmonic's factors have the fill `sparse`: their work (with every row
// exchange's fill) within four times KLU's multiply-adds and index steps,
// and their storage within twice KLU's.
bool band_pays(const band_shape& b, const fill_count& sparse);

// Whether the layout covers every equation of m (but a bordered last one)
// with M unknowns × N planes, N ≥ 2.
bool circulant_fits(const matrix* m, int32_t equations, const plane_layout& layout);

void circulant_create(circulant_preconditioner& p, const matrix* m, int32_t equations,
                      const plane_layout& layout);

// How far m's present values lie from their plane average: the largest
// difference over the largest value; 0 when the preconditioner is exact.
double circulant_defect(circulant_preconditioner& p, const matrix* m);

// Averages m's present values over the planes and factorises every harmonic,
// unless the average is the one already factorised (always so for a linear
// time-invariant circuit).
void circulant_factor(circulant_preconditioner& p, const matrix* m);

// The same for the average that circulant_defect or circulant_factor last
// took, of a matrix that has not changed since.
void circulant_factor_averaged(circulant_preconditioner& p);

// x = C⁻¹ r over the laid-out equations; x and r may be the same.
void circulant_apply(circulant_preconditioner& p, const double* r, double* x);

// For a system that is its own plane average (circulant_defect 0): a lower
// bound on the work of the profile factorisation in any order of the
// equations (least_profile_work), or 0 when its couplings do not make the
// rings and connect the unknowns as the bound needs. It needs no order of
// the equations, which on a large system takes as long to find as the
// preconditioner to make.
double circulant_profile_bound(const circulant_preconditioner& p);

void circulant_free(circulant_preconditioner& p);

}  // namespace pss
