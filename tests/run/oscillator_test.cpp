// The LC oscillator with a saturating negative resistor, run through the
// double PSS to natural oscillation: the period must be the tank's discrete
// natural period on N planes and the amplitude the describing-function one.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "support/job.h"
#include "support/net_builder.h"

namespace pss {
namespace {

constexpr int g = 0, s = 1, o = 2;
constexpr double pi = std::numbers::pi;

std::string answers(int planes, const std::string& dvdf = "n\n0.0\n") {
  return "1e-9\nn\n0.995\nn\ny\n" + std::to_string(planes) + "\n" + dvdf;
}

// The tank's natural period on N planes of CAP1 and explicit-inductor
// differences (f0 = 1 Hz).
double discrete_period(int planes) {
  return planes / pi * std::sin(pi / planes);
}

// |DFT bin k| of node o's slot-0 plane values, as a sine amplitude (k > 0)
// or the alternating component (k = N/2).
double bin(test::loaded_state& state, int planes, int k) {
  std::complex<double> sum = 0;
  for (int j = 0; j < planes; ++j) {
    sum += state.voltage(o, j) * std::polar(1.0, -2 * pi * k * j / planes);
  }
  return std::abs(sum) * (2 * k == planes ? 1.0 : 2.0) / planes;
}

test::job_run oscillator_job(int planes, const std::string& dvdf = "n\n0.0\n") {
  return test::run_job(test::net_bytes(test::data_text("oscillator.txt")), answers(planes, dvdf));
}

TEST(oscillator, oscillates_at_the_discrete_natural_period) {
  for (int planes : {16, 32, 64}) {
    const auto job = oscillator_job(planes);
    ASSERT_EQ(job.result.status, 0) << job.result.out;
    EXPECT_EQ(job.result.out.find("collapsed"), std::string::npos);
    auto state = test::load_state(job, "O0.var");
    EXPECT_NEAR(state->period() / discrete_period(planes), 1.0, 1e-4) << planes << " planes";
    EXPECT_NEAR(bin(*state, planes, 1) / 0.994, 1.0, 0.02) << planes << " planes";
    EXPECT_LT(bin(*state, planes, planes / 2), 1e-3) << planes << " planes";
    // The injection node carries the tank's plane-0 voltage in both slots.
    EXPECT_NEAR(state->voltage(s, 0, 0), state->voltage(o, 0, 0), 1e-9);
    EXPECT_NEAR(state->voltage(s, 0, 1), state->voltage(o, 0, 0), 1e-9);
    // The period is the last unknown; the file keeps its equation number.
    EXPECT_GT(state->period_number(), 0);
  }
}

TEST(oscillator, writes_the_double_pss_and_a_file_per_dvdf_value) {
  const auto job = oscillator_job(32, "y\n0.0 -0.02 2\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  auto dp = test::load_state(job, "DP.var");
  EXPECT_EQ(dp->period_number(), -2);  // written before the period was freed
  EXPECT_DOUBLE_EQ(dp->period(), 1 / 0.995);
  double first_period = 0;
  for (int run = 0; run <= 2; ++run) {
    auto state = test::load_state(job, "O" + std::to_string(run) + ".var");
    if (run == 0) first_period = state->period();
    // A dV/df scan moves the injection phase, not the natural period.
    EXPECT_NEAR(state->period() / first_period, 1.0, 1e-6) << "run " << run;
  }
  EXPECT_NE(job.result.out.find("\nrun 1, dvdf -1.000000e-02\n"), std::string::npos);
  EXPECT_NE(job.result.out.find("\nrun 2, dvdf -2.000000e-02\n"), std::string::npos);
}

TEST(oscillator, a_negative_dvdf_step_count_ends_without_a_run) {
  const auto job = oscillator_job(16, "y\n0 1 -1\n");
  EXPECT_EQ(job.result.status, 0) << job.result.out;
  EXPECT_TRUE(test::file_exists(job.file("DP.var")));
  EXPECT_FALSE(test::file_exists(job.file("O0.var")));
}

}  // namespace
}  // namespace pss
