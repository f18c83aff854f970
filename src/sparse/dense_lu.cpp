#include "sparse/dense_lu.h"

#include <cmath>
#include <utility>

namespace pss {

namespace {

// |re| + |im|: orders the pivot candidates as well as the modulus for
// this purpose, without a square root.
double magnitude(std::complex<double> v) {
  return std::fabs(v.real()) + std::fabs(v.imag());
}

}  // namespace

void dense_lu_factor(std::complex<double>* a, int32_t* pivot, int32_t size) {
  const auto n = static_cast<std::size_t>(size);
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t best = k;
    for (std::size_t i = k + 1; i < n; ++i) {
      if (magnitude(a[i * n + k]) > magnitude(a[best * n + k])) best = i;
    }
    pivot[k] = static_cast<int32_t>(best);
    if (best != k) {
      for (std::size_t j = 0; j < n; ++j) std::swap(a[k * n + j], a[best * n + j]);
    }
    const std::complex<double> diagonal = a[k * n + k];
    if (diagonal == std::complex<double>(0.0, 0.0)) continue;
    for (std::size_t i = k + 1; i < n; ++i) {
      const std::complex<double> factor = a[i * n + k] / diagonal;
      a[i * n + k] = factor;
      if (factor == std::complex<double>(0.0, 0.0)) continue;
      for (std::size_t j = k + 1; j < n; ++j) a[i * n + j] -= factor * a[k * n + j];
    }
  }
}

void dense_lu_solve(const std::complex<double>* a, const int32_t* pivot, int32_t size,
                    std::complex<double>* b) {
  const auto n = static_cast<std::size_t>(size);
  for (std::size_t k = 0; k < n; ++k) {
    const auto p = static_cast<std::size_t>(pivot[k]);
    if (p != k) std::swap(b[k], b[p]);
  }
  for (std::size_t i = 1; i < n; ++i) {
    std::complex<double> s = b[i];
    for (std::size_t j = 0; j < i; ++j) s -= a[i * n + j] * b[j];
    b[i] = s;
  }
  for (std::size_t i = n; i-- > 0;) {
    std::complex<double> s = b[i];
    for (std::size_t j = i + 1; j < n; ++j) s -= a[i * n + j] * b[j];
    b[i] = s / a[i * n + i];
  }
}

}  // namespace pss
