// Where the stored values of a matrix's leading rows go in another array
// (the compressed columns of an LU, the terms of an averaged Jacobian):
// laid out once per pattern, so that each refill is one pass over the
// matrix without a search.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "sparse/matrix.h"

namespace pss {

// The place of the diagonal of row i, and of the lower (A[row][col]) and
// upper (A[col][row]) value of the e-th entry counted in row order.
struct value_places {
  std::vector<int32_t> diag;
  std::vector<int32_t> lower;
  std::vector<int32_t> upper;
};

// `out` (of `count` values) becomes the sum of the values of rows 0 … n - 1
// at their places; a place that several values share gets their sum.
template <class T>
void gather_values(const matrix* m, int32_t n, const value_places& places, T* out,
                   std::size_t count) {
  std::fill(out, out + count, T{});
  std::size_t e = 0;
  for (int32_t i = 0; i < n; ++i) {
    const matrix_row& r = m->rows[i];
    out[places.diag[static_cast<std::size_t>(i)]] += r.diag;
    for (int32_t k = 0; k < r.count; ++k, ++e) {
      out[places.lower[e]] += r.entries[k].lower;
      out[places.upper[e]] += r.entries[k].upper;
    }
  }
}

}  // namespace pss
