// What the compiler adds beyond the elements: fixed nodes, twins, circuit
// params, the oscillator's injection machinery, the node order and the
// names file.
#include <gtest/gtest.h>

#include <numbers>
#include <string>

#include "model/codes.h"
#include "model/lookups.h"
#include "tools/netlist/compiled_circuit.h"

namespace pss {
namespace {

const dvar* voltage(const node* n) {
  return find_dvar_group(n->dvar_groups, group_id::voltage)->dvars;
}

TEST(netlist_directives, voltage_sources_fix_their_node_at_the_source_value) {
  struct row {
    const char* netlist;
    const char* node;
    int32_t number;
    double value;
  };
  const row rows[] = {
      {"V1 a 0 1.5\n", "a", -1, 1.5},
      {"V1 0 a 1.5\n", "a", -1, -1.5},  // V(n+) - V(n-) = 1.5
      {"V1 a 0 1.5\n", "0", -1, 0.0},
      {"V1 a 0 1\nR1 a b 1\nR2 b 0 1\n", "b", 0, 0.0},
  };
  for (const row& r : rows) {
    const auto cc = test::compile_and_read(r.netlist);
    ASSERT_TRUE(cc->result.ok) << r.netlist;
    const dvar* v = voltage(cc->node_named(r.node));
    EXPECT_EQ(v->number, r.number) << r.netlist << r.node;
    EXPECT_EQ(v->value, r.value) << r.netlist << r.node;
  }
}

TEST(netlist_directives, a_twin_shares_the_voltage_of_an_earlier_node) {
  const auto cc = test::compile_and_read("R1 a 0 1\nR2 b 0 1\n.twin b a\n");
  ASSERT_TRUE(cc->result.ok);
  const node* a = cc->node_named("a");
  const node* b = cc->node_named("b");
  EXPECT_EQ(b->twin, a);
  EXPECT_EQ(b->dvar_groups, a->dvar_groups);
  EXPECT_EQ(a->twin, nullptr);
}

TEST(netlist_directives, params_are_circuit_params) {
  const auto cc = test::compile_and_read("R1 a 0 1\n.param 7 2.5m\n.PARAM 4 1e-6\n");
  ASSERT_TRUE(cc->result.ok);
  EXPECT_EQ(find_value(cc->c->params, 7)->value, 2.5e-3);
  EXPECT_EQ(find_value(cc->c->params, 4)->value, 1e-6);
}

// The tank is named after another node on purpose: the oscillator's nodes
// still come right after ground.
const char* const oscillator =
    "R1 x 0 1k\n"
    "C1 t x 1u\n"
    "L1 t 0 1m\n"
    "RN t 0 POLY(-25 0 -36) LIMITS(-10 10)\n"
    ".osc t 5k 0.5\n";

TEST(netlist_directives, the_oscillator_injects_the_tank_at_the_start_of_the_period) {
  const auto cc = test::compile_and_read(oscillator);
  ASSERT_TRUE(cc->result.ok);
  EXPECT_EQ(cc->index("osc#inject"), 1);
  EXPECT_EQ(cc->index("t"), 2);
  EXPECT_EQ(cc->index("x"), 3);
  const node* s = cc->node_named("osc#inject");
  EXPECT_EQ(voltage(s)->number, -1);
  EXPECT_EQ(voltage(s)->value, 0.5);

  const std::vector<test::element_end> source = test::ends_of(cc->c, "osc#source");
  ASSERT_EQ(source.size(), 2u);
  for (const test::element_end& end : source) {
    EXPECT_EQ(end.entry->conection->type, conection_type::vsource);
    EXPECT_EQ(test::attributes_of(end.entry->conection), (test::attributes{{82, 0.5}}));
    EXPECT_EQ(test::list_of(end.entry), (std::vector<int32_t>{1}));
  }

  const std::vector<test::element_end> injection = test::ends_of(cc->c, "osc#switch");
  ASSERT_EQ(injection.size(), 2u);
  // The window holds plane 0 alone however many planes the job asks for.
  const test::attributes window{{84, -1e-9}, {85, 1e-9}, {100, 1}};
  test::attributes at_tank = window;
  at_tank.emplace_back(87, 0.0);  // dV/df, on the record the nodelist names
  for (const test::element_end& end : injection) {
    EXPECT_EQ(end.entry->conection->type, conection_type::window_switch);
    EXPECT_EQ(test::list_of(end.entry), (std::vector<int32_t>{1}));
    EXPECT_EQ(test::attributes_of(end.entry->conection), end.at == s ? window : at_tank);
  }

  const conection_entry* first = cc->c->nodelists;
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->next, nullptr);
  EXPECT_EQ(test::list_of(first), (std::vector<int32_t>{1, 2, 0}));
  const test::element_end& tank_end = injection[0].at == s ? injection[1] : injection[0];
  EXPECT_EQ(first->conection, tank_end.entry->conection);
  EXPECT_NE(find_attribute(first->conection, attr::dvdf), nullptr);
  EXPECT_DOUBLE_EQ(find_value(cc->c->params, param_id::slot1_period_offset)->value, 1e-3 / 5e3);
  // The amplitude is about the tank's DC level, which pss adds.
  EXPECT_EQ(find_value(cc->c->params, param_id::injection_about_dc)->value, 1.0);
}

TEST(netlist_directives, an_oscillators_default_sense_resistors_follow_its_frequency) {
  // Rs = 1e-9 of the inductor's reactance at the .osc frequency, so that the
  // loss it adds stays far below that of any tank up to Q = 10^4; RSENSE and
  // netlists without .osc keep their values.
  struct row {
    std::string netlist;
    double sense;
  };
  const double reactance = 2 * std::numbers::pi * 5e3 * 1e-3;
  const row rows[] = {
      {oscillator, 1e-9 * reactance},
      {"R1 x 0 1k\nC1 t x 1u\nL1 t 0 1m RSENSE=2u\n.osc t 5k 0.5\n", 2e-6},
      {"R1 x 0 1k\nC1 t x 1u\nL1 t 0 1m\n", 1e-4},
  };
  for (const row& r : rows) {
    const auto cc = test::compile_and_read(r.netlist);
    ASSERT_TRUE(cc->result.ok) << r.netlist;
    const std::vector<test::element_end> sense = test::ends_of(cc->c, "L1#rs");
    ASSERT_FALSE(sense.empty()) << r.netlist;
    EXPECT_DOUBLE_EQ(find_attribute(sense[0].entry->conection, attr::resistance)->value, r.sense)
        << r.netlist;
  }
}

TEST(netlist_directives, an_explicit_param_4_replaces_the_oscillators) {
  const auto cc = test::compile_and_read(std::string(oscillator) + ".param 4 3e-9\n");
  ASSERT_TRUE(cc->result.ok);
  int count = 0;
  for (tagged_value* p : each(cc->c->params)) count += p->tag == 4 ? 1 : 0;
  EXPECT_EQ(count, 1);
  EXPECT_EQ(find_value(cc->c->params, 4)->value, 3e-9);
}

TEST(netlist_directives, the_names_file_lists_nodes_by_index_and_elements_in_netlist_order) {
  const compiled_netlist compiled = compile_netlist(oscillator);
  ASSERT_TRUE(compiled.ok);
  EXPECT_EQ(names_text(compiled.names),
            "# pss names: node INDEX NAME, element NAME NODE1 NODE2\n"
            "node 0 0\n"
            "node 1 osc#inject\n"
            "node 2 t\n"
            "node 3 x\n"
            "node 4 L1#sense\n"
            "element R1 3 0\n"
            "element C1 2 3\n"
            "element L1 2 0\n"  // as written: the inductor ends at its sense node
            "element L1#rs 4 0\n"
            "element RN 2 0\n"
            "element osc#source 1 0\n"
            "element osc#switch 1 2\n");
}

}  // namespace
}  // namespace pss
