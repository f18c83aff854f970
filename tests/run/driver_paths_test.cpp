// The analysis driver's paths: saved states, twinning, the console
// transcript and the refusals before any solve.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>

#include "model/codes.h"
#include "support/circuit_plan.h"
#include "support/job.h"
#include "support/net_builder.h"

namespace pss {
namespace {

using test::circuit_plan;

constexpr double r1 = 1000, r2 = 3000;

// g (0), s (1, driven by V1 = 1 + 0.5 sin), a (2), b (3, twin of a).
// R1 s-a, R2 b-g: where a and b share their voltage they form a divider.
circuit_plan twin_divider() {
  circuit_plan plan;
  const int s = plan.fixed(0.0);
  const int a = plan.unknown();
  const int b = plan.twin_of(a);
  plan.add({"V1", conection_type::vsource, s, 0, 0, {{82, 1.0}, {81, 0.5}}, {s}, {s}, {}});
  plan.resistor("R1", s, a, r1);
  plan.resistor("R2", b, 0, r2);
  return plan;
}

double source(int plane, int planes) {
  return 1.0 + 0.5 * std::sin(2 * std::numbers::pi * plane / planes);
}

TEST(driver_paths, twinning_options_share_the_planes_they_name) {
  // For each option: the plane of a whose voltage b shares in plane j, or -1
  // where b has its own voltage (then b = 0 and a = the source).
  struct row {
    int option;
    std::vector<int> shared;
  };
  const row rows[] = {
      {0, {-1, -1, -1, -1}},
      {1, {0, -1, -1, -1}},
      {2, {0, -1, 2, -1}},
      {3, {2, 3, 0, 1}},
  };
  for (const row& r : rows) {
    const auto job = test::run_job(twin_divider().bytes(),
                                   "1e-12\nn\n50\ny\ny\n4\n" + std::to_string(r.option) + "\n");
    ASSERT_EQ(job.result.status, 0) << job.result.out;
    auto state = test::load_state(job, "0.var");
    for (int j = 0; j < 4; ++j) {
      const int k = r.shared[static_cast<std::size_t>(j)];
      if (k < 0) {
        EXPECT_NEAR(state->voltage(3, j), 0.0, 1e-12) << "option " << r.option << " plane " << j;
      } else {
        const double divided = source(k, 4) * r2 / (r1 + r2);
        EXPECT_NEAR(state->voltage(3, j), divided, 1e-9) << "option " << r.option << " plane " << j;
        EXPECT_NEAR(state->voltage(2, k), divided, 1e-9) << "option " << r.option << " plane " << j;
      }
    }
  }
}

TEST(driver_paths, the_console_transcript_of_a_fixed_period_job) {
  const auto job = test::run_job(twin_divider().bytes(), "1e-9\nn\n50\ny\ny\n4\n1\n");
  ASSERT_EQ(job.result.status, 0);
  const std::vector<std::string> expected =
      test::lines_of(test::data_text("golden/twin_divider_fixed_period.out"));
  const std::vector<std::string> actual = test::lines_of(job.result.out);
  for (std::size_t i = 0; i < std::max(expected.size(), actual.size()); ++i) {
    const std::string want = i < expected.size() ? expected[i] : "(end of output)";
    const std::string got = i < actual.size() ? actual[i] : "(end of output)";
    ASSERT_EQ(got, want) << "first difference at line " << i + 1;
  }
}

struct saved_state_job : ::testing::Test {
  test::job_run job;

  void SetUp() override {
    // A scan writes job0.var .. job2.var at 1, 1.5 and 2 kHz on 4 planes.
    job = test::run_job(twin_divider().bytes(), "1e-12\ny\n1000 2000 2\ny\ny\n4\n1\n");
    ASSERT_EQ(job.result.status, 0) << job.result.out;
    std::filesystem::copy_file(job.file("2.var"), job.file("S.var"));
  }
};

TEST_F(saved_state_job, restarts_on_the_saved_planes_without_a_dc_solution) {
  test::rerun(job, "1e-12\nn\n3000\ny\ny\n1\n1\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  const std::string& out = job.result.out;
  EXPECT_NE(out.find("starting from a saved state\nsolving with 4 time planes\n"),
            std::string::npos);
  EXPECT_EQ(out.find("performing DC solution"), std::string::npos);
  EXPECT_EQ(out.find("number of time planes required?"), std::string::npos);
  EXPECT_NE(out.find("\nrun 0, freq 3.000000e+03\n"), std::string::npos);
  auto state = test::load_state(job, "0.var");
  EXPECT_DOUBLE_EQ(state->period(), 1.0 / 3000);
}

TEST_F(saved_state_job, with_neither_scan_nor_fixed_period_goes_straight_to_the_double_pss) {
  test::rerun(job, "1e-12\nn\n3000\nn\ny\n1\n1\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_EQ(job.result.out.find("\nrun "), std::string::npos);
  EXPECT_NE(job.result.out.find("performing independent double PSS solution\n"), std::string::npos);
}

TEST_F(saved_state_job, an_answer_other_than_y_or_n_to_scan_asks_one_frequency) {
  test::rerun(job, "1e-12\nx\n3000\nn\ny\n1\n1\n");
  EXPECT_NE(job.result.out.find("fundamental frequency?\n"), std::string::npos);
  EXPECT_NE(job.result.out.find("\nrun 0, freq 3.000000e+03\n"), std::string::npos);
}

TEST_F(saved_state_job, refuses_a_dvars_answer_other_than_one_or_two) {
  test::rerun(job, "1e-12\nn\n3000\ny\ny\n1\n3\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_NE(job.result.out.find("\n3 dvars not allowed!\n"), std::string::npos);
}

TEST(driver_paths, refuses_impossible_answers_before_solving) {
  struct row {
    const char* answers;
    const char* message;
  };
  const row rows[] = {
      {"1e-12\nn\n50\ny\ny\n0\n",
       "error, answer to \"number of time planes required?\": at least 1 plane is needed, got 0\n"},
      {"1e-12\ny\n1 2 -1\n",
       "error, answer to \"starting frequency, final frequency and number of frequency steps?\": "
       "the number of steps must not be negative\n"},
      {"1e-12\ny\n1 2 2.5\n",
       "error, answer to \"starting frequency, final frequency and number of frequency steps?\" "
       "is not an integer: \"2.5\"\n"},
      {"1e-12\nn\n", "error, no answer to \"fundamental frequency?\" (end of input)\n"},
  };
  for (const row& r : rows) {
    const auto job = test::run_job(twin_divider().bytes(), r.answers);
    EXPECT_EQ(job.result.status, 1) << r.answers;
    const std::string& out = job.result.out;
    EXPECT_EQ(out.substr(out.size() - std::min(out.size(), std::strlen(r.message))), r.message)
        << out;
  }
}

TEST(driver_paths, refuses_a_circuit_without_unknowns) {
  circuit_plan plan;
  const int s = plan.fixed(0.0);
  plan.add({"V1", conection_type::vsource, s, 0, 0, {{82, 1.0}}, {s}, {s}, {}});
  plan.resistor("R1", s, 0, 10.0, 1);
  const auto job = test::run_job(plan.bytes(), "1e-12\nn\n50\ny\ny\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_NE(job.result.out.find("error, run_analysis: the circuit has no unknowns to solve for\n"),
            std::string::npos);
}

// An accuracy of 0 can never be met, so it is refused before the DC solve
// rather than after 100 iterations.
TEST(driver_paths, an_accuracy_of_zero_is_never_met) {
  const auto job = test::run_job(twin_divider().bytes(), "0\nn\n50\ny\ny\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_EQ(job.result.out,
            "convergence accuracy?\n"
            "error, answer to \"convergence accuracy?\": the accuracy must be above 0, got 0\n");
  EXPECT_FALSE(test::file_exists(job.file("DC0.var")));
}

}  // namespace
}  // namespace pss
