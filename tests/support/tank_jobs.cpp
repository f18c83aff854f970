#include "support/tank_jobs.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <complex>
#include <numbers>
#include <sstream>

#include "support/job.h"
#include "tools/netlist/netlist.h"

namespace pss::test {

namespace {

constexpr double pi = std::numbers::pi;

struct tank_values {
  double l, c, rp, r0, a;
};

// b = a A^2 / R0 of the describing function 1/Rp = 2 (1 - 1/sqrt(1 + b)) / (R0 b).
double describing_b(double r0_over_rp) {
  double lo = 1e-9;
  double hi = 1e9;
  for (int i = 0; i < 200; ++i) {
    const double b = std::sqrt(lo * hi);
    const double balance = 2 * (1 - 1 / std::sqrt(1 + b)) / (r0_over_rp * b) - 1;
    (balance > 0 ? lo : hi) = b;
  }
  return lo;
}

tank_values values_of(const tank_design& t) {
  tank_values v{};
  v.l = t.megahertz ? 10e-6 : 1 / (2 * pi);
  v.c = t.megahertz ? 1e-9 : 1 / (2 * pi);
  v.rp = t.q * std::sqrt(v.l / v.c);
  v.r0 = v.rp / t.gain_over_loss;
  // The example tank's a = 0.72 Rp at a gain of 2 (A = 0.9995 V); others
  // are sized for A = 1 V.
  v.a = t.gain_over_loss == 2 ? 0.72 * v.rp : v.r0 * describing_b(1 / t.gain_over_loss);
  return v;
}

std::string number(double x) {
  std::ostringstream s;
  s.precision(17);
  s << x;
  return s.str();
}

}  // namespace

std::string tank_netlist(const tank_design& t, double osc_amplitude) {
  const tank_values v = values_of(t);
  const std::string ref = t.supply != 0 ? "vdd" : "0";
  std::string text = "* LC tank, Q " + number(t.q) + "\n";
  if (t.supply != 0) text += "V1 vdd 0 " + number(t.supply) + "\n";
  text += "C1 o " + ref + " " + number(v.c) + "\n";
  text += "RP o " + ref + " " + number(v.rp) + "\n";
  text += "RN o " + ref + " POLY(" + number(-v.r0) + " 0 " + number(-v.a) + ") LIMITS(-10 10)\n";
  text += t.inductor_from_supply ? "L1 " + ref + " o " + number(v.l) + "\n"
                                 : "L1 o " + ref + " " + number(v.l) + "\n";
  if (t.central) text += ".options DIFFERENCE=CENTRAL\n";
  text += ".osc o " + number(tank_frequency(t)) + " " + number(osc_amplitude) + "\n";
  return text;
}

double tank_frequency(const tank_design& t) {
  const tank_values v = values_of(t);
  return 1 / (2 * pi * std::sqrt(v.l * v.c));
}

double describing_amplitude(const tank_design& t) {
  const tank_values v = values_of(t);
  return std::sqrt(describing_b(v.r0 / v.rp) * v.r0 / v.a);
}

double discrete_period(const tank_design& t, int planes) {
  return planes / pi * std::sin(pi / planes) / tank_frequency(t);
}

tank_outcome run_tank(const tank_design& t, double start, double osc_amplitude, int planes) {
  const compiled_netlist compiled = compile_netlist(tank_netlist(t, osc_amplitude));
  EXPECT_TRUE(compiled.ok);
  std::ostringstream answers;
  answers.precision(17);
  answers << "1e-9\nn\n" << start << "\nn\ny\n" << planes << "\nn\n0.0\n";
  const auto begin = std::chrono::steady_clock::now();
  const job_run job = run_job(write_network(compiled.network), answers.str());
  tank_outcome r{job.result.status, job.result.out, file_exists(job.file("O0.var")), 0, 0, 0, 0, 0};
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (!r.has_cycle) return r;
  auto state = load_state(job, "O0.var");
  r.period = state->period();
  // The tank is node 2: ground, the injection node, then the tank.
  std::complex<double> sum = 0;
  for (int j = 0; j < planes; ++j) {
    const double v = state->voltage(2, j);
    r.dc_level += v / planes;
    sum += v * std::polar(1.0, -2 * pi * j / planes);
    r.alternation += (j % 2 == 0 ? v : -v) / planes;
  }
  r.amplitude = 2 * std::abs(sum) / planes;
  r.alternation = std::fabs(r.alternation);
  return r;
}

}  // namespace pss::test
