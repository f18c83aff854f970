// GMRES(m) with right preconditioning: A C⁻¹ u = b, x = C⁻¹ u. The basis is
// orthogonalised by modified Gram-Schmidt and the small least-squares
// problem is kept triangular by Givens rotations, whose last sine gives the
// residual norm without forming it; the true residual is formed at every
// restart and decides the end.
//
// The end is a normwise backward error: ‖b − A x‖ ≤ tol · (‖A‖ ‖x‖ + ‖b‖),
// in the max norm, the measure by which a direct solve is exact to
// rounding. A residual relative to ‖b‖ alone cannot be met when b is itself
// rounding noise, as in the last iteration of a converging Newton solve.
#include "sparse/gmres.h"

#include <algorithm>
#include <cmath>

namespace pss {

namespace {

double largest(const double* x, int32_t n) {
  double s = 0.0;
  for (int32_t i = 0; i < n; ++i) s = std::max(s, std::fabs(x[i]));
  return s;
}

// The max norm of the leading equations, the largest row sum.
double matrix_norm(const matrix* m, int32_t n, double* sums) {
  for (int32_t i = 0; i < n; ++i) sums[i] = std::fabs(m->rows[i].diag);
  for (int32_t i = 0; i < n; ++i) {
    const matrix_row& r = m->rows[i];
    for (int32_t k = 0; k < r.count; ++k) {
      sums[i] += std::fabs(r.entries[k].lower);
      sums[r.entries[k].col] += std::fabs(r.entries[k].upper);
    }
  }
  return largest(sums, n);
}

double norm(const double* x, int32_t n) {
  double s = 0.0;
  for (int32_t i = 0; i < n; ++i) s += x[i] * x[i];
  return std::sqrt(s);
}

}  // namespace

void gmres_create(gmres_space& g, int32_t n, int32_t restart, int32_t limit, double tolerance) {
  g.n = n;
  g.restart = restart;
  g.limit = limit;
  g.tolerance = tolerance;
  const std::size_t un = static_cast<std::size_t>(n);
  const std::size_t m = static_cast<std::size_t>(restart);
  g.basis.reset(new double[(m + 1) * un]);
  g.hessenberg.assign((m + 1) * m, 0.0);
  g.cosines.assign(m, 0.0);
  g.sines.assign(m, 0.0);
  g.rotated.assign(m + 1, 0.0);
  g.coefficients.assign(m, 0.0);
  g.work.assign(un, 0.0);
  g.residual.assign(un, 0.0);
}

void leading_product(const matrix* m, int32_t n, const double* x, double* y) {
  for (int32_t i = 0; i < n; ++i) y[i] = m->rows[i].diag * x[i];
  for (int32_t i = 0; i < n; ++i) {
    const matrix_row& r = m->rows[i];
    double yi = y[i];
    const double xi = x[i];
    for (int32_t k = 0; k < r.count; ++k) {
      const matrix_entry& e = r.entries[k];
      yi += e.lower * x[e.col];
      y[e.col] += e.upper * xi;
    }
    y[i] = yi;
  }
}

bool gmres_solve(gmres_space& g, const matrix* m, circulant_preconditioner& p, double* b) {
  const int32_t n = g.n;
  const std::size_t un = static_cast<std::size_t>(n);
  const int32_t restart = g.restart;
  double* x = g.residual.data();  // the solution so far; b keeps the right side
  const double b_norm = norm(b, n);
  if (b_norm == 0.0) return true;
  double* r = g.work.data();
  const double a_size = matrix_norm(m, n, r);
  const double b_size = largest(b, n);
  // The start is the preconditioner's answer, x = C⁻¹ b: for a linear
  // time-invariant circuit C is the Jacobian itself, and that answer ends
  // the solve with one transform and one product.
  circulant_apply(p, b, x);
  const double goal = g.tolerance * (a_size * largest(x, n) + b_size);
  leading_product(m, n, x, r);
  for (int32_t q = 0; q < n; ++q) r[q] = b[q] - r[q];
  if (!(largest(r, n) > g.tolerance * (a_size * largest(x, n) + b_size))) {
    std::copy(x, x + n, b);
    return true;
  }
  double beta = norm(r, n);
  if (!std::isfinite(beta)) return false;
  int32_t done = 0;
  while (done < g.limit) {
    double* v0 = g.basis.get();
    for (int32_t i = 0; i < n; ++i) v0[i] = r[i] / beta;
    std::fill(g.rotated.begin(), g.rotated.end(), 0.0);
    g.rotated[0] = beta;
    int32_t used = 0;
    for (int32_t j = 0; j < restart && done < g.limit; ++j, ++done) {
      double* vj = &g.basis[static_cast<std::size_t>(j) * un];
      double* w = &g.basis[static_cast<std::size_t>(j + 1) * un];
      circulant_apply(p, vj, r);
      leading_product(m, n, r, w);
      double* h = &g.hessenberg[static_cast<std::size_t>(j) * (restart + 1)];
      for (int32_t i = 0; i <= j; ++i) {
        const double* vi = &g.basis[static_cast<std::size_t>(i) * un];
        double s = 0.0;
        for (int32_t q = 0; q < n; ++q) s += w[q] * vi[q];
        h[i] = s;
        for (int32_t q = 0; q < n; ++q) w[q] -= s * vi[q];
      }
      h[j + 1] = norm(w, n);
      if (h[j + 1] > 0.0) {
        for (int32_t q = 0; q < n; ++q) w[q] /= h[j + 1];
      }
      for (int32_t i = 0; i < j; ++i) {
        const double a = h[i];
        const double c = h[i + 1];
        h[i] = g.cosines[i] * a + g.sines[i] * c;
        h[i + 1] = -g.sines[i] * a + g.cosines[i] * c;
      }
      const double d = std::hypot(h[j], h[j + 1]);
      g.cosines[j] = d == 0.0 ? 1.0 : h[j] / d;
      g.sines[j] = d == 0.0 ? 0.0 : h[j + 1] / d;
      h[j] = d;
      h[j + 1] = 0.0;
      g.rotated[j + 1] = -g.sines[j] * g.rotated[j];
      g.rotated[j] = g.cosines[j] * g.rotated[j];
      used = j + 1;
      if (!(std::fabs(g.rotated[j + 1]) > goal)) {
        ++done;
        break;
      }
    }
    // The coefficients of the basis, from the triangular system.
    for (int32_t i = used - 1; i >= 0; --i) {
      double s = g.rotated[i];
      for (int32_t k = i + 1; k < used; ++k)
        s -= g.hessenberg[static_cast<std::size_t>(k) * (restart + 1) + i] * g.coefficients[k];
      g.coefficients[i] = s / g.hessenberg[static_cast<std::size_t>(i) * (restart + 1) + i];
    }
    std::fill(r, r + n, 0.0);
    for (int32_t i = 0; i < used; ++i) {
      const double* vi = &g.basis[static_cast<std::size_t>(i) * un];
      const double c = g.coefficients[i];
      for (int32_t q = 0; q < n; ++q) r[q] += c * vi[q];
    }
    double* correction = g.basis.get();  // v0 is no longer needed
    circulant_apply(p, r, correction);
    for (int32_t q = 0; q < n; ++q) x[q] += correction[q];
    leading_product(m, n, x, r);
    for (int32_t q = 0; q < n; ++q) r[q] = b[q] - r[q];
    beta = norm(r, n);
    if (!std::isfinite(beta)) break;
    if (!(largest(r, n) > g.tolerance * (a_size * largest(x, n) + b_size))) {
      g.iterations += done;
      std::copy(x, x + n, b);
      return true;
    }
  }
  g.iterations += done;
  return false;
}

}  // namespace pss
