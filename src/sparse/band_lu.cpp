#include "sparse/band_lu.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pss {

namespace {

using complex = std::complex<double>;

// |re| + |im|: orders the pivot candidates as the modulus would, without a
// square root.
double magnitude(complex v) {
  return std::fabs(v.real()) + std::fabs(v.imag());
}

// 1 / v by Smith's scaling, which neither overflows nor underflows where
// the quotient does not; not a number for v = 0. Without the checks for
// infinite parts of the library's division, which a pivot never has.
complex reciprocal(complex v) {
  if (std::fabs(v.real()) >= std::fabs(v.imag())) {
    const double r = v.imag() / v.real();
    const double d = v.real() + v.imag() * r;
    return {1.0 / d, -r / d};
  }
  const double r = v.real() / v.imag();
  const double d = v.imag() + v.real() * r;
  return {r / d, -1.0 / d};
}

}  // namespace

void band_lu_factor(const band_shape& s, complex* a, int32_t* pivot) {
  const int32_t n = s.n;
  // The last column that step j's row of U reaches, row exchanges included.
  int32_t reach = 0;
  for (int32_t j = 0; j < n; ++j) {
    const int32_t below = std::min(s.lower, n - 1 - j);
    complex* column = &a[s.at(j, j)];  // column[i] is element (j + i, j)
    int32_t best = 0;
    for (int32_t i = 1; i <= below; ++i) {
      if (magnitude(column[i]) > magnitude(column[best])) best = i;
    }
    pivot[j] = j + best;
    if (column[best] == complex(0.0, 0.0)) {
      column[0] = reciprocal(column[0]);
      continue;
    }
    reach = std::max(reach, std::min(j + best + s.upper, n - 1));
    if (best != 0) {
      for (int32_t k = j; k <= reach; ++k) std::swap(a[s.at(j, k)], a[s.at(j + best, k)]);
    }
    const complex inverse = reciprocal(column[0]);
    column[0] = inverse;
    for (int32_t i = 1; i <= below; ++i) column[i] *= inverse;
    for (int32_t k = j + 1; k <= reach; ++k) {
      const complex u = a[s.at(j, k)];
      if (u == complex(0.0, 0.0)) continue;
      complex* target = &a[s.at(j, k)];  // target[i] is element (j + i, k)
      for (int32_t i = 1; i <= below; ++i) target[i] -= column[i] * u;
    }
  }
}

void band_lu_solve(const band_shape& s, const complex* a, const int32_t* pivot, complex* b) {
  const int32_t n = s.n;
  for (int32_t j = 0; j < n; ++j) {
    const int32_t p = pivot[j];
    if (p != j) std::swap(b[j], b[p]);
    const complex x = b[j];
    if (x == complex(0.0, 0.0)) continue;
    const complex* column = &a[s.at(j, j)];
    const int32_t below = std::min(s.lower, n - 1 - j);
    for (int32_t i = 1; i <= below; ++i) b[j + i] -= column[i] * x;
  }
  const int32_t width = s.lower + s.upper;  // U's diagonals above the main one
  for (int32_t j = n - 1; j >= 0; --j) {
    const complex* column = &a[s.at(j, j)];
    b[j] *= column[0];
    const complex x = b[j];
    const int32_t above = std::min(width, j);
    for (int32_t i = 1; i <= above; ++i) b[j - i] -= column[-i] * x;
  }
}

}  // namespace pss
