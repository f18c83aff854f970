// Sorting the gathered couplings into rows. A counting sort by column,
// then a stable one by row, leaves every row's columns ascending, so the
// repeats stand side by side and one pass drops them: the work is linear in
// the pairs and the rows, however long a row is (the period row couples to
// almost every unknown).
#include "sparse/pattern.h"

#include <cstddef>

namespace pss {

namespace {

// The positions of `keys` in a stable order by key, keys in [0, n).
std::vector<int32_t> counting_order(const std::vector<int32_t>& keys,
                                    const std::vector<int32_t>* within, int32_t n) {
  const std::size_t count = keys.size();
  std::vector<int32_t> start(static_cast<std::size_t>(n) + 1, 0);
  for (int32_t k : keys) ++start[static_cast<std::size_t>(k) + 1];
  for (int32_t i = 0; i < n; ++i) start[i + 1] += start[i];
  std::vector<int32_t> order(count);
  for (std::size_t j = 0; j < count; ++j) {
    const int32_t at = within == nullptr ? static_cast<int32_t>(j) : (*within)[j];
    order[static_cast<std::size_t>(start[keys[at]]++)] = at;
  }
  return order;
}

}  // namespace

pattern_rows pattern_sort(pattern_pairs& p, int32_t n) {
  const std::vector<int32_t> by_col = counting_order(p.cols, nullptr, n);
  const std::vector<int32_t> by_row_col = counting_order(p.rows, &by_col, n);
  pattern_rows out;
  out.start.assign(static_cast<std::size_t>(n) + 1, 0);
  out.cols.reserve(p.cols.size());
  int32_t last_row = -1;
  int32_t last_col = -1;
  for (int32_t at : by_row_col) {
    const int32_t r = p.rows[static_cast<std::size_t>(at)];
    const int32_t c = p.cols[static_cast<std::size_t>(at)];
    if (r == last_row && c == last_col) continue;
    last_row = r;
    last_col = c;
    out.cols.push_back(c);
    ++out.start[static_cast<std::size_t>(r) + 1];
  }
  for (int32_t i = 0; i < n; ++i) out.start[i + 1] += out.start[i];
  p = pattern_pairs{};
  return out;
}

}  // namespace pss
