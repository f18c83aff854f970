// Addressing of the sparse matrix: element (r, c) lives in the diagonal of
// row r when r = c, and otherwise in the entry of the larger index's row for
// the smaller index, as `lower` when r > c and as `upper` when r < c.
#include <algorithm>

#include "sparse/matrix.h"
#include "support/fatal.h"

namespace pss {

// A row's columns ascend strictly, so a binary search finds the one entry
// a scan from the first would. The period row couples to nearly every
// unknown; a scan of it per entry made assembly grow with the square of
// the planes.
matrix_entry* find_ele(matrix_row* row, int32_t col) {
  matrix_entry* first = row->entries;
  matrix_entry* last = row->entries + row->count;
  matrix_entry* at =
      std::lower_bound(first, last, col, [](const matrix_entry& e, int32_t c) { return e.col < c; });
  return at != last && at->col == col ? at : nullptr;
}

void add_ele_to_matrix(int32_t row, int32_t col, double value, matrix* m) {
  if (col < 0) return;  // a fixed quantity's column
  if (row == col) {
    m->rows[row].diag += value;
    return;
  }
  const int32_t high = std::max(row, col);
  const int32_t low = std::min(row, col);
  matrix_entry* e = find_ele(&m->rows[high], low);
  if (e == nullptr) fatal("error, add_ele_to_matrix: ele[%d, %d] not found\n", high, low);
  if (row > col) {
    e->lower += value;
  } else {
    e->upper += value;
  }
}

void matrix_zero(matrix* m) {
  for (int32_t i = 0; i < m->n; ++i) {
    matrix_row& r = m->rows[i];
    r.diag = 0.0;
    for (int32_t k = 0; k < r.count; ++k) {
      r.entries[k].upper = 0.0;
      r.entries[k].lower = 0.0;
    }
  }
}

}  // namespace pss
