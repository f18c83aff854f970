// The sampled spectrum: exact sums of sines come back term by term, and the
// solver's waveforms of a linear network come back as the sources made them.
#include "tools/pss_wave/harmonics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>

#include "tools/pss_wave/formats.h"
#include "wave_jobs.h"

namespace pss {
namespace {

constexpr double pi = std::numbers::pi;

struct term {
  double amplitude;
  double phase_degrees;
};

// N samples of sum over k of A_k sin(2 pi k j / N + phase_k); k = 0 adds A_0.
std::vector<double> samples(int planes, const std::map<int, term>& terms) {
  std::vector<double> x(static_cast<std::size_t>(planes));
  for (int j = 0; j < planes; ++j) {
    for (const auto& [k, t] : terms) {
      x[static_cast<std::size_t>(j)] +=
          k == 0 ? t.amplitude
                 : t.amplitude * std::sin(2 * pi * k * j / planes + t.phase_degrees * pi / 180);
    }
  }
  return x;
}

// Checks every term of the spectrum: the expected ones with their amplitude
// and phase and listed, all others zero to rounding and not listed.
void expect_spectrum(const spectrum& s, int planes, const std::map<int, term>& terms, double thd) {
  ASSERT_EQ(s.terms.size(), static_cast<std::size_t>(planes / 2 + 1));
  const double one = terms.contains(1) ? terms.at(1).amplitude : 1.0;
  for (const harmonic& h : s.terms) {
    const auto expected = terms.find(h.k);
    if (expected == terms.end()) {
      EXPECT_LT(std::fabs(h.amplitude), 1e-9 * one) << "k " << h.k;
      EXPECT_EQ(is_listed(s, h.k), h.k <= 1) << "k " << h.k;
      continue;
    }
    EXPECT_NEAR(h.amplitude, expected->second.amplitude, 1e-12) << "k " << h.k;
    EXPECT_NEAR(h.phase, expected->second.phase_degrees, 1e-9) << "k " << h.k;
    EXPECT_TRUE(is_listed(s, h.k)) << "k " << h.k;
  }
  EXPECT_NEAR(s.thd, thd, 1e-12);
}

TEST(pss_wave_harmonics, sums_of_sines_come_back_term_by_term) {
  struct row {
    int planes;
    std::map<int, term> terms;
    bool has_fundamental;
    double thd;
  };
  const row rows[] = {
      {16, {{1, {1.0, 30}}}, true, 0.0},
      {16, {{0, {0.25, 0}}, {1, {2.0, -90}}, {3, {0.5, 120}}}, true, 0.25},
      // The term at N/2 has no partner: cos(pi j) is a sine at 90 degrees.
      {8, {{1, {1.0, 0}}, {4, {0.3, 90}}}, true, 0.3},
      {15, {{1, {1.0, 180}}, {7, {0.1, -45}}}, true, 0.1},
      // A DC level is signed; without a fundamental there is no THD.
      {4, {{0, {-2.0, 0}}}, false, 0.0},
      {12, {{2, {1.0, 10}}}, false, 0.0},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.planes << " planes, " << r.terms.size() << " terms");
    const spectrum s = sampled_spectrum(samples(r.planes, r.terms));
    EXPECT_EQ(s.has_fundamental, r.has_fundamental);
    expect_spectrum(s, r.planes, r.terms, r.thd);
  }
}

TEST(pss_wave_harmonics, a_sine_driven_network_gives_the_fundamental_alone) {
  const waveforms w = test::load_job(test::driven_job(0), "0.var");
  // in, mid and R3#tap, at their chain positions.
  const double amplitudes[] = {1.0, 0.5, 0.125};
  for (std::size_t position = 1; position <= 3; ++position) {
    SCOPED_TRACE(w.nodes[position].name);
    const spectrum s = sampled_spectrum(w.nodes[position].values[0]);
    const double amplitude = amplitudes[position - 1];
    expect_spectrum(s, 16, {{1, {amplitude, 0}}}, 0.0);
    EXPECT_LT(std::fabs(s.terms[0].amplitude), 1e-9 * amplitude);
  }
}

TEST(pss_wave_harmonics, two_sources_give_two_terms_in_the_report) {
  const test::job_run job = test::driven_job(1e-3);
  const waveforms w = test::load_job(job, "0.var");
  // 0.3 rad of the current source, 500 Ω times 1 mA.
  const term third = {0.5, 0.3 * 180 / pi};
  expect_spectrum(sampled_spectrum(w.nodes[2].values[0]), 16, {{1, {0.5, 0}}, {3, third}}, 1.0);
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {"mid"}, s, error)) << error;
  std::vector<std::string> lines = test::lines_of(harmonics_text(w, s));
  ASSERT_GE(lines.size(), 5u);
  lines.erase(lines.begin(), lines.end() - 5);
  EXPECT_EQ(lines[0], "      k    frequency/Hz     amplitude/V   phase/deg");
  EXPECT_EQ(lines[1].substr(0, 24), "      0    0.000000e+00 ");
  EXPECT_EQ(lines[2], "      1    1.000000e+03    5.000000e-01      0.0000");
  EXPECT_EQ(lines[3], "      3    3.000000e+03    5.000000e-01     17.1887");
  EXPECT_EQ(lines[4], "    THD 1.000000e+00 (100 %)");
}

}  // namespace
}  // namespace pss
