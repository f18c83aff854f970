// The oscillator path beyond a lucky start: the faults it once had, its
// honest endings, and the pieces of the search (the ringing estimate and
// the deflated step).
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "newton/guarded.h"
#include "run/ringing.h"
#include "support/job.h"
#include "support/net_builder.h"
#include "support/tank_jobs.h"
#include "tools/netlist/netlist.h"

namespace pss {
namespace {

constexpr double pi = std::numbers::pi;

void expect_natural(const test::tank_design& tank, const test::tank_outcome& r, int planes) {
  ASSERT_EQ(r.status, 0) << r.out;
  ASSERT_TRUE(r.has_cycle);
  EXPECT_NEAR(r.period / test::discrete_period(tank, planes), 1.0, 1e-4);
  EXPECT_NEAR(r.amplitude / test::describing_amplitude(tank), 1.0, 0.03);
}

// Once stopped in the first frequency run with "get_conection: neighbour
// not found": the sense resistor ended on the injected node, whose previous
// plane the injection relinks.
TEST(oscillator_faults, an_inductor_whose_first_node_is_not_the_tank_solves) {
  for (double supply : {0.0, 5.0}) {
    test::tank_design tank;
    tank.supply = supply;
    tank.inductor_from_supply = true;
    const double f0 = test::tank_frequency(tank);
    const test::tank_outcome r = test::run_tank(tank, 0.995 * f0, 1.0, 32);
    expect_natural(tank, r, 32);
    EXPECT_NEAR(r.dc_level, supply, 1e-6);
  }
}

// Once a second plane fell inside the injection window above 1000 planes,
// and the job ended with status 0 on a garbage cycle.
TEST(oscillator_faults, more_than_1000_planes_keep_plane_0_alone_in_the_window) {
  const test::tank_design tank;
  const test::tank_outcome r = test::run_tank(tank, 0.995 * test::tank_frequency(tank), 1.0, 1024);
  expect_natural(tank, r, 1024);
}

TEST(oscillator_faults, a_window_that_holds_more_than_plane_0_is_refused_before_the_double_runs) {
  // The hand-written tank's window (-0.001, 0.001) holds plane 1 of 1024.
  const auto job = test::run_job(test::net_bytes(test::data_text("oscillator.txt")),
                                 "1e-9\nn\n0.995\nn\ny\n1024\nn\n0.0\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_NE(job.result.out.find("holds 1 of the 1024 time planes besides plane 0"),
            std::string::npos)
      << job.result.out;
  EXPECT_EQ(job.result.out.find("performing independent double PSS solution\n"
                                "   iter"),
            std::string::npos);
  EXPECT_FALSE(test::file_exists(job.file("DP.var")));
}

// Once the injection fought the bias: .osc's amplitude was an absolute
// voltage, while the tank sat at its supply's.
TEST(oscillator_faults, a_tank_on_a_dc_level_is_injected_about_it) {
  test::tank_design tank;
  tank.supply = 5;
  const double f0 = test::tank_frequency(tank);
  const test::tank_outcome r = test::run_tank(tank, 0.995 * f0, 1.0, 32);
  expect_natural(tank, r, 32);
  EXPECT_NEAR(r.dc_level, 5.0, 1e-6);
  EXPECT_NE(r.out.find("injection level 6.000000e+00 V: the tank's DC level 5.000000e+00 V plus "
                       "the amplitude 1.000000e+00 V\n"),
            std::string::npos)
      << r.out;
}

TEST(oscillator_faults, a_network_without_the_mark_injects_at_its_absolute_level) {
  const auto job = test::run_job(test::net_bytes(test::data_text("oscillator.txt")),
                                 "1e-9\nn\n0.995\nn\ny\n32\nn\n0.0\n");
  EXPECT_EQ(job.result.status, 0);
  EXPECT_EQ(job.result.out.find("injection level"), std::string::npos);
}

TEST(oscillator_search, finds_the_natural_cycle_from_far_starts) {
  // The plain sequence collapses onto the equilibrium from each of these.
  const test::tank_design tank;
  const double f0 = test::tank_frequency(tank);
  for (double ratio : {0.7, 1.4}) {
    const test::tank_outcome r = test::run_tank(tank, ratio * f0, 1.0, 32);
    expect_natural(tank, r, 32);
    EXPECT_NE(r.out.find("\nsearch 1: "), std::string::npos);
  }
}

TEST(oscillator_search, a_tank_that_cannot_oscillate_ends_with_status_1_and_no_cycle_file) {
  // Its negative resistor makes up for only half the loss: the only cycle is
  // the equilibrium, and no answer is one.
  test::tank_design tank;
  tank.gain_over_loss = 0.5;
  const test::tank_outcome r = test::run_tank(tank, 0.995 * test::tank_frequency(tank), 1.0, 32);
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_FALSE(r.has_cycle);
  EXPECT_NE(r.out.find("error, oscillator search: no natural cycle found"), std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("warning"), std::string::npos);
}

// Central differences admit a mode that alternates between even and odd
// planes; on 8 planes the coupled runs once settled on it with status 0.
TEST(oscillator_search, a_central_difference_tank_never_ends_on_an_alternating_cycle) {
  test::tank_design tank;
  tank.central = true;
  for (int planes : {8, 16, 32}) {
    const test::tank_outcome r = test::run_tank(tank, 0.995 * test::tank_frequency(tank),
                                                test::describing_amplitude(tank), planes);
    if (r.status == 0) {
      ASSERT_TRUE(r.has_cycle) << planes;
      EXPECT_LT(r.alternation, 1e-3 * r.amplitude) << planes << " planes\n" << r.out;
    } else {
      EXPECT_EQ(r.status, 1) << r.out;
      EXPECT_FALSE(r.has_cycle) << planes;
      EXPECT_NE(r.out.find("error, oscillator search: no natural cycle found"), std::string::npos)
          << r.out;
    }
  }
}

TEST(oscillator_search, a_dvdf_scan_continues_from_the_cycle_found) {
  const test::tank_design tank;
  const compiled_netlist compiled = compile_netlist(test::tank_netlist(tank, 1.0));
  const auto job = test::run_job(write_network(compiled.network),
                                 "1e-9\nn\n" + std::to_string(0.8 * test::tank_frequency(tank)) +
                                     "\nn\ny\n32\ny\n0 -0.02 2\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  EXPECT_NE(job.result.out.find("\nsearch 1: "), std::string::npos);
  for (int run = 0; run <= 2; ++run) {
    auto state = test::load_state(job, "O" + std::to_string(run) + ".var");
    EXPECT_NEAR(state->period() / test::discrete_period(tank, 32), 1.0, 1e-4) << run;
  }
}

TEST(ringing_estimate, recovers_the_frequency_and_growth_of_a_ringing_tank) {
  // v[k] = d + A rho^k cos(theta k + phi) on N planes at frequency f rings at
  // f theta N / (2 pi) and grows by rho^N a period.
  struct row {
    int planes;
    double theta;
    double rho;
    double offset;
  };
  const row rows[] = {
      {16, 2 * pi / 16 * 1.3, 1.0, 0.0},
      {32, 2 * pi / 32 * 0.7, 0.99, 5.0},
      {4096, 2 * pi / 4096 * 1.01, 1.0, 0.0},
      {64, 2 * pi / 64, 1.001, -2.0},
  };
  for (const row& r : rows) {
    std::vector<double> v(static_cast<std::size_t>(r.planes));
    for (int k = 0; k < r.planes; ++k) {
      v[static_cast<std::size_t>(k)] = r.offset + std::pow(r.rho, k) * std::cos(r.theta * k + 0.3);
    }
    v[0] = 123.0;  // the injected plane is left out
    const ringing e = estimate_ringing(v, 2.0);
    ASSERT_TRUE(e.found) << r.planes;
    EXPECT_NEAR(e.frequency / (2.0 * r.theta * r.planes / (2 * pi)), 1.0, 1e-9) << r.planes;
    EXPECT_NEAR(e.growth / std::pow(r.rho, r.planes), 1.0, 1e-6) << r.planes;
  }
  std::vector<double> decay(32);
  for (std::size_t k = 0; k < decay.size(); ++k) decay[k] = std::pow(0.9, k);
  EXPECT_FALSE(estimate_ringing(decay, 1.0).found);
}

TEST(deflation, the_deflated_step_is_newtons_step_on_the_deflated_residual) {
  // For f(x) = x (x - 2) with the root 0 deflated, g = M f with
  // M = 1/x^2 + 1: the factor turns the plain step into -g/g'.
  deflated_root root;
  root.values = {0.0};
  root.weights = {1.0};
  const auto f = [](double x) { return x * (x - 2); };
  const auto g = [&](double x) { return (1 / (x * x) + 1) * f(x); };
  for (double x0 : {0.3, 0.9, -0.5, 3.0}) {
    double xv = x0;
    double step = -f(x0) / (2 * x0 - 2);
    real_vector x{&xv, 1};
    real_vector d{&step, 1};
    const double h = 1e-6;
    const double newton_on_g = -g(x0) / ((g(x0 + h) - g(x0 - h)) / (2 * h));
    EXPECT_NEAR(deflation_factor(root, &x, &d) * step, newton_on_g, 1e-6) << x0;
  }
}

}  // namespace
}  // namespace pss
