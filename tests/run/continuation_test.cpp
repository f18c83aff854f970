// Continuation within a scan step: a step that fails at its target is
// retried by halving towards the last converged frequency and growing again.
//
// The circuit: a current source I0 + I1 sin(wt) into node a, a capacitor
// and a resistor whose current u / (1 + b u^2) can never exceed a bound.
// Where the peak current exceeds that bound, a periodic solution needs the
// capacitor to carry the excess, so it exists only above some frequency
// (or, with a parallel resistor, only on a far branch that Newton finds
// from a nearby start but not from a distant one).
#include <gtest/gtest.h>

#include "model/codes.h"
#include "support/circuit_plan.h"
#include "support/job.h"

namespace pss {
namespace {

using test::circuit_plan;

circuit_plan bounded_current(double dc, double ac, double b, double parallel) {
  circuit_plan plan;
  const int a = plan.unknown();
  plan.add({"I1", conection_type::isource, a, 0, 0, {{82, dc}, {81, ac}}, {0}, {0}, {}});
  plan.add({"RN",
            conection_type::resistor,
            a,
            0,
            1,
            {{206, 0}, {5, -1e3}, {6, 1e3}, {0, 1}, {1, 0}, {2, b}},
            {},
            {},
            {}});
  if (parallel > 0) plan.resistor("RB", a, 0, parallel, 2);
  plan.add({"C1", conection_type::cap1, a, 0, 3, {{600, 1e-3}}, {a}, {a}, {}});
  return plan;
}

TEST(continuation, a_step_that_fails_at_first_reaches_its_target) {
  const auto job = test::run_job(bounded_current(0.49, 0.4, 0.5, 1e4).bytes(),
                                 "1e-9\ny\n1000 0.01 1\ny\ny\n16\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  const std::string& out = job.result.out;
  // The first attempt at the target, straight from the 1 kHz solution, fails.
  EXPECT_NE(out.find("\nrun 0, freq 1.000000e-02\n"), std::string::npos);
  const std::size_t failed =
      out.find("non_converged at f = 1.000000e-02, f_n = 1.000000e-02, f_y = 1.000000e+03\n");
  ASSERT_NE(failed, std::string::npos) << out;
  // Halfway back it converges and says so, then goes on to the target.
  const std::size_t halfway =
      out.find("converged at f = 5.000050e+02, f_n = 5.000050e+02, f_y = 5.000050e+02\n");
  EXPECT_LT(failed, halfway);
  EXPECT_NE(halfway, std::string::npos);
  EXPECT_EQ(out.find("unable to continue"), std::string::npos);
  auto run0 = test::load_state(job, "0.var");
  EXPECT_DOUBLE_EQ(run0->period(), 100.0);
  auto run1 = test::load_state(job, "1.var");
  EXPECT_DOUBLE_EQ(run1->period(), 1e-3);
}

TEST(continuation, a_step_without_a_solution_ends_unable_to_continue) {
  const auto job = test::run_job(bounded_current(0.3, 0.4, 1.0, 0.0).bytes(),
                                 "1e-9\ny\n1000 0.001 1\ny\ny\n16\n");
  EXPECT_EQ(job.result.status, 1);
  const std::vector<std::string> lines = test::lines_of(job.result.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "unable to continue");
  EXPECT_NE(job.result.out.find("converged at f = "), std::string::npos);
  // The 1 kHz step stays; run 0 holds the lowest frequency reached.
  EXPECT_TRUE(test::file_exists(job.file("1.var")));
  auto reached = test::load_state(job, "0.var");
  EXPECT_GT(reached->period(), 1e-3);
  EXPECT_LT(reached->period(), 1.0);
}

TEST(continuation, the_first_step_has_nothing_to_continue_from) {
  const auto job = test::run_job(bounded_current(0.3, 0.4, 1.0, 0.0).bytes(),
                                 "1e-9\ny\n0.001 1000 1\ny\ny\n16\n");
  EXPECT_EQ(job.result.status, 1);
  const std::vector<std::string> lines = test::lines_of(job.result.out);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            "non_converged at f = 1.000000e-03, f_n = 1.000000e-03, f_y = 0.000000e+00");
  EXPECT_FALSE(test::file_exists(job.file("0.var")));
}

}  // namespace
}  // namespace pss
