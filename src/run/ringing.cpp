#include "run/ringing.h"

#include <array>
#include <cmath>
#include <numbers>

namespace pss {

namespace {

constexpr int columns = 3;
using row = std::array<double, columns>;

// Least squares of rows · x = rhs by Householder reflections.
bool least_squares(std::vector<row> a, std::vector<double> rhs, row& x) {
  const std::size_t m = a.size();
  for (int j = 0; j < columns; ++j) {
    double norm = 0.0;
    for (std::size_t i = static_cast<std::size_t>(j); i < m; ++i) norm += a[i][j] * a[i][j];
    norm = std::sqrt(norm);
    if (!(norm > 0.0)) return false;
    const std::size_t jj = static_cast<std::size_t>(j);
    const double alpha = a[jj][j] > 0 ? -norm : norm;
    std::vector<double> v(m, 0.0);
    for (std::size_t i = jj; i < m; ++i) v[i] = a[i][j];
    v[jj] -= alpha;
    double vv = 0.0;
    for (std::size_t i = jj; i < m; ++i) vv += v[i] * v[i];
    if (!(vv > 0.0)) continue;
    for (int k = j; k < columns; ++k) {
      double dot = 0.0;
      for (std::size_t i = jj; i < m; ++i) dot += v[i] * a[i][k];
      for (std::size_t i = jj; i < m; ++i) a[i][k] -= 2.0 * dot / vv * v[i];
    }
    double dot = 0.0;
    for (std::size_t i = jj; i < m; ++i) dot += v[i] * rhs[i];
    for (std::size_t i = jj; i < m; ++i) rhs[i] -= 2.0 * dot / vv * v[i];
  }
  for (int j = columns - 1; j >= 0; --j) {
    const std::size_t jj = static_cast<std::size_t>(j);
    double sum = rhs[jj];
    for (int k = j + 1; k < columns; ++k) sum -= a[jj][k] * x[static_cast<std::size_t>(k)];
    if (std::fabs(a[jj][j]) < 1e-14 * (1.0 + std::fabs(a[0][0]))) return false;
    x[jj] = sum / a[jj][j];
  }
  return true;
}

}  // namespace

ringing estimate_ringing(const std::vector<double>& samples, double frequency) {
  const std::size_t n = samples.size();
  ringing none{false, 0.0, 0.0};
  if (n < 7) return none;
  // In terms of differences, well conditioned however many planes a cycle
  // spans: v[k+1] - 2 v[k] + v[k-1] = alpha v[k] + beta (v[k] - v[k-1]) + c,
  // so a = 2 + alpha + beta and b = -(1 + beta).
  std::vector<row> a;
  std::vector<double> rhs;
  for (std::size_t k = 2; k + 1 < n; ++k) {
    const double v = samples[k];
    const double before = samples[k - 1];
    a.push_back({v, v - before, 1.0});
    rhs.push_back(samples[k + 1] - 2.0 * v + before);
  }
  row x{};
  if (!least_squares(a, rhs, x)) return none;
  const double alpha = x[0];
  const double beta = x[1];
  // Roots of z^2 - a z - b: complex when -4 alpha - (alpha + beta)^2 > 0.
  const double twice_imaginary2 = -4.0 * alpha - (alpha + beta) * (alpha + beta);
  if (!(twice_imaginary2 > 0.0) || !(1.0 + beta > 0.0)) return none;
  const double theta = std::atan2(std::sqrt(twice_imaginary2), 2.0 + alpha + beta);
  const double planes = static_cast<double>(n);
  return {true, frequency * theta * planes / (2.0 * std::numbers::pi),
          std::pow(1.0 + beta, 0.5 * planes)};
}

}  // namespace pss
