// The shipped examples compiled from their netlists, solved with their
// answer files, and checked against closed forms, analytic amplitudes and
// ngspice's transient steady state of the same circuits.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <numbers>
#include <sstream>

#include "support/job.h"
#include "support/ngspice.h"
#include "tools/netlist/netlist.h"

namespace pss {
namespace {

constexpr double pi = std::numbers::pi;

std::string example_file(const std::string& path) {
  std::ifstream in(std::string(PSS_SOURCE_DIR) + "/examples/" + path);
  EXPECT_TRUE(in.good()) << path;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// An example's answers with the plane count replaced.
std::string with_planes(std::string answers, int old_planes, int planes) {
  const std::string from = "\n" + std::to_string(old_planes) + "\n";
  const std::size_t at = answers.find(from);
  EXPECT_NE(at, std::string::npos);
  return answers.replace(at, from.size(), "\n" + std::to_string(planes) + "\n");
}

struct example_run {
  compiled_netlist compiled;
  test::job_run job;
  std::unique_ptr<test::loaded_state> state;

  int position(const std::string& name) const {
    const std::vector<std::string>& nodes = compiled.names.nodes;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
      if (nodes[i] == name) return static_cast<int>(i);
    }
    ADD_FAILURE() << "no node " << name;
    return 0;
  }
  double voltage(const std::string& name, int plane) {
    return state->voltage(position(name), plane);
  }
  int planes() const { return state->c->planes; }

  // Amplitude of harmonic k of a node's plane values.
  double harmonic(const std::string& name, int k) {
    std::complex<double> sum = 0;
    for (int j = 0; j < planes(); ++j) {
      sum += voltage(name, j) * std::polar(1.0, -2 * pi * k * j / planes());
    }
    return 2 * std::abs(sum) / planes();
  }
  // Amplitude of the fundamental of a node's plane values.
  double amplitude(const std::string& name) { return harmonic(name, 1); }
};

// A netlist in pss's grammar, or a SPICE deck read with --spice and the
// fundamental given, compiled and solved with `answers`.
std::unique_ptr<example_run> run_netlist(const std::string& text, const std::string& answers,
                                         const std::string& state_suffix,
                                         const compile_options& options = {}) {
  auto run = std::make_unique<example_run>();
  run->compiled = compile_netlist(text, options);
  EXPECT_TRUE(run->compiled.ok);
  run->job = test::run_job(write_network(run->compiled.network), answers);
  EXPECT_EQ(run->job.result.status, 0) << run->job.result.out;
  run->state = test::load_state(run->job, state_suffix);
  return run;
}

std::unique_ptr<example_run> run_example(const std::string& netlist, const std::string& answers,
                                         const std::string& state_suffix,
                                         const compile_options& options = {}) {
  SCOPED_TRACE(netlist);
  return run_netlist(example_file(netlist), answers, state_suffix, options);
}

TEST(examples, rc_low_pass_follows_the_closed_form_of_its_difference_equation) {
  auto run = run_example("rc_lowpass/rc.cir", example_file("rc_lowpass/rc.answers"), "0.var");
  // (V_in - V_out)/R = C (V_out,j - V_out,j-1)/h on the ring of N planes,
  // with V_in = Im z^j, z = e^{2 pi i/N}, and RC/h = N/(2 pi) at the corner:
  // V_out,j = Im(A z^j), A = 1 / (1 + (RC/h)(1 - 1/z)).
  const int n = run->planes();
  const std::complex<double> z = std::polar(1.0, 2 * pi / n);
  const std::complex<double> a = 1.0 / (1.0 + n / (2 * pi) * (1.0 - 1.0 / z));
  for (int j = 0; j < n; ++j) {
    EXPECT_NEAR(run->voltage("out", j), std::imag(a * std::pow(z, j)), 1e-9) << j;
  }
  EXPECT_NEAR(std::abs(a), 1 / std::sqrt(2.0), 0.02);  // the continuous corner gain
}

TEST(examples, rlc_tank_at_resonance_approaches_its_analytic_amplitude) {
  // At resonance the source sees only R (+ the inductor's 1e-4 ohm sense
  // resistor): the capacitor swings |I| / (w0 C) = Q V.
  const double w0 = 1 / std::sqrt(1e-3 * 1e-6);
  const double analytic = 1.0 / (10.0001 * w0 * 1e-6);
  double previous = 1e300;
  for (int planes : {32, 64, 128, 256}) {
    auto run = run_example("rlc_tank/rlc.cir",
                           with_planes(example_file("rlc_tank/rlc.answers"), 128, planes), "0.var");
    const double error = std::fabs(run->amplitude("b") / analytic - 1);
    EXPECT_LT(error, previous) << planes << " planes";
    previous = error;
  }
  EXPECT_LT(previous, 1e-3);
}

// The diode of the solver (exponential within +-0.5 V, continued linearly
// beyond) written as an ngspice behavioural current source.
std::string behavioural_diode(const std::string& a, const std::string& k, double is) {
  std::ostringstream e;
  e.precision(17);
  const std::string v = "v(" + a + "," + k + ")";
  const double x = 38.6815;
  e << "B" << a << k << " " << a << " " << k << " I = (" << v << " > 0.5) ? " << is << "*(exp("
    << x * 0.5 << ")-1) + (" << v << "-0.5)*" << x * is * std::exp(x * 0.5) << " : ((" << v
    << " < -0.5) ? " << is << "*(exp(" << -x * 0.5 << ")-1) + (" << v << "+0.5)*"
    << x * is * std::exp(-x * 0.5) << " : " << is << "*(exp(" << x << "*" << v << ")-1))\n";
  return e.str();
}

TEST(examples, rectifier_matches_ngspice_within_its_first_order_error) {
  if (test::ngspice_path().empty()) GTEST_SKIP() << "ngspice is not installed";
  test::temp_dir dir;
  // 50 periods settle the 10 ms load; the last one is compared.
  const auto ngspice = test::ngspice_wrdata(
      dir.path,
      "half-wave rectifier\nV1 in 0 SIN(0 5 50)\n" + behavioural_diode("in", "out", 1e-9) +
          "RL out 0 1k\nCL out 0 10u\n.options reltol=1e-7 abstol=1e-15\n"
          ".tran 2u 1 0.98 2u\n.control\nrun\nlinearize v(out)\nwrdata out.data v(out)\nquit\n"
          ".endc\n.end\n",
      "out.data");
  double errors[2];
  for (int k = 0; k < 2; ++k) {
    const int planes = 256 << k;
    auto run =
        run_example("rectifier/rectifier.cir",
                    with_planes(example_file("rectifier/rectifier.answers"), 128, planes), "0.var");
    errors[k] = 0;
    for (int j = 0; j < planes; ++j) {
      const double t = 0.98 + 0.02 * j / planes;
      errors[k] =
          std::max(errors[k], std::fabs(run->voltage("out", j) - test::interpolate(ngspice, t)));
    }
    // The backward difference errs by about h/(2 RC) of the swing.
    EXPECT_LT(errors[k], 5.0 / planes) << planes << " planes";
  }
  EXPECT_NEAR(errors[0] / errors[1], 2.0, 0.4);  // first order
}

TEST(examples, oscillator_runs_at_its_discrete_natural_period) {
  auto run = run_example("oscillator/osc.cir", example_file("oscillator/osc.answers"), "O0.var");
  const int n = run->planes();
  EXPECT_NEAR(run->state->period() / (n / pi * std::sin(pi / n)), 1.0, 1e-4);
  EXPECT_NEAR(run->amplitude("o") / 0.9995, 1.0, 0.02);  // the describing function
}

TEST(examples, oscillator_started_far_off_finds_the_same_cycle) {
  auto lucky = run_example("oscillator/osc.cir", example_file("oscillator/osc.answers"), "O0.var");
  std::string answers = example_file("oscillator/osc.answers");
  answers.replace(answers.find("\n0.995\n"), 7, "\n0.8\n");
  auto searched = run_example("oscillator/osc.cir", answers, "O0.var");
  EXPECT_NE(searched->job.result.out.find("\nsearch 1: "), std::string::npos);
  EXPECT_NEAR(searched->state->period() / lucky->state->period(), 1.0, 1e-9);
  EXPECT_NEAR(searched->amplitude("o") / lucky->amplitude("o"), 1.0, 1e-6);
}

TEST(examples, oscillator_frequency_matches_ngspice) {
  if (test::ngspice_path().empty()) GTEST_SKIP() << "ngspice is not installed";
  constexpr int planes = 256;
  auto run = run_example("oscillator/osc.cir",
                         with_planes(example_file("oscillator/osc.answers"), 32, planes), "O0.var");
  // The same circuit in ngspice: the negative resistor as a behavioural
  // source, the tank started off its equilibrium and left to settle.
  test::temp_dir dir;
  const double ngspice_period = test::ngspice_printed(
      dir.path,
      "LC oscillator\nC1 o 0 0.15915494309189535 IC=0.5\nRP o 0 50\n"
      "B1 o 0 I = -v(o)/(25+36*v(o)*v(o))\nL1 o n 0.15915494309189535\nRS n 0 1e-9\n"
      ".options reltol=1e-7 abstol=1e-14 vntol=1e-12\n.tran 1m 200 uic\n"
      ".control\nset numdgt=12\nrun\nmeas tran t1 when v(o)=0 rise=150\n"
      "meas tran t2 when v(o)=0 rise=190\nlet period = (t2-t1)/40\nprint period\nquit\n"
      ".endc\n.end\n",
      "period");
  // pss's period converges to the continuous one as (pi/N)^2/6 = 2.5e-5.
  EXPECT_NEAR(run->state->period() / ngspice_period, 1.0, 5e-5);
}

// Started at the discrete natural frequency of its 64 planes, the coupled
// solve converges so closely that the profile solve, which does not pivot,
// met an exactly zero pivot in its last iteration and printed NaN errors to
// the end ("not converged"); the iteration's system is now solved again by
// the pivoting LU.
TEST(examples, lc_oscillator_started_at_its_discrete_natural_frequency_converges) {
  auto run =
      run_example("lc_oscillator/lc.cir", example_file("lc_oscillator/lc.answers"), "O0.var");
  EXPECT_EQ(run->job.result.out.find("nan"), std::string::npos) << run->job.result.out;
  const int n = run->planes();
  const double t0 = 2 * pi * std::sqrt(10e-6 * 1e-9);
  EXPECT_NEAR(run->state->period() / (t0 * n / pi * std::sin(pi / n)), 1.0, 1e-4);
  EXPECT_NEAR(run->amplitude("o"), 1.0, 0.02);
}

TEST(examples, lc_oscillator_with_q_5000_keeps_its_amplitude) {
  // Rp 100 times larger, the negative resistor with it: the same amplitude
  // and period, from the same start.
  std::string netlist = example_file("lc_oscillator/lc.cir");
  for (auto [from, to] : {std::pair<std::string, std::string>{"RP  o  0  5k", "RP  o  0  500k"},
                          {"POLY(-2.5k 0 -3.6k)", "POLY(-250k 0 -360k)"}}) {
    const std::size_t at = netlist.find(from);
    ASSERT_NE(at, std::string::npos);
    netlist.replace(at, from.size(), to);
  }
  compiled_netlist compiled = compile_netlist(netlist);
  ASSERT_TRUE(compiled.ok);
  test::job_run job =
      test::run_job(write_network(compiled.network), example_file("lc_oscillator/lc.answers"));
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  auto state = test::load_state(job, "O0.var");
  const int n = state->c->planes;
  const double t0 = 2 * pi * std::sqrt(10e-6 * 1e-9);
  EXPECT_NEAR(state->period() / (t0 * n / pi * std::sin(pi / n)), 1.0, 1e-4);
}

// The junction-diode rectifiers and the clipper against ngspice's transient steady state of
// the same circuits (ngspice -b, .tran 5u 2, the last period measured): the
// load voltage's mean, peak and trough. With 256 planes and the backward
// charge difference of CL the planes' error is about 0.1 % in the mean and
// the peak; the trough, right before the diode opens, lags by up to 1 %.
TEST(examples, junction_rectifiers_agree_with_ngspice) {
  struct row {
    const char* netlist;
    const char* answers;
    const char* plus;
    const char* minus;  // null: ground
    double mean, peak, trough;
  };
  const row rows[] = {
      {"junction_rectifier/halfwave.cir", "junction_rectifier/halfwave.answers", "out", nullptr,
       2.428440, 4.306330, 0.9204336},
      {"bridge_rectifier/bridge.cir", "bridge_rectifier/bridge.answers", "p", "n", 8.216056,
       8.544418, 7.861667},
      // The clipper's diodes carry RS, CJO and TT: its levels test the
      // internal node and the stored charge; its mean is 0 by symmetry.
      {"clipper/clipper.cir", "clipper/clipper.answers", "out", nullptr, 0, 0.6532282, -0.6532282},
  };
  for (const row& r : rows) {
    auto run = run_example(r.netlist, example_file(r.answers), "0.var");
    double sum = 0, peak = -1e300, trough = 1e300;
    for (int j = 0; j < run->planes(); ++j) {
      const double v = run->voltage(r.plus, j) - (r.minus ? run->voltage(r.minus, j) : 0.0);
      sum += v;
      peak = std::max(peak, v);
      trough = std::min(trough, v);
    }
    EXPECT_NEAR(sum / run->planes(), r.mean, 2e-3 * std::fabs(r.mean) + 1e-9) << r.netlist;
    EXPECT_NEAR(peak, r.peak, 2e-3 * std::fabs(r.peak)) << r.netlist;
    EXPECT_NEAR(trough, r.trough, 1.5e-2 * std::fabs(r.trough)) << r.netlist;
  }
}

// The van der Pol current law written with G POLY: the double PSS finds
// the tank's discrete natural period and the describing function's 1 V.
// A sign slip in the controlled current damps the tank instead and the
// search ends without an oscillation.
TEST(examples, van_der_pol_tank_with_g_poly_oscillates) {
  auto run = run_example("van_der_pol/vdp.cir", example_file("van_der_pol/vdp.answers"), "O0.var");
  const int n = run->planes();
  EXPECT_NEAR(run->state->period() / (n / pi * std::sin(pi / n)), 1.0, 1e-4);
  EXPECT_NEAR(run->amplitude("o"), 1.0, 0.01);
}

// The examples that are SPICE decks: ngspice runs the same file, and pss
// reads it with --spice, its *pss lines giving the analysis.
std::unique_ptr<example_run> run_deck(const std::string& deck, const std::string& answers,
                                      const std::string& state_suffix) {
  auto run = std::make_unique<example_run>();
  run->compiled = compile_netlist(example_file(deck), compile_options{true, 0});
  EXPECT_TRUE(run->compiled.ok) << deck;
  run->job = test::run_job(write_network(run->compiled.network), answers);
  EXPECT_EQ(run->job.result.status, 0) << run->job.result.out;
  run->state = test::load_state(run->job, state_suffix);
  return run;
}

// Harmonic k of samples taken evenly over one period, as amplitude and
// phase of a sine (A sin(k w t + phase)); k = 0 gives the mean.
struct harmonic {
  double amplitude;
  double phase_degrees;
};

harmonic harmonic_of(const std::vector<double>& samples, int k) {
  std::complex<double> sum = 0;
  const int n = static_cast<int>(samples.size());
  for (int j = 0; j < n; ++j) sum += samples[j] * std::polar(1.0, -2 * pi * k * j / n);
  sum /= n;
  if (k == 0) return {sum.real(), 0};
  return {2 * std::abs(sum), std::arg(sum * std::complex<double>(0, 1)) * 180 / pi};
}

double degrees_apart(double a, double b) {
  return std::fabs(std::remainder(a - b, 360.0));
}

// ngspice's transient of the inverter, resampled on 4096 points of its last
// period, against pss's planes: the planes' backward differences lag the
// k-th harmonic by about 0.14 k degrees on 512 planes and half that on 1024.
TEST(examples, cmos_inverter_harmonics_match_ngspice) {
  if (test::ngspice_path().empty()) GTEST_SKIP() << "ngspice is not installed";
  test::temp_dir dir;
  const auto ngspice =
      test::ngspice_wrdata(dir.path, example_file("cmos_inverter/inverter.cir"), "out.data");
  std::vector<double> reference(4096);
  for (std::size_t i = 0; i < reference.size(); ++i)
    reference[i] = test::interpolate(ngspice, 90e-6 + 10e-6 * i / reference.size());
  double phase_errors[2][6] = {};
  for (int twice = 0; twice < 2; ++twice) {
    const int planes = 512 << twice;
    auto run =
        run_deck("cmos_inverter/inverter.cir",
                 with_planes(example_file("cmos_inverter/inverter.answers"), 512, planes), "0.var");
    std::vector<double> out(static_cast<std::size_t>(planes));
    for (int j = 0; j < planes; ++j) out[static_cast<std::size_t>(j)] = run->voltage("out", j);
    for (int k = 0; k <= 5; ++k) {
      const harmonic want = harmonic_of(reference, k);
      const harmonic got = harmonic_of(out, k);
      EXPECT_NEAR(got.amplitude, want.amplitude, 4e-4) << k << ", " << planes << " planes";
      if (k == 0) continue;
      phase_errors[twice][k] = degrees_apart(got.phase_degrees, want.phase_degrees);
      EXPECT_LT(phase_errors[twice][k], 0.2 * k * 512 / planes) << k << ", " << planes << " planes";
    }
  }
  for (int k = 3; k <= 5; ++k) {
    EXPECT_NEAR(phase_errors[0][k] / phase_errors[1][k], 2.0, 0.3) << k;  // first order
  }
}

// The natural oscillation through the double PSS against ngspice's
// transient after 30 us: the period agrees within the discrete natural
// period of the 128 planes' explicit inductors and CAP1 capacitors,
// 1 - (pi/128)^2/6 = 1 - 1.0e-4 of the continuous one, and the amplitude of
// d1's fundamental within 0.05 %.
// ngspice's settled oscillation: its period, averaged over the rising
// crossings of `level` after the first, and one period from the second
// crossing resampled on 4096 points.
struct ngspice_cycle {
  double period;
  std::vector<double> samples;
};

ngspice_cycle settled_cycle(const std::vector<std::pair<double, double>>& ngspice, double level) {
  std::vector<double> rises;
  for (std::size_t i = 1; i < ngspice.size(); ++i) {
    const auto [t0, v0] = ngspice[i - 1];
    const auto [t1, v1] = ngspice[i];
    if (v0 < level && v1 >= level) rises.push_back(t0 + (level - v0) * (t1 - t0) / (v1 - v0));
  }
  EXPECT_GT(rises.size(), 50u);
  if (rises.size() < 3) return {0, {}};
  ngspice_cycle c{(rises.back() - rises[1]) / static_cast<double>(rises.size() - 2), {}};
  c.samples.resize(4096);
  for (std::size_t i = 0; i < c.samples.size(); ++i)
    c.samples[i] = test::interpolate(ngspice, rises[1] + c.period * i / c.samples.size());
  return c;
}

TEST(examples, cross_coupled_oscillator_matches_ngspice) {
  if (test::ngspice_path().empty()) GTEST_SKIP() << "ngspice is not installed";
  test::temp_dir dir;
  // Rising crossings of the supply level, 1.8 V.
  const ngspice_cycle cycle = settled_cycle(
      test::ngspice_wrdata(dir.path, example_file("cross_coupled/xcoupled.cir"), "d1.data"), 1.8);
  auto run = run_deck("cross_coupled/xcoupled.cir", example_file("cross_coupled/xcoupled.answers"),
                      "O0.var");
  EXPECT_EQ(run->job.result.out.find("search"), std::string::npos) << "the plain sequence";
  const double discrete = 128 / pi * std::sin(pi / 128);
  EXPECT_NEAR(run->state->period() / (cycle.period * discrete), 1.0, 3e-5);
  EXPECT_NEAR(run->amplitude("d1") / harmonic_of(cycle.samples, 1).amplitude, 1.0, 5e-4);
}

// The van der Pol tank against ngspice's transient of the same lines,
// settled after 200 periods: its period 1.0000287 s, 2.9e-5 above the
// tank's 1 s from the law's cubic term, and its fundamental 0.999997 V.
// pss on 32 planes finds the tank's discrete natural period times the same
// lengthening (within 4e-6), and an amplitude 4.9e-4 high, first order in
// the planes (1.3e-4 on 128).
TEST(examples, van_der_pol_tank_matches_ngspice) {
  if (test::ngspice_path().empty()) GTEST_SKIP() << "ngspice is not installed";
  std::istringstream netlist(example_file("van_der_pol/vdp.cir"));
  std::string deck;
  for (std::string line; std::getline(netlist, line);) {
    if (line.rfind(".osc", 0) != 0 && line.rfind(".pss", 0) != 0) deck += line + "\n";
  }
  deck +=
      ".ic v(o)=0.1\n.options reltol=1e-8 abstol=1e-15 vntol=1e-10\n"
      ".tran 2m 300 200 2m uic\n.control\nrun\nlinearize v(o)\nwrdata o.data v(o)\nquit\n"
      ".endc\n.end\n";
  test::temp_dir dir;
  const ngspice_cycle cycle = settled_cycle(test::ngspice_wrdata(dir.path, deck, "o.data"), 0.0);
  auto run = run_example("van_der_pol/vdp.cir", example_file("van_der_pol/vdp.answers"), "O0.var");
  const int n = run->planes();
  EXPECT_NEAR(run->state->period() / (cycle.period * n / pi * std::sin(pi / n)), 1.0, 1e-5);
  EXPECT_NEAR(run->amplitude("o") / harmonic_of(cycle.samples, 1).amplitude, 1.0, 1e-3);
}

// The common-emitter amplifier's SPICE deck, as ngspice runs it (its
// .tran and .control lines) and as pss reads it with --spice. ngspice's
// transient steady state (0.2 s, 0.1 us steps, reltol 1e-7), last period:
// out swings 792.6262 mV at the fundamental and 33.55889 mV at the second
// harmonic. The backward differences of the coupling and bypass capacitors
// and of the transistor's charges err by about 2e-4 of the gain on 256
// planes and 6e-4 of the second harmonic, halving with twice the planes;
// the same circuit in pss's grammar with the central forms (CAP2 and the
// transistor's central charge difference) is within 1e-5 on 64 planes.
TEST(examples, ce_amplifier_gain_and_second_harmonic_match_ngspice) {
  const double fundamental = 0.7926262, second = 0.03355889;
  double errors[2][2];
  for (int k = 0; k < 2; ++k) {
    const int planes = 256 << k;
    auto run = run_example("ce_amplifier/ce_amp.cir",
                           with_planes(example_file("ce_amplifier/ce_amp.answers"), 256, planes),
                           "0.var", compile_options{true, 10e3});
    errors[k][0] = run->harmonic("out", 1) / fundamental - 1;
    errors[k][1] = run->harmonic("out", 2) / second - 1;
    EXPECT_NEAR(run->harmonic("in", 1), 5e-3, 1e-15);
  }
  EXPECT_NEAR(errors[0][0], 0, 4e-4);  // gain 158.49 against ngspice's 158.53
  EXPECT_NEAR(errors[0][1], 0, 1.2e-3);
  for (int h = 0; h < 2; ++h) EXPECT_NEAR(errors[0][h] / errors[1][h], 2.0, 0.2) << h;

  // The deck's circuit lines, the title and the transient's lines left out.
  std::istringstream deck(example_file("ce_amplifier/ce_amp.cir"));
  std::string plain = "* the common-emitter amplifier, central differences\n";
  std::string line;
  std::getline(deck, line);  // the title
  while (std::getline(deck, line) &&
         (line.empty() || line[0] != '.' || line.rfind(".model", 0) == 0)) {
    if (line.empty() || line[0] != '*') plain += line + "\n";
  }
  plain.replace(plain.find("SIN(0 5m 10k)"), 13, "SIN(5m)");
  auto central =
      run_netlist(plain + ".options DIFFERENCE=CENTRAL\n",
                  with_planes(example_file("ce_amplifier/ce_amp.answers"), 256, 64), "0.var");
  EXPECT_NEAR(central->harmonic("out", 1) / fundamental, 1, 1e-5);
  EXPECT_NEAR(central->harmonic("out", 2) / second, 1, 1e-5);
}

// The Colpitts oscillator's deck through the double PSS on 128 planes:
// ngspice's transient, settled (4.8 to 5 ms, 1 ns steps), oscillates at
// 1.186215 MHz with 2.049528 V at the fundamental of the collector. The
// tank's capacitors and explicit inductor raise the frequency by
// (pi/N)^2/6 = 1.0e-4, the backward differences of the losses by another
// 4e-5; they lower the amplitude by 2.5e-3 (first order).
TEST(examples, colpitts_oscillates_at_ngspice_frequency_and_amplitude) {
  auto run = run_example("colpitts/colpitts.cir", example_file("colpitts/colpitts.answers"),
                         "O0.var", compile_options{true, 0});
  const double frequency = 1 / run->state->period();
  EXPECT_GT(frequency / 1.186215e6 - 1, 0.5e-4);
  EXPECT_LT(frequency / 1.186215e6 - 1, 2.5e-4);
  EXPECT_NEAR(run->amplitude("c") / 2.049528 - 1, -2.5e-3, 1e-3);
  EXPECT_NEAR(run->harmonic("c", 2) / run->amplitude("c"), 0.0456, 0.002);  // ngspice: 0.0456
}

}  // namespace
}  // namespace pss
