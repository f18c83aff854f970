// Crout factorisation of a profile copy in place, row by row, without
// pivoting: A = L·U with U unit upper triangular. Afterwards row i's diag is
// L[i][i], its entry for column j holds L[i][j] in `lower` and U[j][i] in
// `upper`.
//
// There is deliberately no pivoting and no pivot threshold: the oscillator
// systems have near-singular leading blocks that only the last (period) row
// resolves, which this order handles. A zero pivot yields inf or NaN, which
// the Newton iteration reports as non-convergence.
#include <algorithm>

#include "sparse/matrix.h"

namespace pss {

namespace {

matrix_entry* entry_for(const matrix_row& row, int32_t col) {
  for (int32_t k = 0; k < row.count; ++k) {
    if (row.entries[k].col == col) return &row.entries[k];
  }
  return nullptr;
}

}  // namespace

void matrix_factor(matrix* expanded) {
  matrix_row* rows = expanded->rows;
  for (int32_t i = 0; i < expanded->n; ++i) {
    matrix_row& ri = rows[i];
    if (ri.count == 0) continue;
    const int32_t fi = ri.entries[0].col;
    for (int32_t k = 0; k < ri.count; ++k) {
      matrix_entry& eic = ri.entries[k];
      const int32_t c = eic.col;
      const matrix_row& rc = rows[c];
      if (rc.count > 0) {
        const int32_t low = std::max(fi, rc.entries[0].col);
        for (int32_t j = c - 1; j >= low; --j) {
          const matrix_entry* eij = entry_for(ri, j);
          const matrix_entry* ecj = entry_for(rc, j);
          eic.lower -= eij->lower * ecj->upper;
          eic.upper -= ecj->lower * eij->upper;
        }
      }
      eic.upper /= rc.diag;
      ri.diag -= eic.upper * eic.lower;
    }
  }
}

}  // namespace pss
