// Builds test matrices through block_alloc and reads their pattern and values back.
#include "sparse/sparse_helpers.h"

#include <gtest/gtest.h>

namespace pss::test {

matrix* make_matrix(const pattern& columns) {
  std::size_t entries = 0;
  for (const auto& row : columns) entries += row.size();
  const std::size_t n = columns.size();
  void* block = block_alloc(
      nullptr, sizeof(matrix) + n * sizeof(matrix_row) + entries * sizeof(matrix_entry));
  auto* m = static_cast<matrix*>(block_alloc(block, sizeof(matrix)));
  m->n = static_cast<int32_t>(n);
  m->rows = static_cast<matrix_row*>(block_alloc(block, n * sizeof(matrix_row)));
  for (std::size_t i = 0; i < n; ++i) {
    const auto& cols = columns[i];
    m->rows[i].count = static_cast<int32_t>(cols.size());
    if (cols.empty()) continue;
    m->rows[i].entries =
        static_cast<matrix_entry*>(block_alloc(block, cols.size() * sizeof(matrix_entry)));
    for (std::size_t k = 0; k < cols.size(); ++k) {
      EXPECT_LT(cols[k], static_cast<int32_t>(i));
      if (k > 0) {
        EXPECT_LT(cols[k - 1], cols[k]);
      }
      m->rows[i].entries[k].col = cols[k];
    }
  }
  return m;
}

pattern pattern_of(const matrix* m) {
  pattern out(static_cast<std::size_t>(m->n));
  for (int32_t i = 0; i < m->n; ++i) {
    const matrix_row& r = m->rows[i];
    if (r.count == 0) {
      EXPECT_EQ(r.entries, nullptr) << "row " << i;
    }
    for (int32_t k = 0; k < r.count; ++k)
      out[static_cast<std::size_t>(i)].push_back(r.entries[k].col);
  }
  return out;
}

std::vector<double> dense_of(const matrix* m) {
  const auto n = static_cast<std::size_t>(m->n);
  std::vector<double> a(n * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    const matrix_row& r = m->rows[i];
    a[i * n + i] = r.diag;
    for (int32_t k = 0; k < r.count; ++k) {
      const auto j = static_cast<std::size_t>(r.entries[k].col);
      a[i * n + j] = r.entries[k].lower;
      a[j * n + i] = r.entries[k].upper;
    }
  }
  return a;
}

std::vector<double> values_of(const matrix* m) {
  std::vector<double> out;
  for (int32_t i = 0; i < m->n; ++i) {
    const matrix_row& r = m->rows[i];
    out.push_back(r.diag);
    for (int32_t k = 0; k < r.count; ++k) {
      out.push_back(r.entries[k].upper);
      out.push_back(r.entries[k].lower);
    }
  }
  return out;
}

}  // namespace pss::test
