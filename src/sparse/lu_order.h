// Fill-reducing orders for the sparse LU and the symbolic count that
// compares them: AMD (approximate minimum degree) and METIS's nested
// dissection, both on the symmetric pattern.
#pragma once

#include <cstdint>
#include <vector>

#include "sparse/ordering.h"

namespace pss {

// The factors of the symmetric pattern eliminated in an order: entries of L
// below the diagonal and the multiply-adds of the LU (both triangles).
struct fill_count {
  double entries;
  double work;
};

// The order as old_of_new: position k holds the equation eliminated k-th.
// AMD counts the fill of its order as it goes; `fill`, when given,
// receives that count.
std::vector<int32_t> amd_elimination_order(const adjacency& a, fill_count* fill = nullptr);
// METIS's order, found by the helper program pss-order (metis_order.cpp);
// empty when the helper cannot be run or gives no valid answer.
std::vector<int32_t> metis_elimination_order(const adjacency& a);

fill_count count_fill(const adjacency& a, const std::vector<int32_t>& old_of_new);

}  // namespace pss
