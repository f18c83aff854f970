// Timing of the linear solve on a banded system with a full last row, the
// shape of a time-plane circuit with a free period. Disabled in the normal
// run; start it with
//   pss_tests --gtest_also_run_disabled_tests --gtest_filter='sparse_bench.*'
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>

#include "sparse/solve.h"
#include "sparse/sparse_helpers.h"

namespace pss {
namespace {

TEST(sparse_bench, DISABLED_banded_5000_band_64_full_last_row) {
  constexpr int32_t n = 5000;
  constexpr int32_t band = 64;
  test::pattern p(n);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = i == n - 1 ? 0 : std::max(0, i - band); j < i; ++j) p[i].push_back(j);
  }
  matrix* m = test::make_matrix(p);
  std::mt19937 gen(42);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  for (int32_t i = 0; i < n; ++i) {
    matrix_row& r = m->rows[i];
    r.diag = 2.0 * band + 2.0;
    for (int32_t k = 0; k < r.count; ++k) {
      r.entries[k].upper = value(gen);
      r.entries[k].lower = value(gen);
    }
  }
  m->rows[n - 1].diag = 2.0 * n;
  real_vector* b = vector_create(n);
  constexpr int repeats = 20;
  double best = 1e30;
  double checksum = 0.0;
  for (int rep = 0; rep < repeats; ++rep) {
    for (int32_t i = 0; i < n; ++i) b->values[i] = 1.0 + i % 7;
    const auto start = std::chrono::steady_clock::now();
    matrix_solve(m, b);
    const auto stop = std::chrono::steady_clock::now();
    best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    checksum = b->values[0] + b->values[n - 1];
  }
  std::printf("matrix_solve n=%d band=%d: best of %d %.3f ms (x0 + x[n-1] = %.17g)\n", n, band,
              repeats, best, checksum);

  // The phases alone.
  double expand = 1e30, factor = 1e30, substitute = 1e30;
  for (int rep = 0; rep < repeats; ++rep) {
    for (int32_t i = 0; i < n; ++i) b->values[i] = 1.0 + i % 7;
    const auto t0 = std::chrono::steady_clock::now();
    matrix* e = matrix_expand_full(m);
    const auto t1 = std::chrono::steady_clock::now();
    matrix_factor(e);
    const auto t2 = std::chrono::steady_clock::now();
    matrix_substitute(e, b);
    const auto t3 = std::chrono::steady_clock::now();
    mat_free(e);
    expand = std::min(expand, std::chrono::duration<double, std::milli>(t1 - t0).count());
    factor = std::min(factor, std::chrono::duration<double, std::milli>(t2 - t1).count());
    substitute = std::min(substitute, std::chrono::duration<double, std::milli>(t3 - t2).count());
  }
  std::printf("  expand %.3f ms, factor %.3f ms, substitute %.3f ms\n", expand, factor, substitute);
  EXPECT_TRUE(std::isfinite(checksum));
  vector_free(b);
  mat_free(m);
}

}  // namespace
}  // namespace pss
