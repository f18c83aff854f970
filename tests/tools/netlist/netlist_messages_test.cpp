// The netlist language as a user meets it: values with SPICE suffixes,
// comments and continuations; every error with its line, and no file
// written; the warnings, which leave the network usable.
#include <gtest/gtest.h>

#include <fstream>

#include "support/process.h"
#include "tools/netlist/compiled_circuit.h"

namespace pss {
namespace {

TEST(netlist_language, values_take_spice_scale_suffixes_and_unit_letters) {
  struct row {
    const char* text;
    double value;
  };
  const row rows[] = {
      {"4.7k", 4.7e3}, {"1kohm", 1e3},   {"2.2MEG", 2.2e6}, {"3meg", 3e6}, {"1m", 1e-3},
      {"10uF", 1e-5},  {"4.7n", 4.7e-9}, {"1p", 1e-12},     {"1F", 1e-15}, {"2g", 2e9},
      {"1T", 1e12},    {"-5", -5},       {"+.5", 0.5},      {"5.", 5},     {"3e-3k", 3},
      {"1E2", 100},    {"47ohm", 47},    {"1e", 1},
  };
  for (const row& r : rows) {
    const compiled_netlist out = compile_netlist(std::string("R1 a 0 ") + r.text + "\n");
    ASSERT_TRUE(out.ok) << r.text;
    const net_value& resistance =
        out.network.circuits[0].nodes[0].neighbours[0].conections[0].attributes[0];
    EXPECT_EQ(resistance.value, r.value) << r.text;
  }
}

TEST(netlist_language, comments_continuations_and_case) {
  const auto cc = test::compile_and_read(
      "* a comment line\n"
      "v1 IN gnd dc 1   ; the source\n"
      "\n"
      "R1 in Out\n"
      "   * comments may stand between a line and its continuation\n"
      "+ 1K\n"
      "r2 OUT 0 1k\n"
      ".END\n"
      "this line is not read\n");
  ASSERT_TRUE(cc->result.ok);
  EXPECT_EQ(cc->result.names.nodes, (std::vector<std::string>{"0", "IN", "Out"}));
  EXPECT_EQ(cc->result.names.elements, (std::vector<std::string>{"v1", "R1", "r2"}));
  const std::vector<test::element_end> r1 = test::ends_of(cc->c, "R1");
  ASSERT_EQ(r1.size(), 2u);
  EXPECT_EQ(test::attributes_of(r1[0].entry->conection), (test::attributes{{100, 1000}}));
}

TEST(netlist_language, errors_name_their_line_and_leave_no_file) {
  struct row {
    const char* netlist;
    const char* message;
  };
  const row rows[] = {
      {"R1 a 0 1\nX1 a 0 1\n", "t.cir:2: error: unknown element letter 'X' in 'X1'"},
      {"R1 a 0\n", "t.cir:1: error: R1: missing resistance"},
      {"C1 a 0 1k5\n", "t.cir:1: error: C1: malformed value '1k5'"},
      {"C1 a 0 p\n", "t.cir:1: error: C1: missing capacitance"},
      {"R1 a 0 1k\nL1 a 0\n+ 1..2\n", "t.cir:3: error: L1: malformed value '1..2'"},
      {"R1 a 0 1\nV1 a b 1\n", "t.cir:2: error: V1: a voltage source must have ground (0)"},
      {"V1 a 0 1\n\nV2 0 a 2\n", "t.cir:3: error: V2: node 'a' is already driven by V1 (line 1)"},
      {"R1 a 0 1\n.osc a 1 1\nV1 a 0 1\n", "t.cir:2: error: .osc: the tank node 'a' must not be"},
      {"R1 a 0 1\nC1 a 0 1u\nF1 a 0 C1 2\n",
       "t.cir:3: error: F1: control element 'C1' is neither a linear resistor"},
      {"R1 a 0 POLY(1 2)\nF1 a 0 r1 2\n", "t.cir:2: error: F1: control element 'R1' is neither"},
      {"F1 a 0 R9 2\nR1 a 0 1\n", "t.cir:1: error: F1: unknown control element 'R9'"},
      {"R1 a 0 1\nr1 a 0 2\n", "t.cir:2: error: duplicate element name 'r1' (first on line 1)"},
      {"V1 a 0 SIN(1 0 1)\n+ SIN(2 0 3)\n", "t.cir:2: error: V1: a second sine component"},
      {"I1 a 0 SIN(1 0 1.5)\n", "t.cir:1: error: I1: the harmonic must be a whole number"},
      {"R1 a b 1 SERIES(c)\nR2 b 0 1\nR3 c 0 1\n",
       "t.cir:1: error: R1: series source node 'c' is neither fixed nor a neighbour of 'a'"},
      {"R1 a b POLY(1) CTRL(a c)\nR2 b c 1\nR3 c 0 1\n",
       "t.cir:1: error: R1: control node 'c' is neither fixed nor a neighbour of 'a'"},
      {"V1 s 0 1\nW1 s a 1 WINDOW(0 1) SOURCE(b)\nR1 a 0 1\nR2 b 0 1\n",
       "t.cir:2: error: W1: window source node 'b' is neither fixed nor a neighbour of 'a'"},
      {"R1 a 0 1\n.osc b 1 1\n", "t.cir:2: error: .osc: unknown node 'b'"},
      {"R1 a 0 1\n.twin a zz\n", "t.cir:2: error: .twin: unknown node 'zz'"},
      {"R1 a 0 1\nR2 b 0 1\n.twin a b\n",
       "t.cir:3: error: .twin: 'a' cannot share the voltage of 'b', which comes after it"},
      {"R1 a 0 1\n.foo 1\n", "t.cir:2: error: unknown directive '.foo'"},
      {"R1 a 0 1k TRAP\n", "t.cir:1: error: R1: unexpected 'TRAP'"},
      {"R1 a 0 1 SERIES(b\n", "t.cir:1: error: missing ')' after SERIES("},
      {"R1 a a 1\n", "t.cir:1: error: R1: both ends on node 'a'"},
      {"W1 a 0 1 WINDOW(0.5 0.2)\n", "t.cir:1: error: W1: WINDOW(start end) needs start < end"},
      {"+ R1 a 0 1\n", "t.cir:1: error: a continuation line with no statement above it"},
      {"* nothing\n", "t.cir: error: the netlist has no elements"},
  };
  for (const row& r : rows) {
    test::temp_dir dir;
    std::ofstream(dir.file("t.cir")) << r.netlist;
    const auto result =
        test::run_process(PSS_NET_EXE, {"compile", "t.cir", "-o", "t.net"}, "", dir.path);
    EXPECT_EQ(result.status, 1) << r.netlist;
    EXPECT_NE(result.err.find(r.message), std::string::npos) << r.netlist << result.err;
    EXPECT_FALSE(test::file_exists(dir.file("t.net"))) << r.netlist;
    EXPECT_FALSE(test::file_exists(dir.file("t.names"))) << r.netlist;
  }
}

TEST(netlist_language, warnings_leave_a_usable_network) {
  struct row {
    const char* netlist;
    std::vector<std::string> warnings;
  };
  const std::string floating = "has no DC path to ground or a fixed node";
  const std::vector<row> rows = {
      {"R1 a 0 1\nC1 a b 1u\nI1 b 0 1m\n", {"2: node 'b' " + floating}},
      {"R1 a 0 1\nC1 a b 1u LEAK=1g\n", {}},
      {"V1 s 0 1\nW1 s a 1 WINDOW(0 0.5)\nC1 a 0 1\n", {"2: node 'a' " + floating}},
      {"C1 a 0 1u\nL1 a b 1m\nD1 b 0 1f\n", {}},
      {"R1 b 0 1\nC1 a 0 1u\n.twin a b\n", {}},
      {"C1 a 0 1u\nC2 b 0 1u\n.twin b a\n", {"1: node 'a' " + floating, "2: node 'b' " + floating}},
      {"R1 a b 1 SERIES(0)\nR2 b 0 1\n",
       {"1: R1: the series source drives current into both ends"}},
      {"R1 a 0 POLY(1 2)\n", {"1: R1: without CTRL the two ends see opposite voltages"}},
      {"R1 a 0 POLY(1 2) LIMITS(-5 5)\n", {}},
      // A transistor's junctions tie its collector and emitter to its base;
      // a card's parameter outside the model is named on the line.
      {".model qn NPN (BF=80 XTF=3)\nC1 c 0 1u\nQ1 c b e qn\nR1 b 0 1k\nC2 e 0 1u\n",
       {"3: Q1: .model parameter XTF is not used"}},
      {".model qn NPN\nC1 c 0 1u\nQ1 c b e qn\nC2 b 0 1u\nC3 e 0 1u\n",
       {"2: node 'c' " + floating, "3: node 'b' " + floating, "3: node 'e' " + floating}},
  };
  for (const row& r : rows) {
    const auto cc = test::compile_and_read(r.netlist);
    ASSERT_TRUE(cc->result.ok) << r.netlist;
    std::vector<std::string> got;
    for (const netlist_message& m : cc->result.messages) got.push_back(message_line("t.cir", m));
    ASSERT_EQ(got.size(), r.warnings.size()) << r.netlist;
    for (std::size_t i = 0; i < got.size(); ++i) {
      const std::string line = r.warnings[i].substr(0, r.warnings[i].find(':'));
      const std::string text = r.warnings[i].substr(line.size() + 2);
      EXPECT_EQ(got[i].rfind("t.cir:" + line + ": warning: " + text, 0), 0u) << got[i];
    }
  }
}

}  // namespace
}  // namespace pss
