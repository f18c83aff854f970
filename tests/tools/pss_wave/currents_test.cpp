// Branch currents: the signs SPICE gives them, Kirchhoff's law at a node,
// the closed forms of the RC low-pass and of the RLC circuit at resonance,
// and every output that shows them.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "support/process.h"
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/harmonics.h"
#include "wave_jobs.h"

namespace pss {
namespace {

constexpr double pi = std::numbers::pi;

const wave_node& trace(const waveforms& w, const std::string& name) {
  for (const wave_node& n : w.currents) {
    if (n.name == name) return n;
  }
  for (const wave_node& n : w.nodes) {
    if (n.name == name) return n;
  }
  ADD_FAILURE() << "no trace " << name;
  return w.nodes.front();
}

// The fundamental of a trace as a phasor against a sine.
std::complex<double> fundamental(const wave_node& n) {
  const spectrum s = sampled_spectrum(n.values[0]);
  return std::polar(s.terms[1].amplitude, s.terms[1].phase * pi / 180);
}

// Constant circuits whose currents are known by hand: each element's
// current flows from its first node through it to its second.
TEST(pss_wave_currents, take_the_signs_spice_gives_them) {
  struct row {
    const char* netlist;
    const char* element;
    double amperes;
  };
  const row rows[] = {
      {"V1 a 0 1\nR1 a b 500\nR2 b 0 500\n", "R1", 1e-3},
      {"V1 a 0 1\nR1 a b 500\nR2 b 0 500\n", "V1", -1e-3},  // delivering power
      {"V1 a 0 1\nR1 b a 500\nR2 b 0 500\n", "R1", -1e-3},
      {"V1 0 a 1\nR1 a b 500\nR2 b 0 500\n", "R1", -1e-3},  // a at -1 V
      {"V1 0 a 1\nR1 a b 500\nR2 b 0 500\n", "V1", -1e-3},
      {"I1 a 0 1m\nR1 a 0 1k\n", "I1", 1e-3},
      {"I1 a 0 1m\nR1 a 0 1k\n", "R1", -1e-3},  // I1 draws its current out of a
      // The inductor's 1e-4 ohm sense resistor is in series with R1.
      {"V1 a 0 2\nL1 a b 1m\nR1 b 0 1k\n", "L1", 2 / 1000.0001},
      {"V1 a 0 2\nL1 a b 1m\nR1 b 0 1k\n", "L1#rs", 2 / 1000.0001},
      {"V1 a 0 2\nL1 b a 1m\nR1 b 0 1k\n", "L1", -2 / 1000.0001},
      {"V1 a 0 2\nR1 a b 1k\nC1 b 0 1u LEAK=1k\n", "C1", 1e-3},
      {"V1 a 0 2\nR1 a b 1k\nD1 b 0 1e-14\n", "R1", 0},  // checked against D1 below
      // 2 kA holds the junction at 1.03 V, further forward than a first
      // Newton step is taken as it stands: read back, it is the law's.
      {"I1 0 b 2k\nD1 b 0 1e-14\n", "D1", 2000},
  };
  for (const row& r : rows) {
    const test::job_run job = test::netlist_job(r.netlist, "1e-12\nn\n1000\ny\ny\n8\n");
    const waveforms w = test::load_job(job, "0.var", {false, {r.element}});
    ASSERT_EQ(w.currents.size(), 1u) << r.netlist;
    const std::vector<double>& i = w.currents[0].values[0];
    ASSERT_EQ(i.size(), 8u);
    if (r.amperes == 0) {
      const waveforms d = test::load_job(job, "0.var", {false, {"D1"}});
      EXPECT_NEAR(i[3], d.currents[0].values[0][3], 1e-12) << r.netlist;
      EXPECT_GT(i[3], 1e-4) << r.netlist;  // forward, anode to cathode
      continue;
    }
    for (double v : i) EXPECT_NEAR(v, r.amperes, 1e-9 * std::fabs(r.amperes)) << r.netlist;
  }
}

// The RC low-pass at its corner on 64 planes: the resistor carries
// (V_in - V_out) / R with V_out from the closed form of the backward
// difference, the capacitor the same current, the source minus it.
TEST(pss_wave_currents, rc_low_pass_follows_its_closed_form_and_kirchhoffs_law) {
  const int n = 64;
  const test::job_run job = test::netlist_job("V1 in 0 SIN(1)\nR1 in out 1k\nC1 out 0 1u\n",
                                              "1e-12\nn\n159.15494309189535\ny\ny\n64\n");
  const waveforms w = test::load_job(job, "0.var", {true, {}});
  ASSERT_EQ(w.currents.size(), 3u);
  const std::complex<double> z = std::polar(1.0, 2 * pi / n);
  const std::complex<double> a = 1.0 / (1.0 + n / (2 * pi) * (1.0 - 1.0 / z));
  for (int j = 0; j < n; ++j) {
    const double v_in = std::sin(2 * pi * j / n);
    const double v_out = std::imag(a * std::pow(z, j));
    const double i_r = (v_in - v_out) / 1e3;
    EXPECT_NEAR(trace(w, "i(R1)").values[0][j], i_r, 1e-12) << j;
    EXPECT_NEAR(trace(w, "i(C1)").values[0][j], i_r, 1e-12) << j;
    EXPECT_NEAR(trace(w, "i(V1)").values[0][j], -i_r, 1e-12) << j;
  }
  // The continuous corner: |I| = V / (R sqrt 2), leading by 45 degrees; the
  // backward difference on 64 planes is within 3 % and 2 degrees of it.
  const std::complex<double> i = fundamental(trace(w, "i(R1)"));
  EXPECT_NEAR(std::abs(i), 1e-3 / std::sqrt(2.0), 0.03 * 1e-3 / std::sqrt(2.0));
  EXPECT_NEAR(std::arg(i) * 180 / pi, 45, 2);
}

// Kirchhoff's current law at a node joined to four elements of every kind
// the currents come from: resistor, capacitor, inductor, current source.
TEST(pss_wave_currents, sum_to_zero_at_a_node) {
  const test::job_run job = test::netlist_job(
      "V1 in 0 SIN(1)\nR1 in m 100\nC1 m 0 1u\nL1 m 0 10m\nI1 0 m SIN(1m 30 3)\nR2 m x 50\n"
      "D1 x 0 1e-12\n",
      "1e-12\nn\n1000\ny\ny\n128\n");
  const waveforms w = test::load_job(job, "0.var", {true, {}});
  // Into m: R1 ends there, I1 ends there; C1, L1, R2 start there.
  for (int j = 0; j < w.planes; ++j) {
    auto at = [&](const char* name) { return trace(w, name).values[0][j]; };
    const double into = at("i(R1)") + at("i(I1)") - at("i(C1)") - at("i(L1)") - at("i(R2)");
    EXPECT_NEAR(into, 0, 1e-9 * std::fabs(at("i(R1)")) + 1e-15) << j;
    EXPECT_NEAR(at("i(R2)"), at("i(D1)"), 1e-9 * std::fabs(at("i(R2)")) + 1e-15) << j;
  }
}

// The series RLC at resonance: the source sees R (and the 1e-4 ohm sense
// resistor) alone, so the loop current is V / R in phase with the source;
// the inductor's current is its sense resistor's.
TEST(pss_wave_currents, rlc_at_resonance_carries_v_over_r_in_phase) {
  const test::job_run job = test::netlist_job("V1 in 0 SIN(1)\nR1 in a 10\nL1 a b 1m\nC1 b 0 1u\n",
                                              "1e-12\nn\n5032.921210448704\ny\ny\n256\n");
  const waveforms w = test::load_job(job, "0.var", {true, {"L1#rs"}});
  const std::complex<double> i = fundamental(trace(w, "i(L1)"));
  EXPECT_NEAR(std::abs(i), 1.0 / 10.0001, 2e-3 / 10);
  EXPECT_NEAR(std::arg(i) * 180 / pi, 0, 1.0);
  for (const char* other : {"i(R1)", "i(C1)", "i(L1#rs)"}) {
    for (int j = 0; j < w.planes; ++j) {
      EXPECT_NEAR(trace(w, other).values[0][j], trace(w, "i(L1)").values[0][j], 1e-9) << other;
    }
  }
  EXPECT_NEAR(std::abs(fundamental(trace(w, "i(V1)")) + i), 0, 1e-9);
}

TEST(pss_wave_currents, appear_in_every_output_by_name_or_all_at_once) {
  const test::job_run job = test::netlist_job("V1 in 0 SIN(1)\nR1 in out 1k\nC1 out 0 1u\n",
                                              "1e-12\nn\n159.15494309189535\ny\ny\n16\n");
  struct row {
    std::vector<std::string> options;
    std::vector<std::string> expected;
  };
  const row rows[] = {
      {{"--nodes", "out,i(R1)"}, {"           out         i(R1)\n"}},
      {{"--currents"}, {"in           out         i(V1)         i(R1)         i(C1)\n"}},
      {{"--csv", "--nodes", "I(r1)"}, {"time,i(R1)\n"}},
      {{"--raw", "--currents"}, {"\t1\tv(in)\tvoltage\n", "\t3\ti(V1)\tcurrent\n"}},
      {{"--harmonics", "--nodes", "i(C1)"}, {"current i(C1)\n", "amplitude/A"}},
      {{"--svg", "--currents"}, {"<title>i(R1)</title>", "class=\"y2-axis\"", ">current</text>"}},
      {{"--svg", "--nodes", "i(R1)"}, {"<title>i(R1)</title>", ">current</text>"}},
  };
  for (const row& r : rows) {
    std::vector<std::string> args = {"job", "job0.var"};
    args.insert(args.end(), r.options.begin(), r.options.end());
    const auto result = test::run_process(PSS_WAVE_EXE, args, "", job.dir->path);
    EXPECT_EQ(result.status, 0) << result.err;
    for (const std::string& text : r.expected) {
      EXPECT_NE(result.out.find(text), std::string::npos) << r.options[0] << "\n" << text;
    }
  }
  const auto missing =
      test::run_process(PSS_WAVE_EXE, {"job", "job0.var", "--nodes", "i(R7)"}, "", job.dir->path);
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "pss-wave: no element R7 in job.net\n");
}

}  // namespace
}  // namespace pss
