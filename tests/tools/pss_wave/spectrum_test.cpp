// The harmonics as a bar chart: a bar per listed term, as high as the
// axis labels say its amplitude is, on a linear or a dB scale; and the
// warning for a waveform that alternates between even and odd planes.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <numbers>
#include <regex>
#include <sstream>

#include "support/process.h"
#include "svg_reading.h"
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/harmonics.h"
#include "wave_jobs.h"

namespace pss {
namespace {

struct bar {
  std::string name;
  int k;
  double x, top, width;
};

std::vector<bar> bars_of(const std::string& svg) {
  const std::regex element(
      "<rect x=\"([-0-9.]+)\" y=\"([-0-9.]+)\" width=\"([-0-9.]+)\" height=\"[-0-9.]+\" "
      "fill=\"[^\"]+\"><title>([^<]*) k=([0-9]+):");
  std::vector<bar> bars;
  for (auto m = std::sregex_iterator(svg.begin(), svg.end(), element); m != std::sregex_iterator();
       ++m) {
    bars.push_back({(*m)[4], std::stoi((*m)[5]), std::stod((*m)[1]), std::stod((*m)[2]),
                    std::stod((*m)[3])});
  }
  return bars;
}

// Every listed term of every selected trace has its bar, whose top reads
// back on the labelled axis as the term's amplitude (or its dB).
void expect_bars_at_amplitudes(const waveforms& w, const selection& s, bool decibels) {
  const std::string svg = spectrum_svg_text(w, s, decibels);
  ASSERT_EQ(test::xml_fault(svg), "");
  const test::scale levels = test::axis_scale(svg, "ytick");
  const std::vector<bar> bars = bars_of(svg);
  std::size_t expected = 0;
  for (const wave_node* n : s.nodes) {
    const spectrum sp = sampled_spectrum(n->values[s.slot]);
    for (const harmonic& h : sp.terms) {
      if (!is_listed(sp, h.k) || h.k > 100) continue;
      ++expected;
      const auto found = std::find_if(bars.begin(), bars.end(), [&](const bar& b) {
        return b.name == n->name && b.k == h.k;
      });
      ASSERT_NE(found, bars.end()) << n->name << " k=" << h.k;
      const double a = std::fabs(h.amplitude);
      if (decibels && a < std::pow(10, levels.value(420) / 20)) continue;  // below the floor
      const double level = decibels ? 20 * std::log10(a) : a;
      EXPECT_NEAR(levels.value(found->top), level, 0.01 / std::fabs(levels.b))
          << n->name << " k=" << h.k;
    }
  }
  EXPECT_EQ(bars.size(), expected);
}

TEST(pss_wave_spectrum, bars_stand_at_each_terms_amplitude) {
  const test::job_run job = test::driven_job(1e-3);  // a fundamental and a third harmonic
  const waveforms w = test::load_job(job, "0.var");
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {"mid", "in"}, s, error)) << error;
  expect_bars_at_amplitudes(w, s, false);
  expect_bars_at_amplitudes(w, s, true);
  const std::string svg = spectrum_svg_text(w, s, true);
  EXPECT_NE(svg.find(">amplitude/dBV</text>"), std::string::npos);
  // Ten harmonics at least, so that a clean sine shows what it lacks.
  EXPECT_NE(svg.find("<text x=\"0\" y=\"439\" text-anchor=\"middle\">8</text>"),
            std::string::npos);
}

TEST(pss_wave_spectrum, options_that_do_not_combine_are_refused) {
  const test::job_run job = test::driven_job(1e-3);
  struct row {
    std::vector<std::string> options;
    const char* message;
  };
  const row rows[] = {
      {{"--spectrum"}, "pss-wave: --spectrum goes with --svg\n"},
      {{"--svg", "--db"}, "pss-wave: --db goes with --spectrum\n"},
      {{"--svg", "--spectrum", "--periods", "2"},
       "pss-wave: --periods goes with the waveform plot, not --spectrum\n"},
  };
  for (const row& r : rows) {
    std::vector<std::string> args = {"job", "job0.var"};
    args.insert(args.end(), r.options.begin(), r.options.end());
    const auto result = test::run_process(PSS_WAVE_EXE, args, "", job.dir->path);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.substr(0, result.err.find('\n') + 1), r.message);
  }
  const test::job_run netlist = test::netlist_job("V1 in 0 SIN(1)\nR1 in 0 1k\nR2 in o 1\nR3 o 0 1\n",
                                                  "1e-12\nn\n50\ny\ny\n8\n");
  const auto mixed = test::run_process(
      PSS_WAVE_EXE, {"job", "job0.var", "--svg", "--spectrum", "--currents"}, "", netlist.dir->path);
  EXPECT_EQ(mixed.status, 1);
  EXPECT_EQ(mixed.err, "pss-wave: --spectrum draws voltages or currents, not both in one chart\n");
}

std::string rectifier(const std::string& settings) {
  std::ifstream in(std::string(PSS_SOURCE_DIR) + "/examples/rectifier/rectifier.cir");
  std::stringstream text;
  text << in.rdbuf() << settings;
  return text.str();
}

// The central-difference capacitor's mode: the rectifier's output
// alternates by about 0.9 % of its swing on 64 planes, and stays so on more;
// the backward difference alternates by well under the limit.
TEST(pss_wave_spectrum, warns_of_the_alternating_mode_of_central_differences) {
  struct row {
    const char* settings;
    int planes;
    bool warned;
  };
  const row rows[] = {
      {".options DIFFERENCE=CENTRAL\n", 64, true},
      {".options DIFFERENCE=CENTRAL\n", 256, true},
      {"", 64, false},
      {"", 256, false},
  };
  // A spike, as the oscillator's injection node has one at plane 0, or an
  // edge reaches bin N/2 as much as its neighbours and is not suspected.
  std::vector<double> spike(32, 0.4);
  spike[0] = 1.0;
  EXPECT_GT(alternation_of(spike).ratio, 0.06);
  EXPECT_FALSE(alternation_of(spike).suspect());
  std::vector<double> edge(32, 0.0);
  for (std::size_t j = 8; j < 24; ++j) edge[j] = 1.0;
  EXPECT_FALSE(alternation_of(edge).suspect());
  std::vector<double> mode(32);
  for (std::size_t j = 0; j < 32; ++j) mode[j] = std::sin(2 * std::numbers::pi * static_cast<double>(j) / 32) + (j % 2 ? 0.01 : 0);
  EXPECT_TRUE(alternation_of(mode).suspect());
  for (const row& r : rows) {
    const test::job_run job = test::netlist_job(
        rectifier(r.settings), "1e-9\nn\n50\ny\ny\n" + std::to_string(r.planes) + "\n");
    const waveforms w = test::load_job(job, "0.var");
    selection s;
    std::string error;
    ASSERT_TRUE(select_nodes(w, {"out"}, s, error));
    const alternation a = alternation_of(s.nodes[0]->values[0]);
    EXPECT_EQ(a.suspect(), r.warned) << r.settings << r.planes << " " << a.ratio;
    const auto result =
        test::run_process(PSS_WAVE_EXE, {"job", "job0.var", "--nodes", "in,out"}, "", job.dir->path);
    EXPECT_EQ(result.status, 0);
    const std::string warning = "pss-wave: warning: out alternates between even and odd planes";
    EXPECT_EQ(result.err.rfind(warning, 0) == 0, r.warned) << result.err;
    EXPECT_EQ(result.err.find("warning: in "), std::string::npos);
  }
}

}  // namespace
}  // namespace pss
