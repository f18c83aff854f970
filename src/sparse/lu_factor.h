// The sparse LU of a Newton matrix by KLU: the hand-over in compressed-column
// form, laid out once per pattern with the place of every stored value, so
// that each refill is one pass over the matrix without a search; the first
// factorisation chooses the pivots, later ones reuse them.
#pragma once

#include <klu.h>

#include <cstdint>
#include <vector>

#include "sparse/matrix.h"
#include "sparse/value_places.h"

namespace pss {

struct sparse_lu {
  int32_t n = 0;  // the equations in the LU: all, or all but a bordered last one
  // Compressed columns of A[0..n)[0..n), rows ascending within a column.
  std::vector<int32_t> col_start;
  std::vector<int32_t> row_index;
  std::vector<double> values;
  value_places places;  // of each stored value of the matrix in `values`
  std::vector<int32_t> order;  // the fill-reducing order, old_of_new
  klu_common common{};
  klu_symbolic* symbolic = nullptr;
  klu_numeric* numeric = nullptr;
  double rcond_at_pivoting = 0.0;
  int32_t refactors = 0;  // since the pivots were last chosen
  int32_t pivotings = 0;  // full factorisations with pivot search
};

// Lays out the compressed columns of m's leading n equations and analyses
// them in `order` (old_of_new).
void sparse_lu_create(sparse_lu& lu, const matrix* m, int32_t n, std::vector<int32_t> order);

// Factorises m's present values: pivots chosen on the first call, reused
// after, and chosen again when the reused ones have lost accuracy.
void sparse_lu_factor(sparse_lu& lu, const matrix* m);

// Solves for `count` right-hand sides stored one after another, each of
// lu.n values, in place.
void sparse_lu_solve(sparse_lu& lu, double* b, int32_t count);

void sparse_lu_free(sparse_lu& lu);

}  // namespace pss
