// The profile (envelope) copy of a sparse matrix that the factorisation
// works in: row i's columns run without gaps from its first sparse column
// f_i to i - 1, so all fill-in of Crout's method falls inside the copy and an
// entry is found by its offset from f_i.
#include "sparse/blocks.h"

namespace pss {

matrix* matrix_expand_full(const matrix* m) {
  if (m == nullptr || m->n == 0) return nullptr;
  const int32_t n = m->n;
  std::size_t widths = 0;
  for (int32_t i = 0; i < n; ++i) {
    const matrix_row& r = m->rows[i];
    if (r.count > 0) widths += static_cast<std::size_t>(i - r.entries[0].col);
  }
  matrix* e = matrix_block(n, widths, "matrix_expand_full: calloc failed\n");
  void* block = e;  // the matrix record heads its block
  for (int32_t i = 0; i < n; ++i) {
    const matrix_row& from = m->rows[i];
    matrix_row& to = e->rows[i];
    to.diag = from.diag;
    if (from.count == 0) continue;
    const int32_t first = from.entries[0].col;
    to.count = i - first;
    to.entries = carve<matrix_entry>(block, static_cast<std::size_t>(to.count));
    for (int32_t k = 0; k < to.count; ++k) to.entries[k].col = first + k;
    // The block is zero-filled: the gaps already hold 0.0.
    for (int32_t k = 0; k < from.count; ++k) {
      const matrix_entry& s = from.entries[k];
      matrix_entry& d = to.entries[s.col - first];
      d.upper = s.upper;
      d.lower = s.lower;
    }
  }
  return e;
}

}  // namespace pss
