#include "run/natural_cycle.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "model/codes.h"
#include "model/lookups.h"
#include "run/solve.h"

namespace pss {

namespace {

// Relative size of an AC part below which the tank is at rest.
constexpr double collapse_level = 1e-6;

// The alternation between even and odd planes (DFT bin N/2), relative to
// the fundamental, above which a cycle is refused. A central-difference
// capacitor admits that alternation as a mode of its own; a cycle that the
// planes resolve holds almost none (well below 1e-3 on the example tank).
constexpr double alternation_level = 1e-2;

// Whether the tank voltage alternates between even and odd planes: bin N/2
// large beside the fundamental and standing out above bin N/2 - 1, as no
// sampled edge makes it.
bool alternates(const std::vector<double>& v, double fundamental) {
  const std::size_t n = v.size();
  if (n < 4 || n % 2 != 0) return false;
  const double last = harmonic_amplitude(v, n / 2);
  return last > alternation_level * fundamental && last > 1.5 * harmonic_amplitude(v, n / 2 - 1);
}

bool all_voltages_finite(circuit* c) {
  for (node* n : each(c->nodes)) {
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d : each(g->dvars)) {
        if (!std::isfinite(d->value)) return false;
      }
    }
  }
  return true;
}

}  // namespace

std::vector<double> tank_samples(circuit* c, int slot) {
  std::vector<double> samples;
  node* n = c->nodelists->nodes->next->node;
  for (int j = 0; j < c->planes; ++j, n = n->next_plane) {
    samples.push_back(nth_dvar(find_dvar_group(n->dvar_groups, group_id::voltage), slot)->value);
  }
  return samples;
}

namespace {

// exp(-2πi m / n) for m < n: the roots every harmonic's sum takes, each
// computed as the sum for one harmonic alone would compute it.
std::vector<std::complex<double>> roots_of_unity(std::size_t n) {
  std::vector<std::complex<double>> roots(n);
  for (std::size_t m = 0; m < n; ++m) {
    roots[m] =
        std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(m) / static_cast<double>(n));
  }
  return roots;
}

// Harmonic k's amplitude with the roots at hand: the check of a cycle looks
// at every harmonic, and a sine and cosine per sample and harmonic made it
// grow with the square of the planes at a high price per term.
double amplitude_with(const std::vector<double>& samples, std::size_t k,
                      const std::vector<std::complex<double>>& roots) {
  const std::size_t n = samples.size();
  std::complex<double> sum = 0.0;
  for (std::size_t j = 0; j < n; ++j) sum += samples[j] * roots[k * j % n];
  const double scale = (k == 0 || 2 * k == n) ? 1.0 : 2.0;
  return scale * std::abs(sum) / static_cast<double>(n);
}

}  // namespace

double harmonic_amplitude(const std::vector<double>& samples, std::size_t k) {
  return amplitude_with(samples, k, roots_of_unity(samples.size()));
}

cycle_report check_natural_cycle(circuit* c, double start_frequency) {
  cycle_report r{false, nullptr, 0.0, 0.0, 0.0, 0};
  const double period = period_dvar(c)->value;
  if (!(std::isfinite(period) && period > 0.0)) {
    r.problem = "its period is not finite and positive";
    return r;
  }
  r.frequency = 1.0 / period;
  if (!all_voltages_finite(c)) {
    r.problem = "a voltage is not finite";
    return r;
  }
  const std::vector<double> v = tank_samples(c, 0);
  double mean = 0.0;
  for (double x : v) mean += x;
  mean /= static_cast<double>(v.size());
  double swing = 0.0;
  for (double x : v) swing = std::max(swing, std::fabs(x - mean));
  r.dc_level = mean;
  const std::vector<std::complex<double>> roots = roots_of_unity(v.size());
  r.amplitude = v.size() > 1 ? amplitude_with(v, 1, roots) : 0.0;
  double strongest = 0.0;
  for (std::size_t k = 1; 2 * k <= v.size(); ++k) {
    const double a = amplitude_with(v, k, roots);
    if (a > strongest) {
      strongest = a;
      r.strongest = static_cast<int>(k);
    }
  }
  if (swing < collapse_level * (1.0 + std::fabs(mean))) {
    r.problem = "the oscillation collapsed to the equilibrium";
  } else if (r.frequency < 0.5 * start_frequency || r.frequency > 2.0 * start_frequency) {
    r.problem = "its frequency lies outside half to twice the start";
  } else if (r.strongest != 1) {
    r.problem = "its largest component is not the fundamental";
  } else if (alternates(v, r.amplitude)) {
    r.problem = "it alternates between even and odd planes";
  } else {
    r.natural = true;
  }
  return r;
}

}  // namespace pss
