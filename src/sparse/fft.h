// The discrete Fourier transform over the time planes, of any length:
// radix 2 when the length is a power of two, otherwise Bluestein's chirp
// transform on a power-of-two length of at least 2N - 1. A plan holds every
// table and scratch buffer, so a transform allocates nothing.
#pragma once

#include <complex>
#include <cstdint>
#include <vector>

namespace pss {

using complex = std::complex<double>;

struct fft_plan {
  int32_t n = 0;
  int32_t size = 0;               // the power-of-two length transformed
  std::vector<complex> roots;     // exp(-2πi k / size), k < size / 2
  std::vector<int32_t> reversed;  // bit reversal of size
  // Bluestein only (n not a power of two):
  std::vector<complex> chirp;   // exp(-πi k² / n), k < n
  std::vector<complex> kernel;  // transform of the conjugate chirp, wrapped
  std::vector<complex> scratch;
};

fft_plan fft_plan_create(int32_t n);

// x[k] = Σ_p x[p] exp(∓2πi k p / n): forward (-) or inverse (+, without the
// 1/n), in place, on n values.
void fft(fft_plan& plan, complex* x, bool inverse);

// The same transform of `count` sequences at once, stored row by row: value
// p of sequence j at x[p · count + j]. Every butterfly then runs along a row
// with one root, which makes many short sequences about as cheap as one long
// one. The plan's length must be a power of two.
void fft_rows(const fft_plan& plan, complex* x, int32_t count, bool inverse);

}  // namespace pss
