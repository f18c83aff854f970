#include "tools/pss_wave/axis.h"

#include <algorithm>
#include <cmath>

#include "tools/pss_wave/text.h"

namespace pss {

namespace {

// Tick positions are compared with this slack, in steps, so that a range
// end that lies on a tick up to rounding counts as on it.
constexpr double slack = 1e-9;

double round_step(double span, int intervals) {
  const double raw = span / intervals;
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  const double factor = norm <= 1 ? 1 : norm <= 2 ? 2 : norm <= 5 ? 5 : 10;
  return factor * magnitude;
}

// A zero-width range gets ten per cent of its value on each side, or one
// unit when the value is zero.
void open_range(double& lo, double& hi) {
  const double width = std::max(std::fabs(lo), std::fabs(hi));
  if (hi - lo > width * 1e-12 && hi > lo) return;
  const double pad = width > 0 ? 0.1 * width : 1.0;
  lo -= pad;
  hi += pad;
}

}  // namespace

axis make_axis(double lo, double hi, int intervals, bool round_out) {
  open_range(lo, hi);
  axis a{lo, hi, round_step(hi - lo, intervals), {}};
  const double first = std::ceil(lo / a.step - slack);
  const double last = std::floor(hi / a.step + slack);
  if (round_out) {
    a.lo = std::floor(lo / a.step + slack) * a.step;
    a.hi = std::ceil(hi / a.step - slack) * a.step;
  }
  for (double i = round_out ? std::round(a.lo / a.step) : first;
       i <= (round_out ? std::round(a.hi / a.step) : last); ++i) {
    // Multiplying the count keeps 0 exactly 0 and avoids summed rounding.
    a.ticks.push_back(std::clamp(i * a.step, a.lo, a.hi));
  }
  return a;
}

std::vector<std::string> tick_labels(const axis& a, const char* unit) {
  const double largest = std::max(std::fabs(a.lo), std::fabs(a.hi));
  const int digits =
      static_cast<int>(std::floor(std::log10(largest)) - std::floor(std::log10(a.step))) + 1;
  std::vector<std::string> labels;
  for (double t : a.ticks) labels.push_back(engineering(t, unit, std::clamp(digits, 1, 15)));
  return labels;
}

}  // namespace pss
