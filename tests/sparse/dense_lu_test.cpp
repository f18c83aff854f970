// The dense complex LU of the small harmonics, against the system it
// factorised: random matrices, and ones that need their rows exchanged.
#include "sparse/dense_lu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>
#include <vector>

#include "support/dense.h"

namespace pss {
namespace {

using complex = std::complex<double>;

TEST(dense_lu, solves_what_it_factorised) {
  struct shape {
    int32_t size;
    bool zero_diagonal;  // every diagonal value 0: no step can keep its row
  };
  for (const shape& c :
       {shape{1, false}, shape{2, true}, shape{5, false}, shape{10, true}, shape{16, false}}) {
    SCOPED_TRACE(testing::Message() << c.size << (c.zero_diagonal ? ", zero diagonal" : ""));
    const auto n = static_cast<std::size_t>(c.size);
    std::mt19937 gen(static_cast<uint32_t>(c.size));
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<complex> a(n * n);
    for (complex& v : a) v = complex(value(gen), value(gen));
    if (c.zero_diagonal) {
      for (std::size_t i = 0; i < n; ++i) a[i * n + i] = 0.0;
    }
    std::vector<complex> want(n);
    for (complex& v : want) v = complex(value(gen), value(gen));
    std::vector<complex> x = test::dense_times(a, want);
    std::vector<complex> factors = a;
    std::vector<int32_t> pivot(n);
    dense_lu_factor(factors.data(), pivot.data(), c.size);
    dense_lu_solve(factors.data(), pivot.data(), c.size, x.data());
    for (std::size_t i = 0; i < n; ++i) {
      EXPECT_LT(std::abs(x[i] - want[i]), 1e-12) << "x[" << i << "]";
    }
  }
}

// A singular system gives no finite answer, which GMRES then refuses.
TEST(dense_lu, a_singular_system_gives_no_finite_answer) {
  std::vector<complex> a = {1.0, 2.0, 2.0, 4.0};
  std::vector<int32_t> pivot(2);
  dense_lu_factor(a.data(), pivot.data(), 2);
  std::vector<complex> x = {1.0, 1.0};
  dense_lu_solve(a.data(), pivot.data(), 2, x.data());
  EXPECT_FALSE(std::isfinite(x[1].real()) && std::isfinite(x[1].imag()));
}

}  // namespace
}  // namespace pss
