// Forward and back substitution with a factorised profile copy: L·y = b,
// then U·x = y, both in place in b. Row i's entries stand for the columns
// f_i … i - 1 in order, so entry k pairs with b[f_i + k].
#include "sparse/matrix.h"

namespace pss {

void matrix_substitute(const matrix* expanded, real_vector* b) {
  const matrix_row* rows = expanded->rows;
  double* x = b->values;
  const int32_t n = expanded->n;
  for (int32_t i = 0; i < n; ++i) {
    const matrix_row& r = rows[i];
    const double* xf = x + (i - r.count);
    double s = x[i];
    for (int32_t k = 0; k < r.count; ++k) s -= r.entries[k].lower * xf[k];
    x[i] = s / r.diag;
  }
  for (int32_t i = n - 1; i >= 1; --i) {
    const matrix_row& r = rows[i];
    double* xf = x + (i - r.count);
    const double xi = x[i];
    for (int32_t k = 0; k < r.count; ++k) xf[k] -= r.entries[k].upper * xi;
  }
}

}  // namespace pss
