// The harmonic content of one waveform, from the discrete Fourier transform
// of its N plane values. This is the sampled spectrum: a harmonic above N/2
// of the true waveform folds onto a lower one, and the plane values carry
// no more than N/2 harmonics.
#pragma once

#include <vector>

namespace pss {

// One term of v(t) = A0 + sum over k of Ak sin(2 pi k t / T + phase_k).
struct harmonic {
  int k;
  double amplitude;  // volts; the DC term (k = 0) is the signed mean
  double phase;      // degrees in (-180, 180], against a sine; 0 for DC
};

struct spectrum {
  std::vector<harmonic> terms;  // k = 0 .. N/2
  bool has_fundamental;         // A1 above 1e-9 of the largest term
  double thd;                   // sqrt(sum of Ak^2, k >= 2) / A1, or 0 without a fundamental
};

// The spectrum of the plane values `values` (one period, planes equally
// spaced from time 0).
spectrum sampled_spectrum(const std::vector<double>& values);

// The alternation between even and odd planes, the DFT bin N/2 of an even
// plane count. A waveform that the planes resolve hardly has one, but the
// central-difference capacitor admits it as a mode of its own, which no
// physics asks for.
struct alternation {
  double ratio;     // bin N/2 over the AC amplitude (half the peak-to-peak swing)
  bool stands_out;  // bin N/2 above 1.5 times bin N/2 - 1, as no sampled edge makes it
  bool suspect() const;
};

// 0 and not standing out for an odd plane count, fewer than 4 planes or a
// flat waveform.
alternation alternation_of(const std::vector<double>& values);

// The ratio above which a waveform whose bin N/2 stands out is suspected of
// that mode. A sharp edge or a spike sampled on the planes reaches bin N/2
// too, but no more than its neighbours.
constexpr double alternation_limit = 2e-3;

// Whether term k is worth listing: the DC term and the fundamental always,
// any other only above 1e-9 of the fundamental (or of the largest term when
// there is no fundamental).
bool is_listed(const spectrum& s, int k);

}  // namespace pss
