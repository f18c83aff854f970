// Tick labels and axis ranges of the plot.
#include <gtest/gtest.h>

#include "tools/pss_wave/axis.h"
#include "tools/pss_wave/text.h"

namespace pss {
namespace {

TEST(pss_wave_labels, engineering_prefixes) {
  struct row {
    double value;
    const char* unit;
    int digits;
    const char* text;
  };
  const row rows[] = {
      {0.00025, "s", 4, "250 µs"},    {-1.5, "V", 4, "-1.5 V"},
      {0.5, "V", 1, "500 mV"},   // never 5e+02 mV
      {0.99999, "V", 3, "1 V"},  // rounding carries to the next prefix
      {999.95e3, "Hz", 4, "1 MHz"},   {-0.0, "s", 4, "0 s"},
      {2.5e-18, "V", 4, "2.5e-18 V"}, {1.0025, "V", 5, "1.0025 V"},
  };
  for (const row& r : rows) EXPECT_EQ(engineering(r.value, r.unit, r.digits), r.text) << r.value;
}

TEST(pss_wave_labels, axes_cover_the_data_with_round_ticks) {
  struct row {
    double lo, hi;
    bool round_out;
    double axis_lo, axis_hi, step;
    std::vector<std::string> labels;
  };
  const row rows[] = {
      {-0.994, 0.994, true, -1, 1, 0.5, {"-1 V", "-500 mV", "0 V", "500 mV", "1 V"}},
      {0, 2e-3, false, 0, 2e-3, 0.5e-3, {"0 V", "500 µV", "1 mV", "1.5 mV", "2 mV"}},
      {0, 1.7e-3, false, 0, 1.7e-3, 0.5e-3, {"0 V", "500 µV", "1 mV", "1.5 mV"}},
      {1.001,
       1.004,
       true,
       1.001,
       1.004,
       0.0005,
       {"1.001 V", "1.0015 V", "1.002 V", "1.0025 V", "1.003 V", "1.0035 V", "1.004 V"}},
      // A flat waveform: ten per cent either side, or a volt around zero.
      {2, 2, true, 1.8, 2.2, 0.1, {"1.8 V", "1.9 V", "2 V", "2.1 V", "2.2 V"}},
      {0, 0, true, -1, 1, 0.5, {"-1 V", "-500 mV", "0 V", "500 mV", "1 V"}},
  };
  for (const row& r : rows) {
    const axis a = make_axis(r.lo, r.hi, 8, r.round_out);
    EXPECT_NEAR(a.lo, r.axis_lo, 1e-12) << r.lo << " " << r.hi;
    EXPECT_NEAR(a.hi, r.axis_hi, 1e-12) << r.lo << " " << r.hi;
    EXPECT_NEAR(a.step, r.step, 1e-15) << r.lo << " " << r.hi;
    EXPECT_EQ(tick_labels(a, "V"), r.labels) << r.lo << " " << r.hi;
  }
}

}  // namespace
}  // namespace pss
