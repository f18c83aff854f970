// Bluestein: with k p = (k² + p² − (k − p)²) / 2 the transform becomes a
// convolution of x[p]·w[p] with conj(w), w[p] = exp(−πi p² / n), which a
// power-of-two transform computes; the inverse transform is the forward
// one of the conjugates, conjugated.
#include "sparse/fft.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pss {

namespace {

bool power_of_two(int32_t n) {
  return n > 0 && (n & (n - 1)) == 0;
}

void radix2(const fft_plan& plan, complex* x, bool inverse) {
  const int32_t size = plan.size;
  for (int32_t i = 0; i < size; ++i) {
    const int32_t j = plan.reversed[static_cast<std::size_t>(i)];
    if (i < j) std::swap(x[i], x[j]);
  }
  for (int32_t half = 1; half < size; half *= 2) {
    const int32_t stride = size / (2 * half);
    for (int32_t start = 0; start < size; start += 2 * half) {
      for (int32_t k = 0; k < half; ++k) {
        complex w = plan.roots[static_cast<std::size_t>(k * stride)];
        if (inverse) w = std::conj(w);
        const complex a = x[start + k];
        const complex b = w * x[start + k + half];
        x[start + k] = a + b;
        x[start + k + half] = a - b;
      }
    }
  }
}

void tables(fft_plan& plan, int32_t size) {
  plan.size = size;
  plan.roots.resize(static_cast<std::size_t>(size / 2 > 0 ? size / 2 : 1));
  for (int32_t k = 0; k < size / 2; ++k) {
    plan.roots[static_cast<std::size_t>(k)] = std::polar(1.0, -2.0 * std::numbers::pi * k / size);
  }
  plan.reversed.resize(static_cast<std::size_t>(size));
  int32_t bits = 0;
  while ((1 << bits) < size) ++bits;
  for (int32_t i = 0; i < size; ++i) {
    int32_t r = 0;
    for (int32_t b = 0; b < bits; ++b) r |= ((i >> b) & 1) << (bits - 1 - b);
    plan.reversed[static_cast<std::size_t>(i)] = r;
  }
}

}  // namespace

void fft_rows(const fft_plan& plan, complex* x, int32_t count, bool inverse) {
  const int32_t size = plan.size;
  const std::size_t width = static_cast<std::size_t>(count);
  for (int32_t i = 0; i < size; ++i) {
    const int32_t j = plan.reversed[static_cast<std::size_t>(i)];
    if (i < j) std::swap_ranges(x + i * width, x + (i + 1) * width, x + j * width);
  }
  // Real and imaginary parts side by side, as std::complex lays them out;
  // the products are written out so that no check for infinities runs per
  // product.
  double* v = reinterpret_cast<double*>(x);
  const std::size_t span = 2 * width;
  for (int32_t half = 1; half < size; half *= 2) {
    const int32_t stride = size / (2 * half);
    for (int32_t start = 0; start < size; start += 2 * half) {
      for (int32_t k = 0; k < half; ++k) {
        const complex w = plan.roots[static_cast<std::size_t>(k * stride)];
        const double wr = w.real();
        const double wi = inverse ? -w.imag() : w.imag();
        double* a = v + static_cast<std::size_t>(start + k) * span;
        double* b = v + static_cast<std::size_t>(start + k + half) * span;
        for (std::size_t q = 0; q < span; q += 2) {
          const double tr = wr * b[q] - wi * b[q + 1];
          const double ti = wr * b[q + 1] + wi * b[q];
          b[q] = a[q] - tr;
          b[q + 1] = a[q + 1] - ti;
          a[q] += tr;
          a[q + 1] += ti;
        }
      }
    }
  }
}

fft_plan fft_plan_create(int32_t n) {
  fft_plan plan;
  plan.n = n;
  if (power_of_two(n)) {
    tables(plan, n);
    return plan;
  }
  int32_t size = 1;
  while (size < 2 * n - 1) size *= 2;
  tables(plan, size);
  plan.chirp.resize(static_cast<std::size_t>(n));
  for (int32_t k = 0; k < n; ++k) {
    // k² mod 2n keeps the angle exact for long transforms.
    const int64_t k2 = (static_cast<int64_t>(k) * k) % (2 * static_cast<int64_t>(n));
    plan.chirp[static_cast<std::size_t>(k)] =
        std::polar(1.0, -std::numbers::pi * static_cast<double>(k2) / n);
  }
  plan.kernel.assign(static_cast<std::size_t>(size), complex(0.0, 0.0));
  plan.kernel[0] = std::conj(plan.chirp[0]);
  for (int32_t k = 1; k < n; ++k) {
    plan.kernel[static_cast<std::size_t>(k)] = plan.kernel[static_cast<std::size_t>(size - k)] =
        std::conj(plan.chirp[static_cast<std::size_t>(k)]);
  }
  radix2(plan, plan.kernel.data(), false);
  plan.scratch.resize(static_cast<std::size_t>(size));
  return plan;
}

void fft(fft_plan& plan, complex* x, bool inverse) {
  if (plan.chirp.empty()) {
    radix2(plan, x, inverse);
    return;
  }
  const int32_t n = plan.n;
  complex* a = plan.scratch.data();
  for (int32_t p = 0; p < n; ++p) {
    const complex v = inverse ? std::conj(x[p]) : x[p];
    a[p] = v * plan.chirp[static_cast<std::size_t>(p)];
  }
  for (int32_t p = n; p < plan.size; ++p) a[p] = complex(0.0, 0.0);
  radix2(plan, a, false);
  for (int32_t p = 0; p < plan.size; ++p) a[p] *= plan.kernel[static_cast<std::size_t>(p)];
  radix2(plan, a, true);
  const double scale = 1.0 / plan.size;
  for (int32_t k = 0; k < n; ++k) {
    const complex v = a[k] * scale * plan.chirp[static_cast<std::size_t>(k)];
    x[k] = inverse ? std::conj(v) : v;
  }
}

}  // namespace pss
