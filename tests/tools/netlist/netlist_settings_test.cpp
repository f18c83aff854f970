// The netlist-wide settings: the analysis plan of .pss, which must leave the
// network file as it is, and the default difference forms of .options.
#include <gtest/gtest.h>

#include "model/codes.h"
#include "tools/netlist/compiled_circuit.h"

namespace pss {
namespace {

const char* const rc = "V1 in 0 SIN(1)\nR1 in out 1k\nC1 out 0 1u\n";
const char* const tank = "C1 o 0 1\nL1 o 0 1\nRN o 0 POLY(-25 0 -36) LIMITS(-10 10)\n.osc o 1 1\n";

TEST(netlist_settings, the_analysis_directive_reads_into_the_plan) {
  struct row {
    std::string netlist;
    analysis_plan plan;  // `given` and `line` are checked apart
  };
  auto plan = [](bool has_f, bool scan, value_range f, int period, int planes, double accuracy,
                 bool has_dvdf, value_range dvdf) {
    analysis_plan p;
    p.has_frequency = has_f;
    p.scan = scan;
    p.frequency = f;
    p.period = period;
    p.planes = planes;
    p.accuracy = accuracy;
    p.has_dvdf = has_dvdf;
    p.dvdf = dvdf;
    return p;
  };
  using namespace analysis_period;
  const row rows[] = {
      {std::string(rc) + ".pss 159.15 PLANES=64\n",
       plan(true, false, {159.15, 159.15, 0}, unset, 64, 0, false, {})},
      {std::string(".PSS freq=1k fixed accuracy(1e-10)\n") + rc,
       plan(true, false, {1e3, 1e3, 0}, fixed, 0, 1e-10, false, {})},
      {std::string(rc) + ".pss SCAN(1k 2k 4) PLANES=32\n",
       plan(true, true, {1e3, 2e3, 4}, unset, 32, 0, false, {})},
      {std::string(rc) + ".pss PLANES=16\n", plan(false, false, {}, unset, 16, 0, false, {})},
      {std::string(tank) + ".pss 0.995 FREE PLANES=32 DVDF=0\n",
       plan(true, false, {0.995, 0.995, 0}, free, 32, 0, true, {0, 0, 0})},
      {std::string(tank) + ".pss 0.995 DVDF(0 -0.01 2)\n",
       plan(true, false, {0.995, 0.995, 0}, unset, 0, 0, true, {0, -0.01, 2})},
      {std::string(tank) + ".pss 0.995 DVDF(-0.01)\n",
       plan(true, false, {0.995, 0.995, 0}, unset, 0, 0, true, {-0.01, -0.01, 0})},
  };
  for (const row& r : rows) {
    const compiled_netlist out = compile_netlist(r.netlist);
    ASSERT_TRUE(out.ok) << r.netlist << (out.messages.empty() ? "" : out.messages[0].text);
    const analysis_plan& got = out.analysis;
    EXPECT_TRUE(got.given) << r.netlist;
    EXPECT_EQ(got.has_frequency, r.plan.has_frequency) << r.netlist;
    EXPECT_EQ(got.scan, r.plan.scan) << r.netlist;
    EXPECT_EQ(got.frequency.start, r.plan.frequency.start) << r.netlist;
    EXPECT_EQ(got.frequency.final, r.plan.frequency.final) << r.netlist;
    EXPECT_EQ(got.frequency.steps, r.plan.frequency.steps) << r.netlist;
    EXPECT_EQ(got.fundamental(), r.plan.frequency.start) << r.netlist;
    EXPECT_EQ(got.period, r.plan.period) << r.netlist;
    EXPECT_EQ(got.planes, r.plan.planes) << r.netlist;
    EXPECT_EQ(got.accuracy, r.plan.accuracy) << r.netlist;
    EXPECT_EQ(got.has_dvdf, r.plan.has_dvdf) << r.netlist;
    EXPECT_EQ(got.dvdf.start, r.plan.dvdf.start) << r.netlist;
    EXPECT_EQ(got.dvdf.final, r.plan.dvdf.final) << r.netlist;
    EXPECT_EQ(got.dvdf.steps, r.plan.dvdf.steps) << r.netlist;
  }
  EXPECT_FALSE(compile_netlist(rc).analysis.given);
}

TEST(netlist_settings, the_analysis_directive_leaves_the_network_file_as_it_is) {
  for (const char* netlist : {rc, tank}) {
    const compiled_netlist plain = compile_netlist(netlist);
    for (const std::string& directive :
         {std::string(".pss 1 PLANES=8\n"), std::string(".pss SCAN(1 2 3)\n")}) {
      const compiled_netlist with = compile_netlist(directive + netlist);
      ASSERT_TRUE(plain.ok && with.ok) << directive << netlist;
      EXPECT_EQ(write_network(with.network), write_network(plain.network)) << directive;
      EXPECT_EQ(names_text(with.names), names_text(plain.names)) << directive;
    }
  }
}

TEST(netlist_settings, malformed_settings_are_errors_on_their_line) {
  struct row {
    std::string netlist;
    const char* message;
  };
  const std::string r = rc;
  const row rows[] = {
      {r + ".pss 1k FREQ=2k\n", "4: .pss: give one fundamental frequency or one SCAN"},
      {r + ".pss 1k SCAN(1 2 3)\n", "4: .pss: give one fundamental frequency or one SCAN"},
      {r + ".pss -1k\n", "4: .pss: frequencies must be positive"},
      {r + ".pss SCAN(1k 0 4)\n", "4: .pss: frequencies must be positive"},
      {r + ".pss SCAN(1k 2k 2.5)\n", "4: .pss: the number of SCAN steps must be a whole number"},
      {r + ".pss SCAN(1k 2k)\n", "4: .pss: SCAN(...) takes 3 values"},
      {r + ".pss 1k PLANES=0\n", "4: .pss: PLANES must be a whole number from 1"},
      {r + ".pss 1k PLANES=6.5\n", "4: .pss: PLANES must be a whole number from 1"},
      {r + ".pss 1k ACCURACY=0\n", "4: .pss: ACCURACY must be positive"},
      {r + ".pss 1k FIXED FREE\n", "4: .pss: FIXED and FREE exclude each other"},
      {r + ".pss 1k FREE\n", "4: .pss: FREE needs an oscillator set up with .osc"},
      {r + ".pss 1k DVDF=0\n", "4: .pss: DVDF goes with a free period"},
      {std::string(tank) + ".pss 1 FIXED DVDF=0\n", "5: .pss: DVDF goes with a free period"},
      {r + ".pss 1k STEPS=3\n", "4: .pss: unexpected 'STEPS='"},
      {r + ".pss 1k\n.pss 2k\n", "5: .pss: a second analysis directive (first on line 4)"},
      {r + ".options DIFFERENCE=forward\n", "4: .options: DIFFERENCE is BACKWARD or CENTRAL"},
      {r + ".options DIFFERENCE=central\n.options DIFFERENCE=central\n",
       "5: .options: DIFFERENCE given twice (first on line 4)"},
      {r + ".options RELTOL=1e-3\n", "4: .options: unexpected 'RELTOL='"},
      {"C1 a 0 1u CAP1 CAP2\nR1 a 0 1\n", "1: C1: CAP1 and CAP2 exclude each other"},
      {"L1 a 0 1m TRAP EXPLICIT\nR1 a 0 1\n", "1: L1: EXPLICIT and TRAP exclude each other"},
  };
  for (const row& x : rows) {
    const compiled_netlist out = compile_netlist(x.netlist);
    EXPECT_FALSE(out.ok) << x.netlist;
    std::string all;
    for (const netlist_message& m : out.messages) all += message_line("t.cir", m) + "\n";
    const std::string message = x.message;
    const std::string line = message.substr(0, message.find(':'));
    const std::string expected = "t.cir:" + line + ": error:" + message.substr(line.size() + 1);
    EXPECT_NE(all.find(expected), std::string::npos) << x.netlist << all;
  }
}

// The forms each line ends with: the netlist-wide option decides for lines
// that do not choose, wherever the option stands.
TEST(netlist_settings, the_difference_option_sets_the_default_forms) {
  struct row {
    const char* settings;
    const char* capacitor_flag;
    const char* inductor_flag;
    int32_t capacitor;
    int32_t inductor;
  };
  using namespace conection_type;
  const row rows[] = {
      {"", "", "", cap1, inductor},
      {".options DIFFERENCE=BACKWARD\n", "", "", cap1, inductor},
      {".options DIFFERENCE=CENTRAL\n", "", "", cap2, inductor_trap},
      {".options difference=central\n", " CAP1", " EXPLICIT", cap1, inductor},
      {"", " CAP2", " TRAP", cap2, inductor_trap},
      {".options DIFFERENCE=CENTRAL\n", " CAP2", " TRAP", cap2, inductor_trap},
  };
  for (const row& r : rows) {
    // The option stands after the elements on purpose.
    std::string netlist = "V1 in 0 SIN(1)\nR1 in a 1k\nC1 a 0 1u";
    netlist.append(r.capacitor_flag).append("\nL1 a 0 1m").append(r.inductor_flag);
    netlist.append("\n").append(r.settings);
    const auto cc = test::compile_and_read(netlist);
    ASSERT_TRUE(cc->result.ok) << netlist;
    EXPECT_EQ(test::ends_of(cc->c, "C1")[0].entry->conection->type, r.capacitor) << netlist;
    EXPECT_EQ(test::ends_of(cc->c, "L1")[0].entry->conection->type, r.inductor) << netlist;
  }
}

TEST(netlist_settings, central_differences_in_an_oscillator_are_warned_about) {
  const compiled_netlist out = compile_netlist(std::string(tank) + ".options DIFFERENCE=CENTRAL\n");
  ASSERT_TRUE(out.ok);
  ASSERT_EQ(out.messages.size(), 1u);
  EXPECT_EQ(message_line("t.cir", out.messages[0]),
            "t.cir:5: warning: .options: central differences admit an alternating mode in an "
            "oscillator; DIFFERENCE=BACKWARD keeps the tank's energy");
}

}  // namespace
}  // namespace pss
