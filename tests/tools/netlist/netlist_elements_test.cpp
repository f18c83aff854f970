// Every element letter compiled and read back through the solver's reader:
// type code, id, attributes in order and the node lists at both ends.
// One table per element, one checker.
#include <gtest/gtest.h>

#include <numbers>

#include "model/codes.h"
#include "tools/netlist/compiled_circuit.h"

namespace pss {
namespace {

using test::attributes;
using names = std::vector<std::string>;

struct element_row {
  const char* netlist;
  const char* element;
  const char* a;  // the element's ends, by node name
  const char* b;
  int32_t type;
  int32_t id;
  attributes expected;
  names list_at_a;
  names list_at_b;
};

std::vector<int32_t> indices(const test::compiled_circuit& cc, const names& list) {
  std::vector<int32_t> out;
  for (const std::string& name : list) out.push_back(cc.index(name));
  return out;
}

void check_rows(const std::vector<element_row>& rows) {
  for (const element_row& r : rows) {
    SCOPED_TRACE(std::string(r.netlist) + "-> " + r.element);
    const auto cc = test::compile_and_read(r.netlist);
    ASSERT_TRUE(cc->result.ok);
    const std::vector<test::element_end> ends = test::ends_of(cc->c, r.element);
    ASSERT_EQ(ends.size(), 2u);
    for (const test::element_end& end : ends) {
      const bool at_a = end.at->index == cc->index(r.a);
      EXPECT_EQ(end.at->index, cc->index(at_a ? r.a : r.b));
      EXPECT_EQ(end.toward->index, cc->index(at_a ? r.b : r.a));
      EXPECT_EQ(end.entry->conection->type, r.type);
      EXPECT_EQ(end.entry->conection->id, r.id);
      const attributes got = test::attributes_of(end.entry->conection);
      ASSERT_EQ(got.size(), r.expected.size());
      for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, r.expected[i].first) << "attribute " << i;
        EXPECT_DOUBLE_EQ(got[i].second, r.expected[i].second) << "attribute " << i;
      }
      EXPECT_EQ(test::list_of(end.entry), indices(*cc, at_a ? r.list_at_a : r.list_at_b));
    }
  }
}

TEST(netlist_elements, resistors) {
  check_rows({
      {"R1 a 0 4.7k\n", "R1", "a", "0", 100, 0, {{100, 4700}}, {}, {}},
      {"R1 a 0 1\nR2 a 0 2\n", "R2", "a", "0", 100, 1, {{100, 2}}, {}, {}},
      {"V1 s 0 1\nR1 a 0 1k SERIES(s)\n", "R1", "a", "0", 100, 0, {{100, 1000}}, {"s"}, {"s"}},
      {"R1 a 0 POLY(-25 0 -36) LIMITS(-10 10)\n",
       "R1",
       "a",
       "0",
       100,
       0,
       {{206, 0}, {5, -10}, {6, 10}, {0, -25}, {1, 0}, {2, -36}},
       {},
       {}},
      // CTRL(p n) reads u = V(p) - V(n); the model takes V(L2) - V(L1).
      {"R1 a b POLY(100 10) LIMITS(-1) CTRL(a b)\nR2 b 0 1\n",
       "R1",
       "a",
       "b",
       100,
       0,
       {{206, 0}, {5, -1}, {0, 100}, {1, 10}},
       {"b", "a"},
       {"b", "a"}},
  });
}

TEST(netlist_elements, capacitors_are_oriented_at_their_second_node) {
  check_rows({
      {"C1 a 0 10uF\n", "C1", "a", "0", 601, 0, {{600, 1e-5}}, {"0"}, {"0"}},
      // The leakage stands first: a characteristic runs to the list's end.
      {"C1 a b 1n CAP2 LEAK=1meg\nR1 b 0 1\n",
       "C1",
       "a",
       "b",
       602,
       0,
       {{101, 1e6}, {600, 1e-9}},
       {"b"},
       {"b"}},
      {"C1 a 0 POLY(1p 0.1p) LIMITS(-1 1)\n",
       "C1",
       "a",
       "0",
       601,
       0,
       {{603, 0}, {5, -1}, {6, 1}, {0, 1e-12}, {1, 1e-13}},
       {"0"},
       {"0"}},
      {"C1 a 0 EXP(1p 0 0.5 0.1) LEAK(1g)\n",
       "C1",
       "a",
       "0",
       601,
       0,
       {{101, 1e9}, {604, 0}, {0, 1e-12}, {0, 0}, {1, 0.5}, {2, 0.1}},
       {"0"},
       {"0"}},
  });
}

TEST(netlist_elements, inductors_get_a_sense_node_and_resistor) {
  const char* explicit_one = "L1 a b 1m\nR1 b 0 1\n";
  const char* trapezoidal = "L1 a 0 2u TRAP RSENSE=1m\n";
  check_rows({
      {explicit_one,
       "L1",
       "a",
       "L1#sense",
       701,
       0,
       {{700, 1e-3}},
       {"b", "L1#sense"},
       {"L1#sense", "b"}},
      {explicit_one, "L1#rs", "L1#sense", "b", 100, 0, {{100, 1e-4}}, {}, {}},
      {trapezoidal,
       "L1",
       "a",
       "L1#sense",
       702,
       0,
       {{700, 2e-6}},
       {"0", "L1#sense"},
       {"L1#sense", "0"}},
      {trapezoidal, "L1#rs", "L1#sense", "0", 100, 0, {{100, 1e-3}}, {}, {}},
  });
}

TEST(netlist_elements, diodes_take_spice_emission_coefficients) {
  check_rows({
      {"D1 a 0 1e-14 CLIPPED\n", "D1", "a", "0", 200, 0, {{201, 1e-14}}, {"a"}, {"a"}},
      // The clipped law's exponent factors are 1/N and 1/NBV.
      {"D1 a b IS=2f N=2 BV=-5 NBV=0.5 CLIPPED\nR1 b 0 1\n",
       "D1",
       "a",
       "b",
       200,
       0,
       {{201, 2e-15}, {205, 0.5}, {203, -5}, {204, 2}},
       {"a"},
       {"a"}},
      // Without CLIPPED a D is the junction diode with SPICE's parameters as
      // given, the card's first and the line's over them.
      {"D1 a 0 1e-14\n", "D1", "a", "0", 210, 0, {{210, 1e-14}}, {"a"}, {"a"}},
      {".model dm D (IS=2f N=2 CJO=1p)\nD1 a b dm N=1.5 TT=1n\nR1 b 0 1\n",
       "D1",
       "a",
       "b",
       210,
       0,
       {{210, 2e-15}, {211, 1.5}, {212, 1e-12}, {216, 1e-9}},
       {"a"},
       {"a"}},
      {".options DIFFERENCE=CENTRAL\nD1 a 0 IS=1f BV=5 IBV=1u\n",
       "D1",
       "a",
       "0",
       211,
       0,
       {{210, 1e-15}, {217, 5}, {218, 1e-6}},
       {"a"},
       {"a"}},
      // RS is a resistor to the internal node where the junction starts.
      {"D1 a 0 RS=2\n", "D1", "D1#a", "0", 210, 0, {}, {"D1#a"}, {"D1#a"}},
      {"D1 a 0 RS=2\n", "D1#rs", "a", "D1#a", 100, 0, {{100, 2}}, {}, {}},
  });
}

// G: the gain is c1 of the polynomial, written from c0; the node list is
// [n+, nc+, nc-] at both ends.
TEST(netlist_elements, voltage_controlled_current_sources) {
  check_rows({
      {"G1 a 0 c 0 2m\nR1 a c 1\nR2 c 0 1\n",
       "G1",
       "a",
       "0",
       64,
       0,
       {{74, 0}, {74, 2e-3}},
       {"a", "c", "0"},
       {"a", "c", "0"}},
      {"G1 a b POLY(1) a b 1u -0.04 0 0.02\nR1 a 0 1\nR2 b 0 1\n",
       "G1",
       "a",
       "b",
       64,
       0,
       {{74, 1e-6}, {74, -0.04}, {74, 0}, {74, 0.02}},
       {"a", "a", "b"},
       {"a", "a", "b"}},
  });
}

// Q: three branches between the intrinsic collector, base and emitter, each
// with the list [C, B, E] at both ends and the card with the area applied;
// RC, RB and RE as resistors to internal nodes; a substrate node read and
// left unconnected.
TEST(netlist_elements, bipolar_transistors_become_three_branches) {
  const char* npn = ".model qn NPN (IS=1f BF=50)\nQ1 c b 0 qn\nR1 c 0 1\nR2 b 0 1\n";
  const char* pnp =
      ".model qp PNP (IS=1f IKF=1m CJE=1p RB=100 RE=1 RC=10)\nQ1 c b e sub qp 2\n"
      "R1 c 0 1\nR2 b 0 1\nR3 e 0 1\n";
  const names intrinsic = {"Q1#c", "Q1#b", "Q1#e"};
  const attributes pnp_card = {{220, -1}, {221, 2e-15}, {228, 2e-3}, {234, 2e-12}};
  check_rows({
      {npn,
       "Q1#ce",
       "c",
       "0",
       220,
       0,
       {{220, 1}, {221, 1e-15}, {222, 50}},
       {"c", "b", "0"},
       {"c", "b", "0"}},
      {npn,
       "Q1#be",
       "b",
       "0",
       221,
       0,
       {{220, 1}, {221, 1e-15}, {222, 50}},
       {"c", "b", "0"},
       {"c", "b", "0"}},
      {npn,
       "Q1#bc",
       "b",
       "c",
       223,
       0,
       {{220, 1}, {221, 1e-15}, {222, 50}},
       {"c", "b", "0"},
       {"c", "b", "0"}},
      {pnp, "Q1#ce", "Q1#c", "Q1#e", 220, 0, pnp_card, intrinsic, intrinsic},
      {pnp, "Q1#rb", "b", "Q1#b", 100, 0, {{100, 50}}, {}, {}},
      {pnp, "Q1#re", "e", "Q1#e", 100, 0, {{100, 0.5}}, {}, {}},
      {".options DIFFERENCE=CENTRAL\n.model qn NPN\nQ1 c b 0 qn\nR1 c 0 1\nR2 b 0 1\n",
       "Q1#bc",
       "b",
       "c",
       224,
       0,
       {{220, 1}},
       {"c", "b", "0"},
       {"c", "b", "0"}},
  });
  // A diode-connected transistor has no base-collector junction to carry.
  const compiled_netlist tied = compile_netlist(".model qn NPN\nQ1 a a 0 qn\nR1 a 0 1\n");
  ASSERT_TRUE(tied.ok);
  EXPECT_EQ(tied.names.elements, (names{"Q1#ce", "Q1#be", "R1"}));
}

TEST(netlist_elements, junction_diode_lines_refused) {
  struct row {
    const char* netlist;
    const char* message;
  };
  const row rows[] = {
      {"D1 a 0 dm\n", "D1: no .model 'dm'"},
      {".model dm NPN (BF=100)\nD1 a 0 dm\n", "D1: .model 'dm' is a NPN, not a D"},
      {"D1 a 0 M=1\n", "D1: M must be at least 0 and below 1"},
      {"D1 a 0 IS=0\n", "D1: IS must be positive"},
      {".model dm D (IS 1)\nD1 a 0 dm\n", ".model dm: expected PARAM=value at 'IS'"},
      {".model dm D\n.model DM D\nD1 a 0 dm\n", "duplicate .model 'DM' (first on line 1)"},
      {"G1 a 0 c 0 1 2\nR1 a 0 1\nR2 c 0 1\n", "G1: one gain, or POLY(1) before the control nodes"},
      {"G1 a 0 POLY(2) c 0 d 0 1 2\nR1 a 0 1\n",
       "G1: only POLY(1), one controlling voltage, is known"},
      {"G1 a 0 c\nR1 a 0 1\n", "G1: needs two control nodes"},
      {"G1 a 0 c 0 1\nR1 a 0 1\nR2 c 0 1\nR3 a d 1\nR4 d 0 1\nG2 d 0 c 0 1\n",
       "G2: control node 'c' is neither fixed nor a neighbour of 'd'"},
      {"M1 d g\n", "M1: needs four nodes: drain, gate, source, bulk"},
      {"M1 d g s b\n", "M1: needs a .model name after its four nodes"},
      {".model dm D\nM1 d g s b dm\n", "M1: .model 'dm' is a D, not a NMOS or PMOS"},
      {".model nm NMOS\nM1 d g d b nm\n", "M1: drain and source on node 'd'"},
      {".model nm NMOS (LEVEL=2)\nM1 d g s b nm\n", "M1: only LEVEL=1, Shichman-Hodges, is known"},
      {".model nm NMOS (NSUB=1e15)\nM1 d g s b nm\n",
       "M1: .model parameter NSUB is not modelled; give VTO, GAMMA and PHI instead of the doping"},
      {".model nm NMOS (LD=1u)\nM1 d g s b nm L=2u\n", "M1: L - 2 LD must be positive"},
      {".model nm NMOS (PHI=0)\nM1 d g s b nm\n", "M1: PHI must be positive"},
      {".model nm NMOS\nM1 d g s b nm PD=1u\n", "M1: unexpected 'PD='"},
      {"Q1 c b e qx\n", "Q1: no .model 'qx'"},
      {".model dm D\nQ1 c b e dm\n", "Q1: .model 'dm' is a D, not an NPN or PNP"},
      {".model qn NPN (LEVEL=4)\nQ1 c b e qn\n",
       "Q1: only the Gummel-Poon model, LEVEL=1, is known"},
      {".model qn NPN (MJE=1)\nQ1 c b e qn\n", "Q1: MJE must be at least 0 and below 1"},
      {".model qn NPN\nQ1 c b c qn\n", "Q1: collector and emitter on the same node"},
      {".model qn NPN\nQ1 c b e qn AREA=0\n", "Q1: the area must be positive"},
      {".model qn NPN\nQ1 c b\n", "Q1: needs collector, base and emitter nodes and a model"},
  };
  for (const row& r : rows) {
    const compiled_netlist out = compile_netlist(r.netlist);
    EXPECT_FALSE(out.ok) << r.netlist;
    bool found = false;
    for (const netlist_message& m : out.messages) found = found || m.text == r.message;
    EXPECT_TRUE(found) << r.netlist << " lacks: " << r.message;
  }
}

TEST(netlist_elements, sources_write_phase_in_their_own_units) {
  const double pi = std::numbers::pi;
  check_rows({
      {"R1 a 0 1\nI1 a 0 1m\n", "I1", "a", "0", 60, 1, {{82, 1e-3}}, {"a"}, {"a"}},
      // Current sources take the phase in radians, voltage sources in periods.
      {"I1 0 a DC 0 SIN(2m 90 3)\nR1 a 0 1\n",
       "I1",
       "0",
       "a",
       60,
       0,
       {{82, 0}, {81, 2e-3}, {83, pi / 2}, {80, 3}},
       {"0"},
       {"0"}},
      {"V1 a 0 DC 1 SIN(2 90)\n",
       "V1",
       "a",
       "0",
       50,
       0,
       {{82, 1}, {81, 2}, {83, 0.25}, {80, 1}},
       {"a"},
       {"a"}},
      {"V1 0 a SIN(1)\n",
       "V1",
       "0",
       "a",
       50,
       0,
       {{82, 0}, {81, 1}, {83, 0}, {80, 1}},
       {"0"},
       {"0"}},
  });
}

TEST(netlist_elements, generators_name_their_control_by_id) {
  check_rows({
      {"R1 a 0 1k\nF1 b 0 R1 2 DELAY=1u\nR2 b 0 1\n",
       "F1",
       "b",
       "0",
       62,
       0,
       {{70, 2}, {71, 1e-6}, {73, 0}},
       {"b", "a", "0"},
       {"b", "a", "0"}},
      {"R2 a 0 1k\nD1 a 0 1f\nF1 0 b D1 -3\nR3 b 0 1\n",
       "F1",
       "0",
       "b",
       62,
       0,
       {{70, -3}, {73, 1}},
       {"0", "a", "0"},
       {"0", "a", "0"}},
  });
}

TEST(netlist_elements, windowed_resistors) {
  check_rows({
      {"V1 s 0 1\nW1 s a 10 WINDOW(0.25 0.5)\nR1 a 0 1\n",
       "W1",
       "s",
       "a",
       102,
       0,
       {{84, 0.25}, {85, 0.5}, {100, 10}},
       {"s"},
       {"s"}},
      {"V1 s 0 1\nW1 s a 10 WINDOW(-0.01 0.01) SOURCE(0) SWITCH\nR1 a 0 1\n",
       "W1",
       "s",
       "a",
       103,
       0,
       {{84, -0.01}, {85, 0.01}, {100, 10}},
       {"s", "0"},
       {"s", "0"}},
  });
}

}  // namespace
}  // namespace pss
