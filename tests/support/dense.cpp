#include "support/dense.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace pss::test {

std::vector<std::complex<double>> dense_times(const std::vector<std::complex<double>>& a,
                                              const std::vector<std::complex<double>>& x) {
  const std::size_t n = x.size();
  std::vector<std::complex<double>> y(n);
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) y[i] += a[i * n + j] * x[j];
  }
  return y;
}

std::vector<double> dense_solve(std::vector<double> a, std::vector<double> b) {
  const std::size_t n = b.size();
  for (std::size_t k = 0; k < n; ++k) {
    std::size_t p = k;
    for (std::size_t i = k + 1; i < n; ++i) {
      if (std::fabs(a[i * n + k]) > std::fabs(a[p * n + k])) p = i;
    }
    if (p != k) {
      for (std::size_t j = 0; j < n; ++j) std::swap(a[k * n + j], a[p * n + j]);
      std::swap(b[k], b[p]);
    }
    for (std::size_t i = k + 1; i < n; ++i) {
      const double f = a[i * n + k] / a[k * n + k];
      for (std::size_t j = k; j < n; ++j) a[i * n + j] -= f * a[k * n + j];
      b[i] -= f * b[k];
    }
  }
  for (std::size_t k = n; k-- > 0;) {
    double s = b[k];
    for (std::size_t j = k + 1; j < n; ++j) s -= a[k * n + j] * b[j];
    b[k] = s / a[k * n + k];
  }
  return b;
}

std::vector<double> newton_reference(const residual_function& f, std::vector<double> x) {
  const std::size_t n = x.size();
  for (int step = 0; step < 50; ++step) {
    const std::vector<double> r = f(x);
    std::vector<double> jacobian(n * n);
    for (std::size_t j = 0; j < n; ++j) {
      const double h = 1e-7 * (1.0 + std::fabs(x[j]));
      std::vector<double> up = x, down = x;
      up[j] += h;
      down[j] -= h;
      const std::vector<double> fu = f(up), fd = f(down);
      for (std::size_t i = 0; i < n; ++i) jacobian[i * n + j] = (fu[i] - fd[i]) / (2 * h);
    }
    std::vector<double> minus_r(n);
    for (std::size_t i = 0; i < n; ++i) minus_r[i] = -r[i];
    const std::vector<double> delta = dense_solve(jacobian, minus_r);
    double largest = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      x[i] += delta[i];
      largest = std::max(largest, std::fabs(delta[i]) / (1.0 + std::fabs(x[i])));
    }
    if (largest < 1e-13) break;
  }
  return x;
}

}  // namespace pss::test
