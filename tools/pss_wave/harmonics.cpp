#include "tools/pss_wave/harmonics.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace pss {

namespace {

constexpr double relevance = 1e-9;

// X_k = sum over j of x_j exp(-2 pi i j k / N). The angle is reduced with
// integers first, so that high harmonics of long records keep full accuracy.
std::complex<double> dft_bin(const std::vector<double>& x, int k) {
  const auto n = static_cast<long long>(x.size());
  std::complex<double> sum = 0;
  for (long long j = 0; j < n; ++j) {
    const double angle = -2 * std::numbers::pi * static_cast<double>((j * k) % n) / n;
    sum += x[static_cast<std::size_t>(j)] * std::polar(1.0, angle);
  }
  return sum;
}

// A sine of amplitude A and phase p sampled at N planes gives X_k =
// (N/2) A exp(i (p - 90°)) for 0 < k < N/2. The DC bin and the bin at N/2
// have no conjugate partner, so they carry the full amplitude over N.
harmonic term_of(const std::vector<double>& x, int k) {
  const auto n = static_cast<double>(x.size());
  const std::complex<double> bin = dft_bin(x, k);
  if (k == 0) return {0, bin.real() / n, 0.0};
  const bool alone = 2 * k == static_cast<int>(x.size());
  const double amplitude = std::abs(bin) * (alone ? 1.0 : 2.0) / n;
  double phase = std::arg(bin) * 180 / std::numbers::pi + 90;
  if (phase > 180) phase -= 360;
  return {k, amplitude, phase};
}

double largest_amplitude(const spectrum& s) {
  double largest = 0;
  for (const harmonic& h : s.terms) largest = std::max(largest, std::fabs(h.amplitude));
  return largest;
}

}  // namespace

spectrum sampled_spectrum(const std::vector<double>& values) {
  spectrum s{};
  const int last = static_cast<int>(values.size()) / 2;
  for (int k = 0; k <= last && !values.empty(); ++k) s.terms.push_back(term_of(values, k));
  const double a1 = s.terms.size() > 1 ? s.terms[1].amplitude : 0.0;
  s.has_fundamental = a1 > relevance * largest_amplitude(s);
  if (s.has_fundamental) {
    double distortion = 0;
    for (std::size_t k = 2; k < s.terms.size(); ++k) {
      distortion += s.terms[k].amplitude * s.terms[k].amplitude;
    }
    s.thd = std::sqrt(distortion) / a1;
  }
  return s;
}

alternation alternation_of(const std::vector<double>& values) {
  const std::size_t n = values.size();
  if (n < 4 || n % 2 != 0) return {0.0, false};
  double lo = values[0], hi = values[0], largest = 0;
  for (double v : values) {
    lo = std::min(lo, v);
    hi = std::max(hi, v);
    largest = std::max(largest, std::fabs(v));
  }
  const double swing = (hi - lo) / 2;
  if (swing <= 1e-12 * (1 + largest)) return {0.0, false};
  const int half = static_cast<int>(n / 2);
  const double last = std::abs(dft_bin(values, half));
  return {last / static_cast<double>(n) / swing, last > 1.5 * std::abs(dft_bin(values, half - 1))};
}

bool alternation::suspect() const {
  return stands_out && ratio > alternation_limit;
}

bool is_listed(const spectrum& s, int k) {
  if (k <= 1) return true;
  const double reference = s.has_fundamental ? s.terms[1].amplitude : largest_amplitude(s);
  return s.terms[static_cast<std::size_t>(k)].amplitude > relevance * reference;
}

}  // namespace pss
