// Axes of a plot: a value range and its tick marks at round steps.
#pragma once

#include <string>
#include <vector>

namespace pss {

struct axis {
  double lo;
  double hi;
  double step;
  std::vector<double> ticks;  // ascending, all within [lo, hi]
};

// An axis over [lo, hi] with ticks every 1, 2 or 5 times a power of ten,
// about `intervals` of them. With `round_out` the ends move out to the
// ticks beyond them, as a value axis wants; without, the range stays as
// given, as a time axis that starts at 0 and ends at a period wants. A
// range of zero width is opened around its value.
axis make_axis(double lo, double hi, int intervals, bool round_out);

// The label of each tick, with engineering prefixes and the unit, in as
// many digits as the step needs.
std::vector<std::string> tick_labels(const axis& a, const char* unit);

}  // namespace pss
