// Orders for the sparse LU. The Newton matrices have a symmetric pattern, so
// the fill of an LU that pivots on the diagonal is that of the Cholesky
// factor of the pattern: count_fill finds it from the elimination tree, row
// by row, in time proportional to the entries of the factor.
#include "sparse/lu_order.h"

#include <amd.h>

#include "support/fatal.h"

namespace pss {

std::vector<int32_t> amd_elimination_order(const adjacency& a, fill_count* fill) {
  const int32_t n = static_cast<int32_t>(a.start.size()) - 1;
  std::vector<int32_t> order(static_cast<std::size_t>(n));
  if (fill != nullptr) *fill = {0.0, 0.0};
  if (n == 0) return order;
  // amd_order reads the columns of A + Aᵀ: the adjacency is that pattern.
  std::vector<int32_t> start(a.start), next(a.next);
  if (next.empty()) next.push_back(0);
  double control[AMD_CONTROL];
  double info[AMD_INFO];
  amd_defaults(control);
  if (amd_order(n, start.data(), next.data(), order.data(), control, info) < AMD_OK) {
    out_of_memory();
  }
  if (fill != nullptr) *fill = {info[AMD_LNZ], info[AMD_NMULTSUBS_LU]};
  return order;
}

fill_count count_fill(const adjacency& a, const std::vector<int32_t>& old_of_new) {
  const std::size_t n = old_of_new.size();
  std::vector<int32_t> new_of_old(n);
  for (std::size_t k = 0; k < n; ++k) new_of_old[static_cast<std::size_t>(old_of_new[k])] =
      static_cast<int32_t>(k);
  // Elimination tree (Liu), with path compression through `ancestor`.
  std::vector<int32_t> parent(n, -1), ancestor(n, -1);
  for (std::size_t i = 0; i < n; ++i) {
    const int32_t old = old_of_new[i];
    for (int32_t k = a.start[old]; k < a.start[old + 1]; ++k) {
      int32_t j = new_of_old[static_cast<std::size_t>(a.next[static_cast<std::size_t>(k)])];
      while (j != -1 && j < static_cast<int32_t>(i)) {
        const int32_t up = ancestor[static_cast<std::size_t>(j)];
        ancestor[static_cast<std::size_t>(j)] = static_cast<int32_t>(i);
        if (up == -1) parent[static_cast<std::size_t>(j)] = static_cast<int32_t>(i);
        j = up;
      }
    }
  }
  // Row i of L is the union of the tree paths from its pattern's columns up
  // to i; each column counts the rows that reach it.
  std::vector<int32_t> mark(n, -1);
  std::vector<double> below(n, 0.0);
  double entries = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    mark[i] = static_cast<int32_t>(i);
    const int32_t old = old_of_new[i];
    for (int32_t k = a.start[old]; k < a.start[old + 1]; ++k) {
      int32_t j = new_of_old[static_cast<std::size_t>(a.next[static_cast<std::size_t>(k)])];
      if (j > static_cast<int32_t>(i)) continue;
      while (mark[static_cast<std::size_t>(j)] != static_cast<int32_t>(i)) {
        mark[static_cast<std::size_t>(j)] = static_cast<int32_t>(i);
        below[static_cast<std::size_t>(j)] += 1.0;
        entries += 1.0;
        j = parent[static_cast<std::size_t>(j)];
      }
    }
  }
  // Eliminating column j with c entries below the diagonal updates c² places
  // of each triangle's trailing matrix.
  double work = 0.0;
  for (double c : below) work += c * c;
  return {entries, work};
}

}  // namespace pss
