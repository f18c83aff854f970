// Richardson extrapolation from N and 2N planes, checked against references
// that do not assume the answer: for the example tank, the order measured
// from N, 2N and 4N planes and the extrapolation of the two finer solves
// with that order; for the RC low-pass, the continuous closed form.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <regex>

#include "support/process.h"
#include "tools/pss_run/results.h"
#include "tools/pss_wave/harmonics.h"
#include "tools/pss_wave/waveforms.h"

namespace pss {
namespace {

std::string example(const std::string& path) {
  return std::string(PSS_SOURCE_DIR) + "/examples/" + path;
}

// The extrapolation's report: the output from its first line on.
std::string report_of(const std::string& out) {
  const std::size_t at = out.find("extrapolated from");
  EXPECT_NE(at, std::string::npos) << out;
  return at == std::string::npos ? "" : out.substr(at);
}

// The number after `label` in the report, up to its unit.
double reported(const std::string& out, const std::string& label) {
  const std::string report = report_of(out);
  std::smatch m;
  EXPECT_TRUE(std::regex_search(report, m, std::regex(label + " +([-0-9.e+]+) ")))
      << label << "\n" << report;
  return m.empty() ? 0.0 : std::stod(m[1]);
}

double period_of(const test::temp_dir& dir, const std::string& job, const std::string& state) {
  return load_waveforms(dir.file(job), dir.file(state)).period[0];
}

TEST(pss_run_extrapolation, the_tank_period_beats_the_finer_solve_by_far) {
  test::temp_dir dir;
  // N = 32 from the example's directive; the 4N solve starts at 0.998 Hz,
  // as 0.995 Hz collapses onto the equilibrium on 128 planes.
  const auto run = test::run_process(PSS_RUN_EXE, {example("oscillator/osc.cir"), "--extrapolate", "-q"}, "", dir.path);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto finest = test::run_process(
      PSS_RUN_EXE,
      {example("oscillator/osc.cir"), "-q", "--planes", "128", "--freq", "0.998", "--job", "o4"},
      "", dir.path);
  ASSERT_EQ(finest.status, 0) << finest.err;
  EXPECT_NE(run.out.find("extrapolated from 32 and 64 planes (osc.fineO0.var), assuming errors "
                         "that fall as 1/N^2 (order 2)"),
            std::string::npos)
      << run.out;

  const double t1 = period_of(dir, "osc", "oscO0.var");
  const double t2 = period_of(dir, "osc.fine", "osc.fineO0.var");
  const double t4 = period_of(dir, "o4", "o4O0.var");
  const double order = std::log2((t2 - t1) / (t4 - t2));
  EXPECT_NEAR(order, 2.0, 0.05);
  const double reference = t4 + (t4 - t2) / (std::pow(2.0, order) - 1);

  const double extrapolated = reported(run.out, "\n  period");
  EXPECT_NEAR(extrapolated, richardson(t1, t2, 2), 1e-8);
  EXPECT_LT(std::fabs(extrapolated - reference), std::fabs(t2 - reference) / 30)
      << "T_N " << t1 << ", T_2N " << t2 << ", T_4N " << t4 << ", reference " << reference;
  // The error estimate is the difference from the finer solve, in hertz.
  const double f = reported(run.out, "\n  frequency");
  EXPECT_NEAR(f, 1 / extrapolated, 1e-8);
  EXPECT_NEAR(reported(run.out, "Hz, error estimate"), std::fabs(f - 1 / t2), 1e-6);
}

// The backward-difference capacitor's error falls as 1/N: extrapolated
// with order 1 from 64 and 128 planes, the low-pass at its corner comes
// within a thirtieth of the 128-plane solve's error of 1/sqrt(2) at -45
// degrees.
TEST(pss_run_extrapolation, the_low_pass_approaches_its_continuous_answer) {
  test::temp_dir dir;
  const auto run = test::run_process(
      PSS_RUN_EXE, {example("rc_lowpass/rc.cir"), "--extrapolate", "-q", "--nodes", "out"}, "",
      dir.path);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("assuming errors that fall as 1/N (order 1)"), std::string::npos);
  const std::complex<double> exact = std::polar(1 / std::sqrt(2.0), -std::numbers::pi / 4);
  const spectrum fine =
      sampled_spectrum(load_waveforms(dir.file("rc.fine"), dir.file("rc.fine0.var")).nodes[2].values[0]);
  const std::complex<double> at_2n =
      std::polar(fine.terms[1].amplitude, fine.terms[1].phase * std::numbers::pi / 180);
  std::smatch m;
  const std::string report = report_of(run.out);
  ASSERT_TRUE(std::regex_search(report, m,
                                std::regex("\n  out +[-0-9.]+ V +([0-9.]+) mV +([-0-9.]+) ")))
      << report;
  const std::complex<double> extrapolated =
      std::polar(std::stod(m[1]) * 1e-3, std::stod(m[2]) * std::numbers::pi / 180);
  EXPECT_LT(std::abs(extrapolated - exact), std::abs(at_2n - exact) / 30)
      << extrapolated << " " << at_2n;
}

}  // namespace
}  // namespace pss
