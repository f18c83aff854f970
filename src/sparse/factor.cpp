// Crout factorisation of a profile copy in place, row by row, without
// pivoting: A = L·U with U unit upper triangular. Afterwards row i's diag is
// L[i][i], its entry for column j holds L[i][j] in `lower` and U[j][i] in
// `upper`.
//
// There is deliberately no pivoting and no pivot threshold: the oscillator
// systems have near-singular leading blocks that only the last (period) row
// resolves, which this order handles. A zero pivot yields inf or NaN, which
// the Newton iteration reports as non-convergence.
//
// A profile row's columns are contiguous from its first column f, so the
// entry of row r for column j is entries[j - f_r]: the two dot products of
// an entry run down two contiguous stretches of entries, without search.
//
// Every sum is taken in the order the method prescribes (from column c - 1
// down, term by term), so the factors do not depend on how the work is
// scheduled. Each sum is one chain of dependent subtractions, which bounds
// the speed of a row by the latency of a subtraction; rows are therefore
// taken two at a time, with the chains of both rows in one loop. Row i + 1
// reads row i only for its last entry (column i), which waits until row i is
// done.
#include <algorithm>

#include "sparse/matrix.h"

namespace pss {

namespace {

// The sums of row i's entry for column c, terms from + 1 … to in that order.
// `a` is that entry and `b` is one past row c's last entry (column c - 1), so
// a[-t] and b[-t] are the two rows' entries for column c - t: term t is
// column c - t.
inline void subtract_terms(const matrix_entry* a, const matrix_entry* b, int32_t from, int32_t to,
                           double& lower, double& upper) {
  for (int32_t t = from + 1; t <= to; ++t) {
    lower -= a[-t].lower * b[-t].upper;
    upper -= b[-t].lower * a[-t].upper;
  }
}

// The number of columns below c that row r (first column f) and row c share.
inline int32_t common_columns(const matrix_row& rc, int32_t c, int32_t f) {
  return rc.count == 0 ? 0 : c - std::max(f, c - rc.count);
}

// Stores the finished entry and takes its product off the row's pivot.
inline void finish_entry(matrix_entry& e, double lower, double upper, double pivot_c,
                         double& diag) {
  upper /= pivot_c;
  e.lower = lower;
  e.upper = upper;
  diag -= upper * lower;
}

void factor_row(matrix_row* rows, int32_t i) {
  matrix_row& r = rows[i];
  const int32_t f = i - r.count;
  double diag = r.diag;
  for (int32_t c = f; c < i; ++c) {
    const matrix_row& rc = rows[c];
    matrix_entry& e = r.entries[c - f];
    double lower = e.lower;
    double upper = e.upper;
    subtract_terms(&e, rc.entries + rc.count, 0, common_columns(rc, c, f), lower, upper);
    finish_entry(e, lower, upper, rc.diag, diag);
  }
  r.diag = diag;
}

// Rows i and i + 1 together.
void factor_row_pair(matrix_row* rows, int32_t i) {
  matrix_row& r0 = rows[i];
  matrix_row& r1 = rows[i + 1];
  // A row without entries has f past every column below it.
  const int32_t f0 = i - r0.count;
  const int32_t f1 = i + 1 - r1.count;
  double diag0 = r0.diag;
  double diag1 = r1.diag;
  for (int32_t c = std::min(f0, f1); c < i; ++c) {
    const matrix_row& rc = rows[c];
    const matrix_entry* b = rc.entries + rc.count;
    const bool in0 = c >= f0;
    const bool in1 = c >= f1;
    matrix_entry* e0 = in0 ? &r0.entries[c - f0] : nullptr;
    matrix_entry* e1 = in1 ? &r1.entries[c - f1] : nullptr;
    const int32_t n0 = in0 ? common_columns(rc, c, f0) : 0;
    const int32_t n1 = in1 ? common_columns(rc, c, f1) : 0;
    double lower0 = in0 ? e0->lower : 0.0;
    double upper0 = in0 ? e0->upper : 0.0;
    double lower1 = in1 ? e1->lower : 0.0;
    double upper1 = in1 ? e1->upper : 0.0;
    const int32_t both = std::min(n0, n1);
    for (int32_t t = 1; t <= both; ++t) {
      lower0 -= e0[-t].lower * b[-t].upper;
      upper0 -= b[-t].lower * e0[-t].upper;
      lower1 -= e1[-t].lower * b[-t].upper;
      upper1 -= b[-t].lower * e1[-t].upper;
    }
    if (in0) {
      subtract_terms(e0, b, both, n0, lower0, upper0);
      finish_entry(*e0, lower0, upper0, rc.diag, diag0);
    }
    if (in1) {
      subtract_terms(e1, b, both, n1, lower1, upper1);
      finish_entry(*e1, lower1, upper1, rc.diag, diag1);
    }
  }
  r0.diag = diag0;
  if (r1.count > 0) {  // row i + 1's last entry, column i, reads the finished row i
    matrix_entry& e = r1.entries[r1.count - 1];
    double lower = e.lower;
    double upper = e.upper;
    subtract_terms(&e, r0.entries + r0.count, 0, common_columns(r0, i, f1), lower, upper);
    finish_entry(e, lower, upper, r0.diag, diag1);
  }
  r1.diag = diag1;
}

}  // namespace

void matrix_factor(matrix* expanded) {
  const int32_t n = expanded->n;
  int32_t i = 0;
  for (; i + 1 < n; i += 2) factor_row_pair(expanded->rows, i);
  if (i < n) factor_row(expanded->rows, i);
}

}  // namespace pss
