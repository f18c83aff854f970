// The profile (envelope) copy of a sparse matrix that the factorisation
// works in: row i's columns run without gaps from its first column f_i to
// i - 1, so all fill-in of Crout's method falls inside the copy and an entry
// is found by its offset from f_i. The layout is made once per pattern and
// refilled with each assembly's values.
#include "sparse/blocks.h"
#include "sparse/ordering.h"

namespace pss {

matrix* profile_layout(const matrix* m, const std::vector<int32_t>& first) {
  const int32_t n = m->n;
  std::size_t widths = 0;
  for (int32_t i = 0; i < n; ++i)
    widths += static_cast<std::size_t>(i - first[static_cast<std::size_t>(i)]);
  matrix* e = matrix_block(n, widths, "matrix_expand_full: calloc failed\n");
  void* block = e;  // the matrix record heads its block
  for (int32_t i = 0; i < n; ++i) {
    matrix_row& row = e->rows[i];
    row.count = i - first[static_cast<std::size_t>(i)];
    if (row.count == 0) continue;
    row.entries = carve<matrix_entry>(block, static_cast<std::size_t>(row.count));
    for (int32_t k = 0; k < row.count; ++k)
      row.entries[k].col = first[static_cast<std::size_t>(i)] + k;
  }
  return e;
}

void profile_refill(matrix* expanded, const matrix* m, const std::vector<int32_t>& first,
                    const equation_order* order) {
  const int32_t n = m->n;
  auto renumbered = [&](int32_t i) {
    return order == nullptr ? i : order->new_of_old[static_cast<std::size_t>(i)];
  };
  for (int32_t i = 0; i < n; ++i) {
    matrix_row& row = expanded->rows[i];
    for (int32_t k = 0; k < row.count; ++k) row.entries[k].upper = row.entries[k].lower = 0.0;
  }
  // Each stored pair {R, C}, R > C, holds A[R][C] (lower) and A[C][R]
  // (upper); it lands in the row of whichever of the two is numbered later.
  for (int32_t r = 0; r < n; ++r) {
    const int32_t nr = renumbered(r);
    expanded->rows[nr].diag = m->rows[r].diag;
    for (int32_t k = 0; k < m->rows[r].count; ++k) {
      const matrix_entry& s = m->rows[r].entries[k];
      const int32_t nc = renumbered(s.col);
      if (nr > nc) {
        matrix_entry& d = expanded->rows[nr].entries[nc - first[static_cast<std::size_t>(nr)]];
        d.lower = s.lower;
        d.upper = s.upper;
      } else {
        matrix_entry& d = expanded->rows[nc].entries[nr - first[static_cast<std::size_t>(nc)]];
        d.lower = s.upper;
        d.upper = s.lower;
      }
    }
  }
}

matrix* matrix_expand_ordered(const matrix* m, const equation_order& order) {
  const std::vector<int32_t> first = first_columns(m, &order);
  matrix* e = profile_layout(m, first);
  profile_refill(e, m, first, &order);
  return e;
}

matrix* matrix_expand_full(const matrix* m) {
  if (m == nullptr || m->n == 0) return nullptr;
  const std::vector<int32_t> first = first_columns(m, nullptr);
  matrix* e = profile_layout(m, first);
  profile_refill(e, m, first, nullptr);
  return e;
}

}  // namespace pss
