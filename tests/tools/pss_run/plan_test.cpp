// The answers pss-run gives pss's dialogue: each option over the netlist's
// .pss directive over the defaults, in the order pss asks; and which of
// pss's lines are dialogue rather than progress.
#include <gtest/gtest.h>

#include "tools/pss_run/job_plan.h"
#include "tools/pss_run/run_options.h"
#include "tools/pss_run/solve.h"

namespace pss {
namespace {

const char* const rc = "V1 in 0 SIN(1)\nR1 in out 1k\nC1 out 0 1u\n";
const char* const tank =
    "C1 o 0 1\nL1 o 0 1\nRN o 0 POLY(-25 0 -36) LIMITS(-10 10)\n.osc o 1 1\n";

// The plan pss-run settles for the netlist text and the options after
// "t.cir"; false, with `error` set, when it refuses the dialogue.
bool plan_for(const std::string& netlist, const std::vector<std::string>& options, job_plan& plan,
              std::string& error) {
  std::vector<std::string> args = {"t.cir"};
  args.insert(args.end(), options.begin(), options.end());
  run_options parsed;
  EXPECT_TRUE(parse_run_options(args, parsed, error)) << error;
  const compiled_netlist compiled = compile_netlist(netlist);
  EXPECT_TRUE(compiled.ok) << netlist;
  return settle_plan(parsed, compiled, plan, error);
}

TEST(pss_run_plan, options_over_the_directive_over_the_defaults) {
  struct row {
    std::string netlist;
    std::vector<std::string> options;
    const char* answers;
  };
  const std::string r = rc;
  const std::string t = tank;
  const row rows[] = {
      {r, {"--freq", "1k"}, "1e-9\nn\n1000\ny\ny\n64\n"},
      {r + ".pss 159.15 PLANES=32 ACCURACY=1e-12\n", {}, "1e-12\nn\n159.15\ny\ny\n32\n"},
      {r + ".pss 159.15 PLANES=32\n", {"--planes=128", "--freq", "2.5k"},
       "1e-9\nn\n2500\ny\ny\n128\n"},
      {r + ".pss 159.15\n", {"--scan", "1k", "2k", "4", "--accuracy", "1e-6"},
       "1e-6\ny\n1000 2000 4\ny\ny\n64\n"},
      {r + ".pss SCAN(1k 2k 4)\n", {"--freq", "50"}, "1e-9\nn\n50\ny\ny\n64\n"},
      {t + ".pss 0.995 PLANES=32\n", {}, "1e-9\nn\n0.995\nn\ny\n32\nn\n0\n"},
      {t + ".pss 0.995 DVDF(0 -0.01 2)\n", {}, "1e-9\nn\n0.995\nn\ny\n64\ny\n0 -0.01 2\n"},
      {t + ".pss 0.995\n", {"--dvdf", "-0.01"}, "1e-9\nn\n0.995\nn\ny\n64\nn\n-0.01\n"},
      {t + ".pss 0.995\n", {"--fixed"}, "1e-9\nn\n0.995\ny\ny\n64\n"},
      {t + ".pss 0.995 FIXED\n", {"--free"}, "1e-9\nn\n0.995\nn\ny\n64\nn\n0\n"},
      {r + "R2 x 0 1\nR3 y 0 1\n.twin y x\n.pss 50\n", {"--twinning", "0"},
       "1e-9\nn\n50\ny\ny\n64\n0\n"},
  };
  for (const row& x : rows) {
    job_plan plan;
    std::string error;
    ASSERT_TRUE(plan_for(x.netlist, x.options, plan, error)) << x.netlist << error;
    EXPECT_EQ(dialogue_answers(plan), x.answers) << x.netlist;
  }
}

TEST(pss_run_plan, a_dialogue_it_cannot_answer_is_refused) {
  struct row {
    std::string netlist;
    std::vector<std::string> options;
    const char* error;
  };
  const std::string r = rc;
  const row rows[] = {
      {r, {}, "no frequency: give --freq F or --scan F1 F2 STEPS, or a .pss directive in the "
              "netlist"},
      {r + ".pss 50\n", {"--free"},
       "a free period needs an oscillator set up with .osc in the netlist"},
      {std::string(tank) + ".pss 1 FIXED\n", {"--dvdf", "0"},
       "dV/df values go with a free period (an .osc oscillator)"},
      {r + "R2 x 0 1\nR3 y 0 1\n.twin y x\n.pss 50\n", {},
       "the netlist twins 1 node(s): give --twinning K (0 undo, 1 t=0, 2 t=0 and t=0.5, 3 t "
       "and t-0.5)"},
  };
  for (const row& x : rows) {
    job_plan plan;
    std::string error;
    EXPECT_FALSE(plan_for(x.netlist, x.options, plan, error)) << x.netlist;
    EXPECT_EQ(error, x.error);
  }
}

TEST(pss_run_plan, the_command_line_is_checked) {
  struct row {
    std::vector<std::string> args;
    const char* error;
  };
  const row rows[] = {
      {{}, "needs CIRCUIT.cir"},
      {{"a.cir", "b.cir"}, "one netlist at a time"},
      {{"a.cir", "--freq"}, "--freq needs 1 value"},
      {{"a.cir", "--freq", "-1"}, "--freq must be a positive number, not -1"},
      {{"a.cir", "--freq", "1k5"}, "--freq must be a positive number, not 1k5"},
      {{"a.cir", "--scan", "1k", "2k"}, "--scan needs 3 values"},
      {{"a.cir", "--scan", "1k", "2k", "0"},
       "--scan takes two positive frequencies and a whole number of steps from 1"},
      {{"a.cir", "--planes", "0"}, "--planes must be a whole number from 1, not 0"},
      {{"a.cir", "--twinning", "4"}, "--twinning must be 0, 1, 2 or 3"},
      {{"a.cir", "--svg=1"}, "--svg takes no value"},
      {{"a.cir", "--periods", "2"}, "--periods goes with --svg"},
      {{"a.cir", "--order", "2"}, "--order goes with --extrapolate"},
      {{"a.cir", "--colour"}, "unknown option --colour"},
  };
  for (const row& r : rows) {
    run_options options;
    std::string error;
    EXPECT_FALSE(parse_run_options(r.args, options, error));
    EXPECT_EQ(error, r.error);
  }
}

TEST(pss_run_plan, answer_numbers_read_back_exactly) {
  for (double v : {1e-9, 159.15494309189535, 0.995, 5032.921210448704, 0.0, -0.01, 1e20, 50.0}) {
    const std::string text = answer_number(v);
    EXPECT_EQ(std::stod(text), v) << text;
  }
  EXPECT_EQ(answer_number(1e-9), "1e-9");
  EXPECT_EQ(answer_number(1e20), "1e20");
}

TEST(pss_run_plan, the_dialogue_stays_in_the_log_and_progress_passes_on) {
  for (const char* line :
       {"convergence accuracy?", "scan frequency (y/n)?", "fundamental frequency?",
        "starting frequency, final frequency and number of frequency steps?",
        "Take default values for all sources (y/n default y)", "V(1, 0)", "I(3, 2)",
        "dc_level (default 1.000000e+00)", "ac_amplitude (default 1.000000e+00)",
        "number of time planes required?", "Twin nodes[4,2]: option?", " 0) undo twinning",
        " 3) t, t-0.5 twinning", "scan dvdf (y/n)?",
        "Required dV/df? (dV/df = 0.0 for natural oscillation)"}) {
    EXPECT_TRUE(is_dialogue_line(line)) << line;
  }
  for (const char* line :
       {"performing DC solution", "   iter 3, error 1.044176e-14", "", "run 0, freq 1.0e+03",
        "freq 9.950000e-01", "DC not converged", "not converged",
        "warning: the oscillation collapsed to the equilibrium; the period found is meaningless",
        "non_converged at f = 1.000000e+03, f_n = 1.000000e+03, f_y = 0.000000e+00"}) {
    EXPECT_FALSE(is_dialogue_line(line)) << line;
  }
  EXPECT_TRUE(refused_an_answer({1, {"fundamental frequency?",
                                     "error, answer to \"fundamental frequency?\" is not a "
                                     "number: \"x\""}}));
  EXPECT_FALSE(refused_an_answer({1, {"performing DC solution", "DC not converged"}}));
}

}  // namespace
}  // namespace pss
