// Crout factorisation of a profile copy in place, row by row, without
// pivoting: A = L·U with U unit upper triangular. Afterwards row i's diag is
// L[i][i], its entry for column j holds L[i][j] in `lower` and U[j][i] in
// `upper`.
//
// There is deliberately no pivoting and no pivot threshold: the oscillator
// systems have near-singular leading blocks that only the last (period) row
// resolves, which this order handles. A zero pivot yields inf or NaN, which
// the Newton iteration reports as non-convergence.
//
// A profile row's columns are contiguous from its first column f, so the
// entry of row r for column j is entries[j - f_r]: the two dot products of
// an entry run over two contiguous stretches of entries, without search.
// The sums are taken in the order the method prescribes (from column c - 1
// down), term by term, so the rounding does not depend on the layout.
#include <algorithm>

#include "sparse/matrix.h"

namespace pss {

void matrix_factor(matrix* expanded) {
  matrix_row* rows = expanded->rows;
  for (int32_t i = 0; i < expanded->n; ++i) {
    matrix_row& ri = rows[i];
    if (ri.count == 0) continue;
    matrix_entry* ei = ri.entries;
    const int32_t fi = i - ri.count;
    double diag = ri.diag;
    for (int32_t k = 0; k < ri.count; ++k) {
      const int32_t c = fi + k;
      const matrix_row& rc = rows[c];
      double lower = ei[k].lower;  // L[i][c]
      double upper = ei[k].upper;  // U[c][i], before the division
      if (rc.count > 0) {
        const int32_t fc = c - rc.count;
        const int32_t common = c - std::max(fi, fc);
        // Column c - 1 of row i and of row c, walked down together.
        const matrix_entry* a = ei + (k - 1);
        const matrix_entry* b = rc.entries + (rc.count - 1);
        for (int32_t t = 0; t < common; ++t) {
          lower -= a[-t].lower * b[-t].upper;
          upper -= b[-t].lower * a[-t].upper;
        }
      }
      upper /= rc.diag;
      ei[k].lower = lower;
      ei[k].upper = upper;
      diag -= upper * lower;
    }
    ri.diag = diag;
  }
}

}  // namespace pss
