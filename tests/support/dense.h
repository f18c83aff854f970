// Dense linear algebra for reference answers in tests.
#pragma once

#include <complex>
#include <functional>
#include <vector>

namespace pss::test {

// Solves the row-major n×n system a·x = b by Gaussian elimination with
// partial pivoting.
std::vector<double> dense_solve(std::vector<double> a, std::vector<double> b);

// The product of the row-major n×n complex matrix `a` with x.
std::vector<std::complex<double>> dense_times(const std::vector<std::complex<double>>& a,
                                              const std::vector<std::complex<double>>& x);

using residual_function = std::function<std::vector<double>(const std::vector<double>&)>;

// Solves F(x) = 0 from `x` by Newton's method with a central-difference
// Jacobian, to a correction below 1e-13 (or 50 steps).
std::vector<double> newton_reference(const residual_function& f, std::vector<double> x);

}  // namespace pss::test
