#include "model/read_network.h"

#include <gtest/gtest.h>

#include <string>

#include "model/lookups.h"
#include "support/fatal_check.h"
#include "support/model_views.h"
#include "support/net_builder.h"

namespace pss {
namespace {

TEST(read_network, keeps_every_list_in_file_order) {
  network net;
  test::read_text_network(net, test::data_text("oscillator.txt"));
  circuit* c = net.circuit;
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(net.circuit_count, 1);
  EXPECT_EQ(c->planes, 1);
  EXPECT_EQ(c->nodes_per_plane, 4);
  EXPECT_EQ(c->dvars_per_node, 1);
  EXPECT_EQ(find_value(c->params, 4)->value, 0.001);
  dvar* period = find_dvar_group(c->global_dvars, 20)->dvars;
  EXPECT_EQ(period->number, -2);
  EXPECT_EQ(period->value, 1.0);

  node* g = c->nodes;
  std::vector<int32_t> chain;
  for (node* n : each(c->nodes)) chain.push_back(n->index);
  EXPECT_EQ(chain, (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(g->prev, nullptr);
  EXPECT_EQ(g->next->prev, g);
  EXPECT_EQ(g->next_plane, nullptr);

  std::vector<int32_t> around_g;
  for (neighbour* nb : each(g->neighbours)) around_g.push_back(nb->node->index);
  EXPECT_EQ(around_g, (std::vector<int32_t>{1, 2, 3}));

  neighbour* g_to_o = g->neighbours->next;
  std::vector<std::string> names;
  for (conection_entry* e : each(g_to_o->conections))
    names.push_back(test::conection_name(e->conection));
  EXPECT_EQ(names, (std::vector<std::string>{"C1", "RP", "RN"}));

  conection* rn = g_to_o->conections->next->next->conection;
  EXPECT_EQ(rn->type, 100);
  EXPECT_EQ(rn->id, 2);
  std::vector<int32_t> tags;
  for (tagged_value* a : each(rn->attributes)) tags.push_back(a->tag);
  EXPECT_EQ(tags, (std::vector<int32_t>{206, 5, 6, 0, 1, 2}));

  node* o = get_node_with_index(c, 2);
  conection_entry* inductor = get_conection(o, get_node_with_index(c, 3), 0);
  EXPECT_EQ(test::conection_name(inductor->conection), "L1");
  EXPECT_EQ(test::node_indices(inductor->nodes), (std::vector<int32_t>{0, 3}));
  EXPECT_EQ(test::node_indices(get_conection(get_node_with_index(c, 3), o, 0)->nodes),
            (std::vector<int32_t>{3, 0}));
}

TEST(read_network, resolves_nodelists_through_indices_and_the_second_node) {
  network net;
  test::read_text_network(net, test::data_text("oscillator.txt"));
  conection_entry* list = net.circuit->nodelists;
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->next, nullptr);
  EXPECT_EQ(test::node_indices(list->nodes), (std::vector<int32_t>{1, 2, 0}));
  // The conection comes from the second listed node (o) toward the first
  // (s): only that record carries the dV/df attribute.
  EXPECT_EQ(test::conection_name(list->conection), "RI");
  EXPECT_NE(find_attribute(list->conection, 87), nullptr);
}

const std::string twins = test::data_text("twins.txt");

TEST(read_network, twins_share_their_groups_and_read_one) {
  network net;
  test::read_text_network(net, twins);
  node* a = net.circuit->nodes;
  node* b = a->next;
  node* c = b->next;
  EXPECT_EQ(a->twin, nullptr);
  EXPECT_EQ(b->twin, a);
  EXPECT_EQ(c->twin, b);
  EXPECT_EQ(b->dvar_groups, a->dvar_groups);
  EXPECT_EQ(c->dvar_groups, a->dvar_groups);
  // Reading a twin sets the shared first dvar to 1.0, whatever the file held.
  EXPECT_EQ(a->dvar_groups->dvars->value, 1.0);
  EXPECT_EQ(a->dvar_groups->dvars->number, 0);
}

TEST(read_network, reads_extra_dvars_names_and_empty_lists) {
  network net;
  test::read_text_network(net, twins);
  node* a = net.circuit->nodes;
  dvar_group* extra = find_dvar_group(a->dvar_groups, 30);
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(nth_dvar(extra, 0)->value, 5);
  EXPECT_EQ(nth_dvar(extra, 1)->value, 6);
  EXPECT_EQ(nth_dvar(extra, 1)->next, nullptr);

  conection* unnamed = a->neighbours->conections->conection;
  EXPECT_EQ(unnamed->name_len, 0);
  EXPECT_EQ(unnamed->attributes, nullptr);
  EXPECT_EQ(a->neighbours->conections->nodes, nullptr);
  conection* named = a->next->neighbours->conections->conection;
  EXPECT_EQ(test::conection_name(named), std::string("R\0\"z", 4));
  EXPECT_EQ(find_value(a->next->params, 9)->value, 2.5);
}

TEST(read_network, keeps_the_last_of_several_circuit_records) {
  const std::string one = R"(
circuit
  planes 1
  nodes_per_plane 1
  dvars_per_node 1
  global 20
    dvar -2 1
  node 0
    index 0
    param 0 0
    links -1 -1 -1 -1
)";
  std::string two = one;
  two.replace(two.find("nodes_per_plane 1"), 17, "nodes_per_plane 2");
  two.replace(two.find("links -1 -1 -1 -1"), 17, "links 1 -1 -1 -1");
  two += "  node 1\n    index 1\n    param 0 0\n    links -1 0 -1 -1\n";
  network net;
  test::read_text_network(net, "ignored_byte 7\n" + one + two);
  EXPECT_EQ(net.circuit_count, 2);
  EXPECT_EQ(net.circuit->nodes_per_plane, 2);
  EXPECT_EQ(net.circuit->nodes->next->index, 1);
}

TEST(read_network, stops_for_a_nodelist_without_its_node_or_conection) {
  std::string text = test::data_text("oscillator.txt");
  const std::string list = "nodelist 0 1 2 0";
  std::string missing_node = text;
  missing_node.replace(missing_node.find(list), list.size(), "nodelist 0 1 7 0");
  std::string missing_id = text;
  missing_id.replace(missing_id.find(list), list.size(), "nodelist 5 1 2 0");
  std::string not_neighbours = text;
  not_neighbours.replace(not_neighbours.find(list), list.size(), "nodelist 0 1 3");

  network net;
  EXPECT_FATAL(test::read_text_network(net, missing_node),
               "error, get_node_with_index: node[7] not found\n");
  EXPECT_FATAL(test::read_text_network(net, missing_id),
               "error, get_conection: conection not found\nnode[2], node[1], con[5]\n");
  EXPECT_FATAL(test::read_text_network(net, not_neighbours),
               "error, get_conection: neighbour not found\nnode[3], node[1]\n");
}

}  // namespace
}  // namespace pss
