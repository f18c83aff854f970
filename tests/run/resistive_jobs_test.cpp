// Resistive networks solved end to end: with no reactive element every
// plane is an independent DC problem at that plane's source values, so each
// plane must equal a direct solve of the nodal equations.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <regex>

#include "model/codes.h"
#include "support/circuit_plan.h"
#include "support/job.h"

namespace pss {
namespace {

using test::circuit_plan;
using test::element_plan;

constexpr double r1 = 1000, r2 = 2000, r3 = 3000, r4 = 4000;

// g (0), s (1, driven by V1), a (2), b (3). R1 s-a, R2 a-b, R3 b-g, R4 a-g,
// and a current source I1 driving from g into b.
circuit_plan resistive(const std::vector<net_value>& v1, const std::vector<net_value>& i1) {
  circuit_plan plan;
  const int s = plan.fixed(0.0);
  const int a = plan.unknown();
  const int b = plan.unknown();
  plan.add({"V1", conection_type::vsource, s, 0, 0, v1, {s}, {s}, {}});
  plan.resistor("R1", s, a, r1);
  plan.resistor("R2", a, b, r2);
  plan.resistor("R3", b, 0, r3);
  plan.resistor("R4", a, 0, r4);
  plan.add({"I1", conection_type::isource, b, 0, 1, i1, {0}, {0}, {}});
  return plan;
}

// The nodal equations of the network, solved directly.
struct node_voltages {
  double a, b;
};

node_voltages direct_solve(double vs, double current_into_b) {
  // [ 1/r1+1/r2+1/r4   -1/r2      ] [a]   [vs/r1]
  // [ -1/r2            1/r2+1/r3  ] [b] = [I]
  const double g11 = 1 / r1 + 1 / r2 + 1 / r4, g12 = -1 / r2, g22 = 1 / r2 + 1 / r3;
  const double det = g11 * g22 - g12 * g12;
  return {(vs / r1 * g22 - g12 * current_into_b) / det,
          (g11 * current_into_b - g12 * vs / r1) / det};
}

const char* const fixed_period_answers = "1e-12\nn\n1000\ny\ny\n16\n";

void expect_planes(test::loaded_state& state, double (*vs)(double), double (*current)(double)) {
  for (int j = 0; j < 16; ++j) {
    const double t = j / 16.0;
    const node_voltages expected = direct_solve(vs(t), current(t));
    EXPECT_NEAR(state.voltage(1, j), vs(t), 1e-12) << "plane " << j;
    EXPECT_NEAR(state.voltage(2, j), expected.a, 1e-9) << "plane " << j;
    EXPECT_NEAR(state.voltage(3, j), expected.b, 1e-9) << "plane " << j;
  }
}

TEST(resistive_jobs, dc_and_every_plane_equal_the_direct_solve) {
  const auto job =
      test::run_job(resistive({{82, 2.0}}, {{82, 1e-3}}).bytes(), fixed_period_answers);
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  const node_voltages expected = direct_solve(2.0, 1e-3);
  auto dc = test::load_state(job, "DC0.var");
  EXPECT_EQ(dc->c->planes, 1);
  EXPECT_NEAR(dc->voltage(2, 0), expected.a, 1e-9);
  EXPECT_NEAR(dc->voltage(3, 0), expected.b, 1e-9);
  auto pss = test::load_state(job, "0.var");
  EXPECT_DOUBLE_EQ(pss->period(), 1e-3);
  expect_planes(
      *pss, [](double) { return 2.0; }, [](double) { return 1e-3; });
}

TEST(resistive_jobs, a_sine_voltage_source_sets_each_plane) {
  // dc 1 V, 0.5 V at the second harmonic, phase 0.1 of a period.
  const auto job =
      test::run_job(resistive({{82, 1.0}, {81, 0.5}, {83, 0.1}, {80, 2.0}}, {{82, 0.0}}).bytes(),
                    fixed_period_answers);
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  auto pss = test::load_state(job, "0.var");
  expect_planes(
      *pss, [](double t) { return 1.0 + 0.5 * std::sin(2 * std::numbers::pi * (0.1 + 2 * t)); },
      [](double) { return 0.0; });
}

TEST(resistive_jobs, a_sine_current_source_sets_each_plane) {
  // 0.1 mA dc, 1 mA at the second harmonic, phase 0.3 rad.
  const auto job =
      test::run_job(resistive({{82, 0.0}}, {{82, 1e-4}, {81, 1e-3}, {83, 0.3}, {80, 2.0}}).bytes(),
                    fixed_period_answers);
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  auto pss = test::load_state(job, "0.var");
  expect_planes(
      *pss, [](double) { return 0.0; },
      [](double t) { return 1e-4 + 1e-3 * std::sin(0.3 + 2 * std::numbers::pi * 2 * t); });
}

TEST(resistive_jobs, a_windowed_resistor_acts_only_inside_its_window) {
  circuit_plan plan = resistive({{82, 2.0}}, {{82, 0.0}});
  plan.add({"RW",
            conection_type::window_resistor,
            2,
            0,
            1,
            {{84, 0.25}, {85, 0.5}, {100, 500}},
            {2},
            {2},
            {}});
  const auto job = test::run_job(plan.bytes(), "1e-12\nn\n1000\ny\ny\n8\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  const node_voltages without = direct_solve(2.0, 0.0);
  auto dc = test::load_state(job, "DC0.var");
  EXPECT_NEAR(dc->voltage(2, 0), without.a, 1e-9);
  auto pss = test::load_state(job, "0.var");
  for (int j = 0; j < 8; ++j) {
    if (j == 3) {  // time 0.375, the one plane strictly inside (0.25, 0.5)
      EXPECT_LT(pss->voltage(2, j), without.a - 0.1);
    } else {
      EXPECT_NEAR(pss->voltage(2, j), without.a, 1e-9) << "plane " << j;
    }
  }
}

TEST(resistive_jobs, newton_prints_one_line_per_iteration) {
  const auto job =
      test::run_job(resistive({{82, 2.0}}, {{82, 1e-3}}).bytes(), fixed_period_answers);
  int iterations = 0;
  for (const std::string& line : test::lines_of(job.result.out)) {
    if (line.rfind("   iter ", 0) != 0) continue;
    ++iterations;
    EXPECT_TRUE(
        std::regex_match(line, std::regex("   iter [0-9]+, error [0-9]\\.[0-9]{6}e[-+][0-9]{2}")))
        << line;
  }
  EXPECT_GE(iterations, 3);  // the DC solve takes two; the planes start from it
}

TEST(resistive_jobs, scans_number_runs_by_rising_frequency_both_ways) {
  for (const char* range : {"1e6 2e6 4", "2e6 1e6 4"}) {
    const auto job = test::run_job(resistive({{82, 2.0}}, {{82, 0.0}}).bytes(),
                                   std::string("1e-12\ny\n") + range + "\ny\ny\n4\n");
    ASSERT_EQ(job.result.status, 0) << job.result.out;
    for (int run = 0; run <= 4; ++run) {
      auto state = test::load_state(job, std::to_string(run) + ".var");
      EXPECT_DOUBLE_EQ(state->period(), 1.0 / (1e6 + run * 0.25e6)) << range << " run " << run;
    }
    // Solved in the order asked for.
    const std::string first = std::string(range)[0] == '1' ? "\nrun 0, freq 1.000000e+06\n"
                                                           : "\nrun 4, freq 2.000000e+06\n";
    const std::string last = std::string(range)[0] == '1' ? "\nrun 4, freq 2.000000e+06\n"
                                                          : "\nrun 0, freq 1.000000e+06\n";
    EXPECT_LT(job.result.out.find(first), job.result.out.find(last)) << range;
  }
}

TEST(resistive_jobs, a_flat_scan_counts_runs_down) {
  const auto job =
      test::run_job(resistive({{82, 2.0}}, {{82, 0.0}}).bytes(), "1e-12\ny\n5e5 5e5 2\ny\ny\n2\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  const std::size_t run2 = job.result.out.find("\nrun 2, freq 5.000000e+05\n");
  const std::size_t run0 = job.result.out.find("\nrun 0, freq 5.000000e+05\n");
  EXPECT_NE(run2, std::string::npos);
  EXPECT_LT(run2, run0);
}

}  // namespace
}  // namespace pss
