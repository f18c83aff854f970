// The band LU of the harmonics of ladder-like circuits, against the system
// it factorised: bands of every shape, ones whose rows must be exchanged
// (which widens U), and a singular one.
#include "sparse/band_lu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "support/dense.h"

namespace pss {
namespace {

using complex = std::complex<double>;

// A random n × n matrix within the band of s, dense row by row; a weak
// diagonal makes partial pivoting exchange rows.
std::vector<complex> random_band(const band_shape& s, bool weak_diagonal, uint32_t seed) {
  const auto n = static_cast<std::size_t>(s.n);
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::vector<complex> a(n * n);
  for (int32_t i = 0; i < s.n; ++i) {
    for (int32_t j = std::max(0, i - s.lower); j <= std::min(s.n - 1, i + s.upper); ++j) {
      a[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)] =
          complex(value(gen), value(gen)) * (i == j ? (weak_diagonal ? 1e-3 : 4.0) : 1.0);
    }
  }
  return a;
}

std::vector<complex> band_storage(const band_shape& s, const std::vector<complex>& dense) {
  const auto n = static_cast<std::size_t>(s.n);
  std::vector<complex> band(s.size());
  for (int32_t i = 0; i < s.n; ++i) {
    for (int32_t j = std::max(0, i - s.lower); j <= std::min(s.n - 1, i + s.upper); ++j) {
      band[s.at(i, j)] = dense[static_cast<std::size_t>(i) * n + static_cast<std::size_t>(j)];
    }
  }
  return band;
}

TEST(band_lu, solves_what_it_factorised) {
  struct shape {
    int32_t n, lower, upper;
    bool weak_diagonal;
  };
  const shape shapes[] = {
      {1, 0, 0, false}, {6, 0, 0, false},  {6, 1, 1, false},  {6, 1, 1, true},
      {9, 2, 1, true},  {9, 1, 3, true},   {12, 0, 2, false}, {12, 2, 0, true},
      {30, 4, 4, true}, {30, 3, 5, false}, {4, 3, 3, true},
  };
  for (const shape& c : shapes) {
    SCOPED_TRACE(testing::Message() << c.n << " unknowns, band " << c.lower << " + " << c.upper
                                    << (c.weak_diagonal ? ", weak diagonal" : ""));
    const band_shape s{c.n, c.lower, c.upper};
    const std::vector<complex> a =
        random_band(s, c.weak_diagonal, static_cast<uint32_t>(c.n * 7 + c.lower));
    std::vector<complex> factors = band_storage(s, a);
    std::vector<int32_t> pivot(static_cast<std::size_t>(c.n));
    band_lu_factor(s, factors.data(), pivot.data());
    std::vector<complex> x(static_cast<std::size_t>(c.n));
    for (int32_t i = 0; i < c.n; ++i)
      x[static_cast<std::size_t>(i)] = complex(std::cos(i), 0.5 * i);
    const std::vector<complex> b = test::dense_times(a, x);
    std::vector<complex> solved = b;
    band_lu_solve(s, factors.data(), pivot.data(), solved.data());
    // Backward error: what the solution gives back against what it solved,
    // which partial pivoting keeps at rounding size even where a weak
    // diagonal leaves the system too ill-conditioned for x to come back.
    const std::vector<complex> back = test::dense_times(a, solved);
    double largest_a = 0.0, largest_x = 0.0;
    for (const complex& v : a) largest_a = std::max(largest_a, std::abs(v));
    for (const complex& v : solved) largest_x = std::max(largest_x, std::abs(v));
    for (int32_t i = 0; i < c.n; ++i) {
      const auto at = static_cast<std::size_t>(i);
      EXPECT_LT(std::abs(back[at] - b[at]), 1e-14 * c.n * largest_a * largest_x) << "row " << i;
    }
    if (!c.weak_diagonal) {
      for (int32_t i = 0; i < c.n; ++i) {
        const auto at = static_cast<std::size_t>(i);
        EXPECT_LT(std::abs(solved[at] - x[at]), 1e-12 * (1.0 + std::abs(x[at])))
            << "x[" << i << "]";
      }
    }
    if (c.weak_diagonal && c.lower > 0) {
      bool exchanged = false;
      for (int32_t j = 0; j < c.n; ++j) exchanged |= pivot[static_cast<std::size_t>(j)] != j;
      EXPECT_TRUE(exchanged) << "the case meant to exchange rows did not";
    }
  }
}

TEST(band_lu, a_singular_band_gives_no_finite_solution) {
  const band_shape s{5, 1, 1};
  std::vector<complex> a = random_band(s, false, 3);
  for (int32_t i = 0; i < s.n; ++i) a[static_cast<std::size_t>(i) * 5 + 2] = 0.0;  // column 2 empty
  std::vector<complex> factors = band_storage(s, a);
  std::vector<int32_t> pivot(5);
  band_lu_factor(s, factors.data(), pivot.data());
  std::vector<complex> x(5, complex(1.0, 0.0));
  band_lu_solve(s, factors.data(), pivot.data(), x.data());
  bool finite = true;
  for (const complex& v : x) finite &= std::isfinite(v.real()) && std::isfinite(v.imag());
  EXPECT_FALSE(finite);
}

}  // namespace
}  // namespace pss
