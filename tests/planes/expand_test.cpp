#include "planes/expand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/lookups.h"
#include "support/console_script.h"
#include "support/fatal_check.h"
#include "support/model_views.h"
#include "support/net_builder.h"
#include "tools/netlist/compiled_circuit.h"

namespace pss {
namespace {

// The planes network expanded into `planes` planes, answering `option` to
// the twinning question of node b.
struct expanded {
  network net;
  circuit* c = nullptr;
  std::string said;

  expanded(int planes, int option) {
    test::read_text_network(net, test::data_text("planes.txt"));
    c = net.circuit;
    c->planes = planes;
    test::console_script console(std::to_string(option) + "\n");
    expand_time_planes(c);
    said = console.said();
  }

  node* at(int index) { return get_node_with_index(c, index); }
  double time(int index) { return find_value(at(index)->params, 0)->value; }
};

conection_entry* entry_toward(node* from, node* to, int32_t id) {
  return get_conection(from, to, id);
}

// Every neighbour and entry of every node, as node indices, conection ids
// and list node indices, in chain order.
std::vector<int32_t> structure_of(circuit* c) {
  std::vector<int32_t> out;
  for (node* n : each(c->nodes)) {
    out.push_back(n->index);
    for (neighbour* nb : each(n->neighbours)) {
      out.push_back(nb->node->index);
      for (conection_entry* e : each(nb->conections)) {
        out.push_back(e->conection->id);
        for (node_ref* r : each(e->nodes)) out.push_back(r->node->index);
        out.push_back(-1);
      }
    }
  }
  return out;
}

// An LC ladder with diodes and a generator: every kind of list the
// extension makes for a circuit without windowed switches.
std::string extended_kinds() {
  std::string text = "* LC ladder\nV1 in 0 SIN(1)\n";
  std::string prev = "in";
  for (int i = 1; i <= 12; ++i) {
    const std::string k = std::to_string(i), node = "n" + k;
    text += "L" + k + " " + prev + " " + node + " 1m\n";
    text += "C" + k + " " + node + " 0 1u\n";
    text += "R" + k + " " + node + " 0 1k\n";
    if (i % 3 == 0) text += "D" + k + " " + node + " 0 1e-12\n";
    prev = node;
  }
  return text + "RX n1 n2 10k\nG1 n2 0 n1 0 1m\n";
}

// Copies and extensions are made node by node, on two threads for a large
// circuit: the structure must be the one the separate passes make.
TEST(expand_time_planes, node_by_node_and_on_two_threads_as_in_separate_passes) {
  for (int planes : {16, 1024}) {
    SCOPED_TRACE(planes);
    std::vector<int32_t> got[2];
    for (int way = 0; way < 2; ++way) {
      auto compiled = test::compile_and_read(extended_kinds());
      circuit* c = compiled->c;
      c->planes = planes;
      if (way == 0) {
        expand_node_planes(c, 0);
        copy_plane_neighbours(c);
        extend_node_lists(c);
      } else {
        expand_time_planes(c, 0);
      }
      got[way] = structure_of(c);
    }
    EXPECT_EQ(got[0], got[1]);
  }
}

TEST(expand_time_planes, makes_rings_of_copies_in_a_renumbered_chain) {
  expanded e(4, 1);
  std::vector<int32_t> chain;
  for (node* n : each(e.c->nodes)) {
    chain.push_back(n->index);
    if (n->next != nullptr) {
      EXPECT_EQ(n->next->prev, n);
    }
  }
  EXPECT_EQ(chain, (std::vector<int32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
  // Node a as read is index 4; its copies 5, 6, 7; the ring closes.
  EXPECT_EQ(e.at(7)->next_plane, e.at(4));
  EXPECT_EQ(e.at(4)->prev_plane, e.at(7));
  EXPECT_EQ(e.at(5)->prev_plane, e.at(4));
  EXPECT_DOUBLE_EQ(e.time(5), 0.25);
  EXPECT_DOUBLE_EQ(e.time(7), 0.75);
  // A copy holds param 0 alone; the node as read keeps its params.
  EXPECT_EQ(e.at(1)->params->next, nullptr);
  EXPECT_EQ(find_value(e.at(0)->params, 7)->value, 3.5);
  // Copies have their own groups, starting from the values as read.
  EXPECT_NE(e.at(5)->dvar_groups, e.at(4)->dvar_groups);
  EXPECT_EQ(e.at(5)->dvar_groups->dvars->value, 1.0);  // the twin read set it
  EXPECT_EQ(e.at(5)->dvar_groups->dvars->number, 0);
}

TEST(expand_time_planes, copies_neighbours_into_their_own_plane) {
  expanded e(4, 1);
  node* a2 = e.at(6);
  std::vector<int32_t> around;
  for (neighbour* nb : each(a2->neighbours)) around.push_back(nb->node->index);
  EXPECT_EQ(around, (std::vector<int32_t>{2, 10}));
  conection_entry* cap_g = entry_toward(e.at(0), e.at(4), 0);
  conection_entry* cap_g2 = entry_toward(e.at(2), e.at(6), 0);
  EXPECT_EQ(cap_g2->conection, cap_g->conection);  // shared record
  // CAP1 list: [other.prev, own.prev, O] with O in the same plane.
  EXPECT_EQ(test::node_indices(cap_g2->nodes), (std::vector<int32_t>{5, 1, 6}));
}

TEST(expand_time_planes, one_plane_rings_each_node_to_itself) {
  expanded e(1, 1);
  for (node* n : each(e.c->nodes)) {
    EXPECT_EQ(n->next_plane, n);
    EXPECT_EQ(n->prev_plane, n);
  }
  // A capacitor in g toward a gets [a, g] in front of its list [a].
  EXPECT_EQ(test::node_indices(entry_toward(e.at(0), e.at(1), 0)->nodes),
            (std::vector<int32_t>{1, 0, 1}));
}

TEST(expand_time_planes, extends_inductor_lists_with_previous_planes) {
  expanded e(8, 1);
  // L1 in a (plane 6, index 14) toward b (index 22): [S1, S2] = [g, a] becomes
  // [g.prev, a.prev, b.prev, a.prev].
  EXPECT_EQ(test::node_indices(entry_toward(e.at(14), e.at(22), 0)->nodes),
            (std::vector<int32_t>{5, 13, 21, 13}));
}

TEST(expand_time_planes, a_window_switch_relinks_the_previous_plane_inside_its_window) {
  expanded e(8, 1);
  // b's copy at 0.5 (index 20) has its predecessor at 0.375, inside (0.2, 0.5):
  // it takes a's plane before a's own copy at 0.5, index 11.
  EXPECT_EQ(e.at(20)->prev_plane, e.at(11));
  // At 0.625 the predecessor lies at 0.5, not strictly inside.
  EXPECT_EQ(e.at(21)->prev_plane, e.at(20));
  // At 0.375 (predecessor 0.25, inside) too, and lists built later follow it.
  EXPECT_EQ(e.at(19)->prev_plane, e.at(10));
  EXPECT_EQ(test::node_indices(entry_toward(e.at(19), e.at(11), 0)->nodes),
            (std::vector<int32_t>{10, 2, 10, 10}));
  // The switch's own end (a) is not relinked.
  EXPECT_EQ(e.at(12)->prev_plane, e.at(11));
}

TEST(expand_time_planes, asks_for_twins_with_the_twin_new_index) {
  expanded e(8, 1);
  EXPECT_EQ(e.said,
            "Twin nodes[2,8]: option?\n 0) undo twinning\n 1) t=0 twinning\n"
            " 2) t=0 & t=0.5 twinning\n 3) t, t-0.5 twinning\n");
}

// b as read has index 2 * N; a has N. Which node of a's ring each plane of b
// shares its groups with (-1: its own groups).
std::vector<int> twin_planes(expanded& e, int planes) {
  std::vector<int> out;
  for (int j = 0; j < planes; ++j) {
    node* b = e.at(2 * planes + j);
    out.push_back(b->twin == nullptr ? -1 : b->twin->index - planes);
    if (b->twin != nullptr) {
      EXPECT_EQ(b->dvar_groups, b->twin->dvar_groups);
    }
  }
  return out;
}

TEST(expand_time_planes, twinning_options) {
  struct row {
    int planes, option;
    std::vector<int> expected;
  };
  const row rows[] = {
      {4, 1, {0, -1, -1, -1}},
      {4, -5, {0, -1, -1, -1}},  // a negative option acts as 1
      {8, 2, {0, -1, -1, -1, 4, -1, -1, -1}},
      {5, 2, {0, -1, -1, 3, -1}},
      {8, 3, {4, 5, 6, 7, 0, 1, 2, 3}},
      {8, 0, {-1, -1, -1, -1, -1, -1, -1, -1}},
  };
  for (const row& r : rows) {
    expanded e(r.planes, r.option);
    EXPECT_EQ(twin_planes(e, r.planes), r.expected) << r.planes << " " << r.option;
  }
}

TEST(expand_time_planes, undoing_a_twin_starts_from_the_shared_values) {
  expanded e(4, 0);
  node* a = e.at(4);
  node* b = e.at(8);
  EXPECT_NE(b->dvar_groups, a->dvar_groups);
  EXPECT_EQ(b->dvar_groups->dvars->value, a->dvar_groups->dvars->value);
  EXPECT_EQ(b->dvar_groups->dvars->number, 0);
}

TEST(expand_time_planes, refuses_options_it_cannot_carry_out) {
  EXPECT_FATAL(expanded(4, 4), "unrecognised twinning option\n");
  EXPECT_FATAL(expanded(5, 3),
               "error, expand_time_planes: twinning option 3 for node[2] needs a plane half a "
               "period away, and 5 time planes have none (use an even number)\n");
  EXPECT_FATAL(expanded(1, 3), "needs a plane half a period away, and 1 time planes have none");
}

}  // namespace
}  // namespace pss
