// Driven circuits solved end to end and checked against a dense solve of
// the same difference equations written out here, and against the
// continuous-time answer as the plane count grows.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "model/codes.h"
#include "support/circuit_plan.h"
#include "support/dense.h"
#include "support/job.h"

namespace pss {
namespace {

using test::circuit_plan;
constexpr double pi = std::numbers::pi;

// The answers of a fixed-period job at `f` on `planes` planes.
std::string fixed_job(double f, int planes) {
  char text[128];
  std::snprintf(text, sizeof text, "1e-12\nn\n%.17g\ny\ny\n%d\n", f, planes);
  return text;
}

// A unit sine source on node s (1) to ground.
int sine_source(circuit_plan& plan, double amplitude = 1.0) {
  const int s = plan.fixed(0.0);
  plan.add({"V1", conection_type::vsource, s, 0, 0, {{82, 0.0}, {81, amplitude}}, {s}, {s}, {}});
  return s;
}

double source(int j, int planes, double amplitude = 1.0) {
  return amplitude * std::sin(2 * pi * j / planes);
}

int wrap(int j, int planes) {
  return (j % planes + planes) % planes;
}

// ---------------------------------------------------------------- RC

constexpr double rc_r = 1000, rc_c = 1e-6;
const double rc_f = 1 / (2 * pi * rc_r * rc_c);  // omega R C = 1

circuit_plan rc_circuit(int32_t cap_type) {
  circuit_plan plan;
  const int s = sine_source(plan);
  const int a = plan.unknown();
  plan.resistor("R1", s, a, rc_r);
  plan.add({"C1", cap_type, a, 0, 0, {{600, rc_c}}, {a}, {a}, {}});
  return plan;
}

// Kirchhoff's law at a in plane j, with the capacitor's difference.
std::vector<double> rc_reference(int32_t cap_type, int planes) {
  const double t = 1 / rc_f;
  return test::newton_reference(
      [&](const std::vector<double>& a) {
        std::vector<double> f(a.size());
        for (int j = 0; j < planes; ++j) {
          const double prev = a[wrap(j - 1, planes)], next = a[wrap(j + 1, planes)];
          const double cap = cap_type == conection_type::cap1
                                 ? rc_c * (prev - a[j]) / (t / planes)
                                 : rc_c * (prev - next) / (2 * t / planes);
          f[j] = (source(j, planes) - a[j]) / rc_r + cap;
        }
        return f;
      },
      std::vector<double>(static_cast<std::size_t>(planes), 0.0));
}

// Largest difference of node a (position 2) from the continuous answer
// Im(h e^{iwt}) to the unit sine source.
double continuous_error(test::loaded_state& state, int planes, std::complex<double> h) {
  double worst = 0.0;
  for (int j = 0; j < planes; ++j) {
    const double exact = std::imag(h * std::polar(1.0, 2 * pi * j / planes));
    worst = std::max(worst, std::fabs(state.voltage(2, j) - exact));
  }
  return worst;
}

// At omega R C = 1.
double rc_error(test::loaded_state& state, int planes) {
  return continuous_error(state, planes, 1.0 / std::complex<double>(1.0, 1.0));
}

TEST(driven_circuits, rc_low_pass_matches_its_difference_equations_and_converges) {
  struct row {
    int32_t type;
    double order;  // the error falls as planes^-order
  };
  for (const row& r : {row{conection_type::cap1, 1.0}, row{conection_type::cap2, 2.0}}) {
    double previous_error = 0;
    for (int planes : {16, 32, 64}) {
      const auto job = test::run_job(rc_circuit(r.type).bytes(), fixed_job(rc_f, planes));
      ASSERT_EQ(job.result.status, 0) << job.result.out;
      auto state = test::load_state(job, "0.var");
      const std::vector<double> expected = rc_reference(r.type, planes);
      for (int j = 0; j < planes; ++j) {
        EXPECT_NEAR(state->voltage(2, j), expected[static_cast<std::size_t>(j)], 1e-10)
            << r.type << " plane " << j;
      }
      const double error = rc_error(*state, planes);
      if (previous_error > 0) {
        EXPECT_NEAR(std::log2(previous_error / error), r.order, 0.2) << r.type << " " << planes;
      }
      previous_error = error;
    }
  }
}

// ---------------------------------------------------------------- RL

constexpr double rl_r = 1.0, rl_sense = 1e-4;
const double rl_l = 1 / (2 * pi);  // omega L = R at 1 Hz

// s -R1- a -L1- n -RS- g; RS senses the inductor current.
circuit_plan rl_circuit(int32_t type) {
  circuit_plan plan;
  const int s = sine_source(plan);
  const int a = plan.unknown();
  const int n = plan.unknown();
  plan.resistor("R1", s, a, rl_r);
  plan.add({"L1", type, a, n, 0, {{700, rl_l}}, {0, n}, {n, 0}, {}});
  plan.resistor("RS", n, 0, rl_sense);
  return plan;
}

// Unknowns a_0..a_{N-1}, then n_0..n_{N-1}.
std::vector<double> rl_reference(int32_t type, int planes) {
  const double step = 1.0 / planes;  // T = 1 s
  return test::newton_reference(
      [&](const std::vector<double>& x) {
        std::vector<double> f(x.size());
        for (int j = 0; j < planes; ++j) {
          const int p = wrap(j - 1, planes);
          const double a = x[j], n = x[planes + j], ap = x[p], np = x[planes + p];
          double into_a, into_n;  // the inductor's currents into a and n
          if (type == conection_type::inductor) {
            into_a = step / rl_l * (np - ap) - np / rl_sense;
            into_n = -into_a;
          } else {
            const double m = step / (4 * rl_l), h = 0.5 / rl_sense;
            into_a = m * ((n - a) + (np - ap)) - h * (n + np);
            into_n = -into_a;
          }
          f[j] = (source(j, planes) - a) / rl_r + into_a;
          f[planes + j] = into_n - n / rl_sense;
        }
        return f;
      },
      std::vector<double>(static_cast<std::size_t>(2 * planes), 0.0));
}

double rl_error(test::loaded_state& state, int planes) {
  const std::complex<double> z_load(rl_sense, 1.0);  // RS + i w L with w L = 1
  return continuous_error(state, planes, z_load / (rl_r + z_load));
}

TEST(driven_circuits, rl_matches_its_difference_equations_and_converges) {
  struct row {
    int32_t type;
    double order;
  };
  for (const row& r :
       {row{conection_type::inductor, 1.0}, row{conection_type::inductor_trap, 2.0}}) {
    double previous_error = 0;
    for (int planes : {16, 32, 64}) {
      const auto job = test::run_job(rl_circuit(r.type).bytes(), fixed_job(1.0, planes));
      ASSERT_EQ(job.result.status, 0) << job.result.out;
      auto state = test::load_state(job, "0.var");
      const std::vector<double> expected = rl_reference(r.type, planes);
      for (int j = 0; j < planes; ++j) {
        EXPECT_NEAR(state->voltage(2, j), expected[static_cast<std::size_t>(j)], 1e-9)
            << r.type << " plane " << j;
        EXPECT_NEAR(state->voltage(3, j), expected[static_cast<std::size_t>(planes + j)], 1e-12)
            << r.type << " plane " << j;
      }
      const double error = rl_error(*state, planes);
      if (previous_error > 0) {
        EXPECT_NEAR(std::log2(previous_error / error), r.order, 0.2) << r.type << " " << planes;
      }
      previous_error = error;
    }
  }
}

// ---------------------------------------------------------------- rectifier

constexpr double is = 1e-9, exponent = 38.6815;

// The diode law: exponential within +-0.5 V, continued linearly beyond.
double diode(double v) {
  const double edge = std::clamp(v, -0.5, 0.5);
  const double e = std::exp(exponent * edge);
  return is * (e - 1) + (v - edge) * exponent * is * e;
}

TEST(driven_circuits, half_wave_rectifier_matches_its_difference_equations) {
  constexpr int planes = 64;
  constexpr double r = 1000, c = 10e-6, f = 50, peak = 5;
  circuit_plan plan;
  const int s = sine_source(plan, peak);
  const int a = plan.unknown();
  plan.add({"D1", conection_type::diode, s, a, 0, {{201, is}}, {s}, {s}, {}});
  plan.resistor("RL", a, 0, r);
  plan.add({"CL", conection_type::cap1, a, 0, 1, {{600, c}}, {a}, {a}, {}});
  const auto job = test::run_job(plan.bytes(), fixed_job(f, planes));
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  auto state = test::load_state(job, "0.var");
  const std::vector<double> expected = test::newton_reference(
      [&](const std::vector<double>& x) {
        std::vector<double> res(x.size());
        for (int j = 0; j < planes; ++j) {
          res[j] = diode(source(j, planes, peak) - x[j]) - x[j] / r +
                   c * (x[wrap(j - 1, planes)] - x[j]) * f * planes;
        }
        return res;
      },
      std::vector<double>(planes, 0.0));
  double low = peak, high = 0;
  for (int j = 0; j < planes; ++j) {
    EXPECT_NEAR(state->voltage(a, j), expected[static_cast<std::size_t>(j)], 1e-9) << j;
    low = std::min(low, state->voltage(a, j));
    high = std::max(high, state->voltage(a, j));
  }
  // The load holds near the peak and sags between peaks (RC = 10 ms, T = 20 ms).
  EXPECT_GT(high, 4.0);
  EXPECT_LT(high, peak);
  EXPECT_GT(low, 1.0);
  EXPECT_LT(low, high - 0.5);
}

// ---------------------------------------------------------------- generator

TEST(driven_circuits, a_delayed_generator_follows_its_control_planes_earlier) {
  constexpr int planes = 16;
  constexpr double f = 100, gain = 2;
  // s -R1- x -R2- g; the generator drives gain times R2's current from g
  // into y, 3.5 plane steps late; R3 loads y.
  circuit_plan plan;
  const int s = sine_source(plan);
  const int x = plan.unknown();
  const int y = plan.unknown();
  plan.resistor("R1", s, x, 1000);
  plan.resistor("R2", x, 0, 1000);
  plan.resistor("R3", y, 0, 1000);
  const double delay = 3.5 / (f * planes);
  plan.add({"G1",
            conection_type::igen,
            y,
            0,
            1,
            {{70, gain}, {71, delay}, {73, 0}},
            {0, x, 0},
            {0, x, 0},
            {}});
  const auto job = test::run_job(plan.bytes(), fixed_job(f, planes));
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  auto state = test::load_state(job, "0.var");
  for (int j = 0; j < planes; ++j) {
    EXPECT_NEAR(state->voltage(x, j), source(j, planes) / 2, 1e-12) << j;
    // The control is read three planes back: the later plane of the pair
    // that brackets 3.5 steps.
    EXPECT_NEAR(state->voltage(y, j), gain * source(wrap(j - 3, planes), planes) / 2, 1e-12) << j;
  }
}

}  // namespace
}  // namespace pss
