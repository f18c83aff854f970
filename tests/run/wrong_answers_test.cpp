// Regressions of answers that were wrong or meaningless and still ended
// with status 0 (or ran on long after the answer was lost), one test each,
// named after what went wrong.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>

#include "model/codes.h"
#include "support/circuit_plan.h"
#include "support/job.h"
#include "support/net_builder.h"
#include "tools/netlist/netlist.h"

namespace pss {
namespace {

std::vector<uint8_t> compiled(const std::string& netlist) {
  const compiled_netlist c = compile_netlist(netlist);
  EXPECT_TRUE(c.ok) << netlist;
  return write_network(c.network);
}

const char* const rc_netlist =
    "* RC low-pass at its corner\n"
    "V1 in 0 SIN(1)\n"
    "R1 in out 1k\n"
    "C1 out 0 1uF\n";

std::string last_line(const std::string& out) {
  const std::vector<std::string> lines = test::lines_of(out);
  return lines.empty() ? std::string() : lines.back();
}

bool has_iterations(const std::string& out) {
  return out.find("   iter ") != std::string::npos;
}

// -159.15 Hz was solved as if time ran backwards: 0.7253 V at +46 degrees.
TEST(wrong_answers, a_negative_frequency_was_solved_time_reversed) {
  const auto job = test::run_job(compiled(rc_netlist), "1e-9\nn\n-159.15494309189535\ny\ny\n64\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_EQ(last_line(job.result.out),
            "error, answer to \"fundamental frequency?\": the frequency must be above 0, got "
            "-159.15494309189535");
  EXPECT_FALSE(has_iterations(job.result.out)) << "refused before any solve";
  EXPECT_FALSE(test::file_exists(job.file("DC0.var")));
}

// 0 Hz gave "period inf", -nan plane times and an SVG of M-nan paths.
TEST(wrong_answers, a_frequency_of_zero_gave_an_infinite_period_and_nan_plane_times) {
  struct row {
    const char* answers;
    const char* message;
  };
  const row rows[] = {
      {"1e-9\nn\n0\ny\ny\n64\n",
       "error, answer to \"fundamental frequency?\": the frequency must be above 0, got 0"},
      {"1e-9\ny\n0 100 4\ny\ny\n64\n",
       "error, answer to \"starting frequency, final frequency and number of frequency steps?\": "
       "the starting frequency must be above 0, got 0"},
      {"1e-9\ny\n100 -0 4\ny\ny\n64\n",
       "error, answer to \"starting frequency, final frequency and number of frequency steps?\": "
       "the final frequency must be above 0, got -0"},
  };
  for (const row& r : rows) {
    const auto job = test::run_job(compiled(rc_netlist), r.answers);
    EXPECT_EQ(job.result.status, 1);
    EXPECT_EQ(last_line(job.result.out), r.message);
    EXPECT_FALSE(has_iterations(job.result.out));
    EXPECT_EQ(job.result.out.find("inf"), std::string::npos);
  }
}

// SIN(0 1 1000) on 64 planes gave all zeros: harmonic 1000 aliased onto 1000 mod 64.
TEST(wrong_answers, a_harmonic_above_half_the_planes_aliased_silently) {
  const auto job = test::run_job(compiled("V1 in 0 SIN(1 0 1000)\nR1 in out 1k\nC1 out 0 1uF\n"),
                                 "1e-9\nn\n159.15494309189535\ny\ny\n64\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_EQ(last_line(job.result.out),
            "error, source V1 V(1, 0): harmonic 1000 lies above half of 64 time planes and would "
            "alias onto a lower frequency; it needs at least 2001 planes");
  EXPECT_FALSE(test::file_exists(job.file("0.var")));
}

// A solve whose error measure became NaN ran on for all 100 iterations.
TEST(wrong_answers, a_nan_newton_error_ran_on_for_all_100_iterations) {
  test::circuit_plan plan;
  const int s = plan.fixed(0.0);
  const int a = plan.unknown();
  plan.add({"V1", conection_type::vsource, s, 0, 0, {{attr::dc_level, 1.0}}, {s}, {s}, {}});
  plan.resistor("R1", s, a, std::numeric_limits<double>::quiet_NaN());
  plan.resistor("R2", a, 0, 1000.0, 1);
  const auto dc = test::run_job(plan.bytes(), "1e-9\nn\n50\ny\ny\n");
  EXPECT_EQ(dc.result.status, 1);
  const std::vector<std::string> lines = test::lines_of(dc.result.out);
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[lines.size() - 2].rfind("   iter 0, error ", 0), 0u) << dc.result.out;
  EXPECT_NE(lines[lines.size() - 2].find("nan"), std::string::npos) << dc.result.out;
  EXPECT_EQ(lines.back(), "DC not converged");

  // An amplitude whose square overflows makes the error infinite in the
  // periodic run: it ends there too, and the DC file stays.
  const auto run = test::run_job(compiled(rc_netlist), "1e-9\nn\n159\ny\nn\n0\n1e308\n0\n1\n64\n");
  EXPECT_EQ(run.result.status, 1);
  EXPECT_NE(run.result.out.find("   iter 0, error inf\n"
                                "non_converged at f = 1.590000e+02, f_n = 1.590000e+02, f_y = "
                                "0.000000e+00\n"),
            std::string::npos)
      << run.result.out;
  EXPECT_EQ(run.result.out.find("   iter 1,"), std::string::npos);
  EXPECT_TRUE(test::file_exists(run.file("DC0.var")));
  EXPECT_FALSE(test::file_exists(run.file("0.var")));
}

#ifdef PSS_WAVE_EXE
// pss-wave showed a state file of another circuit of the same shape under
// this network's names, without a word.
TEST(wrong_answers, a_state_file_of_another_circuit_was_shown_under_this_networks_names) {
  auto job = test::run_job(compiled(rc_netlist), "1e-9\nn\n159.15494309189535\ny\ny\n64\n");
  ASSERT_EQ(job.result.status, 0);
  // The same shape, driven at 2 V.
  test::write_bytes(job.dir->file("other.net"),
                    compiled("V1 in 0 SIN(2)\nR1 in out 1k\nC1 out 0 1uF\n"));
  std::ofstream(job.dir->file("other.names")) << "node 0 0\nnode 1 in\nnode 2 out\n";
  const auto shown = test::run_process(PSS_WAVE_EXE, {"other", "job0.var"}, "", job.dir->path);
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.err,
            "pss-wave: warning: node in holds 0.0980171 V in plane 1 of job0.var, but its source "
            "V1 gives 0.196034 V (a state of another circuit, or sources changed in the "
            "dialogue)\n");
  // Its own network gives no warning.
  const auto own = test::run_process(PSS_WAVE_EXE, {"job", "job0.var"}, "", job.dir->path);
  EXPECT_EQ(own.status, 0);
  EXPECT_EQ(own.err, "");
}
#endif

// An accuracy of 0 or below ran 100 iterations before "DC not converged".
TEST(wrong_answers, an_accuracy_of_zero_or_below_ran_100_iterations) {
  for (const char* accuracy : {"0", "-1e-9", "-0"}) {
    const auto job =
        test::run_job(compiled(rc_netlist), std::string(accuracy) + "\nn\n159\ny\ny\n64\n");
    EXPECT_EQ(job.result.status, 1);
    EXPECT_EQ(job.result.out,
              "convergence accuracy?\nerror, answer to \"convergence accuracy?\": the accuracy "
              "must be above 0, got " +
                  std::string(accuracy) + "\n");
  }
}

// 10^9 planes ate memory for 9 s until "error: out of memory".
TEST(wrong_answers, a_billion_planes_ate_memory_until_out_of_memory) {
  const auto start = std::chrono::steady_clock::now();
  const auto job = test::run_job(compiled(rc_netlist), "1e-9\nn\n159\ny\ny\n1000000000\n");
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(job.result.status, 1);
  const std::string last = last_line(job.result.out);
  EXPECT_EQ(
      last.rfind("error, expand_time_planes: 1000000000 time planes of 3 nodes need about ", 0), 0u)
      << last;
  EXPECT_NE(last.find("iB of memory, more than the "), std::string::npos) << last;
  EXPECT_LT(seconds, 2.0);
}

}  // namespace
}  // namespace pss
