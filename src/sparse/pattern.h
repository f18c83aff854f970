// The couplings that matrix_create finds, gathered as (row, column) pairs in
// any order and with repeats, then sorted into rows of strictly ascending,
// distinct columns in time linear in the pairs.
#pragma once

#include <cstdint>
#include <vector>

namespace pss {

struct pattern_pairs {
  std::vector<int32_t> rows;
  std::vector<int32_t> cols;
};

inline void pattern_enter(pattern_pairs& p, int32_t row, int32_t col) {
  p.rows.push_back(row);
  p.cols.push_back(col);
}

// Row r's columns are cols[start[r]] ... cols[start[r + 1] - 1], ascending,
// each once.
struct pattern_rows {
  std::vector<int32_t> start;  // n + 1 offsets
  std::vector<int32_t> cols;
};

// Sorts the pairs of rows and columns in [0, n) by row, then column, and
// drops repeats: two stable counting sorts, columns first. Empties `p`.
pattern_rows pattern_sort(pattern_pairs& p, int32_t n);

}  // namespace pss
