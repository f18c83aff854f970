// KLU behind the Newton matrix. Column j of A holds, in ascending rows, the
// upper values of row j's entries (A[i][j] for i < j, stored in row j), the
// diagonal, then the lower values of the later rows' entries for column j
// (A[i][j] for i > j, stored in row i).
//
// Pivots: the first factorisation searches for them (partial pivoting with
// KLU's preference for the diagonal); every later one reuses them with
// klu_refactor, which allocates nothing. When the reused pivots have lost
// more than three orders of magnitude of KLU's pivot-ratio estimate against
// the one at pivoting, the factorisation searches again. A zero pivot is
// not caught: as with the profile solve, it yields infinities or NaNs that
// the Newton iteration reports as non-convergence.
#include "sparse/lu_factor.h"

#include "support/fatal.h"

namespace pss {

namespace {

// rcond falls by this factor before the pivots are searched again.
constexpr double pivot_decay_limit = 1e-3;

void pivot_afresh(sparse_lu& lu) {
  if (lu.numeric != nullptr) klu_free_numeric(&lu.numeric, &lu.common);
  lu.numeric = klu_factor(lu.col_start.data(), lu.row_index.data(), lu.values.data(),
                          lu.symbolic, &lu.common);
  if (lu.numeric == nullptr) out_of_memory();
  klu_rcond(lu.symbolic, lu.numeric, &lu.common);
  lu.rcond_at_pivoting = lu.common.rcond;
  lu.refactors = 0;
  ++lu.pivotings;
}

}  // namespace

void sparse_lu_create(sparse_lu& lu, const matrix* m, int32_t n, std::vector<int32_t> order) {
  lu.n = n;
  lu.order = std::move(order);
  const std::size_t cols = static_cast<std::size_t>(n);
  std::vector<int32_t> count(cols, 1);  // the diagonal
  std::size_t entries = 0;
  for (int32_t i = 0; i < n; ++i) {
    const matrix_row& r = m->rows[i];
    count[static_cast<std::size_t>(i)] += r.count;
    for (int32_t k = 0; k < r.count; ++k) ++count[static_cast<std::size_t>(r.entries[k].col)];
    entries += static_cast<std::size_t>(r.count);
  }
  lu.col_start.assign(cols + 1, 0);
  for (std::size_t j = 0; j < cols; ++j) lu.col_start[j + 1] = lu.col_start[j] + count[j];
  lu.row_index.resize(static_cast<std::size_t>(lu.col_start[cols]));
  lu.values.assign(lu.row_index.size(), 0.0);
  lu.places.diag.resize(cols);
  lu.places.lower.resize(entries);
  lu.places.upper.resize(entries);
  // Rows ascending fill each column in order: first the upper values of
  // row j, then j's diagonal, then the lower values of the rows after j.
  std::vector<int32_t> next(lu.col_start.begin(), lu.col_start.end() - 1);
  std::size_t e = 0;
  for (int32_t i = 0; i < n; ++i) {
    const matrix_row& r = m->rows[i];
    int32_t& own = next[static_cast<std::size_t>(i)];
    for (int32_t k = 0; k < r.count; ++k) {
      const int32_t j = r.entries[k].col;
      lu.places.upper[e + static_cast<std::size_t>(k)] = own;
      lu.row_index[static_cast<std::size_t>(own++)] = j;
    }
    lu.places.diag[static_cast<std::size_t>(i)] = own;
    lu.row_index[static_cast<std::size_t>(own++)] = i;
    for (int32_t k = 0; k < r.count; ++k, ++e) {
      int32_t& at = next[static_cast<std::size_t>(r.entries[k].col)];
      lu.places.lower[e] = at;
      lu.row_index[static_cast<std::size_t>(at++)] = i;
    }
  }
  klu_defaults(&lu.common);
  lu.common.btf = 0;  // the order given is for the whole matrix
  lu.common.halt_if_singular = 0;
  lu.symbolic = klu_analyze_given(n, lu.col_start.data(), lu.row_index.data(), lu.order.data(),
                                  lu.order.data(), &lu.common);
  if (lu.symbolic == nullptr) out_of_memory();
}

void sparse_lu_factor(sparse_lu& lu, const matrix* m) {
  gather_values(m, lu.n, lu.places, lu.values.data(), lu.values.size());
  if (lu.numeric == nullptr) {
    pivot_afresh(lu);
    return;
  }
  const bool done = klu_refactor(lu.col_start.data(), lu.row_index.data(), lu.values.data(),
                                 lu.symbolic, lu.numeric, &lu.common) != 0;
  ++lu.refactors;
  if (done) klu_rcond(lu.symbolic, lu.numeric, &lu.common);
  if (!done || !(lu.common.rcond >= pivot_decay_limit * lu.rcond_at_pivoting)) pivot_afresh(lu);
}

void sparse_lu_solve(sparse_lu& lu, double* b, int32_t count) {
  if (lu.n == 0) return;
  klu_solve(lu.symbolic, lu.numeric, lu.n, count, b, &lu.common);
}

void sparse_lu_free(sparse_lu& lu) {
  if (lu.numeric != nullptr) klu_free_numeric(&lu.numeric, &lu.common);
  if (lu.symbolic != nullptr) klu_free_symbolic(&lu.symbolic, &lu.common);
}

}  // namespace pss
