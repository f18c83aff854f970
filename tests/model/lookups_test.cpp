#include "model/lookups.h"

#include <gtest/gtest.h>

#include "support/fatal_check.h"

namespace pss {
namespace {

// A hand-made chain of nodes with chosen indices and plane times.
struct chain {
  arena memory;
  circuit c{};
  std::vector<node*> nodes;

  explicit chain(const std::vector<int32_t>& indices) {
    node* last = nullptr;
    for (int32_t index : indices) {
      node* n = arena_new<node>(memory);
      n->index = index;
      n->params = arena_new<tagged_value>(memory);  // param 0 = 0
      if (last == nullptr)
        c.nodes = n;
      else
        last->next = n;
      last = n;
      nodes.push_back(n);
    }
  }

  // Appends b to a's neighbours.
  void join(node* a, node* b) {
    neighbour* nb = arena_new<neighbour>(memory);
    nb->node = b;
    neighbour** tail = &a->neighbours;
    while (*tail != nullptr) tail = &(*tail)->next;
    *tail = nb;
  }
};

TEST(plane_time_diff, wraps_round_the_end_of_the_period) {
  struct row {
    double a, b, expected;
  };
  const row rows[] = {
      {0.0, 7.0 / 8, 1.0 / 8},  // plane 0 follows plane N-1 by one step
      {0.5, 0.5, 0.0},
      {7.0 / 8, 0.0, 7.0 / 8},
      {0.25, 0.75, 0.5},
  };
  for (const row& r : rows) {
    chain ch({0, 1});
    ch.nodes[0]->params->value = r.a;
    ch.nodes[1]->params->value = r.b;
    EXPECT_DOUBLE_EQ(plane_time_diff(ch.nodes[0], ch.nodes[1]), r.expected) << r.a << " " << r.b;
  }
}

TEST(get_node_with_index, finds_nodes_through_shortcuts_and_the_chain) {
  chain ch({2, 4, 6, 9, 12});
  ch.join(ch.nodes[0], ch.nodes[3]);  // 2 -> 9 shortcut
  ch.join(ch.nodes[0], ch.nodes[4]);  // 2 -> 12, beyond most targets
  for (node* n : ch.nodes) EXPECT_EQ(get_node_with_index(&ch.c, n->index), n) << n->index;
}

TEST(get_node_with_index, stops_for_a_missing_index) {
  chain ch({2, 4, 6});
  ch.join(ch.nodes[0], ch.nodes[2]);
  for (int32_t missing : {1, 5, 7}) {
    EXPECT_FATAL(get_node_with_index(&ch.c, missing),
                 "error, get_node_with_index: node[" + std::to_string(missing) + "] not found\n");
  }
}

TEST(get_conection, finds_the_entry_by_neighbour_and_id) {
  chain ch({0, 1, 2});
  ch.join(ch.nodes[0], ch.nodes[1]);
  conection_entry* entries = arena_array<conection_entry>(ch.memory, 2);
  conection* cons = arena_array<conection>(ch.memory, 2);
  cons[0].id = 0;
  cons[1].id = 7;
  entries[0].conection = &cons[0];
  entries[0].next = &entries[1];
  entries[1].conection = &cons[1];
  ch.nodes[0]->neighbours->conections = entries;

  EXPECT_EQ(get_conection(ch.nodes[0], ch.nodes[1], 7), &entries[1]);
  EXPECT_EQ(get_conection(ch.nodes[0], ch.nodes[1], 0), &entries[0]);
  EXPECT_FATAL(get_conection(ch.nodes[0], ch.nodes[1], 3),
               "error, get_conection: conection not found\nnode[0], node[1], con[3]\n");
  EXPECT_FATAL(get_conection(ch.nodes[0], ch.nodes[2], 0),
               "error, get_conection: neighbour not found\nnode[0], node[2]\n");
}

TEST(nth_dvar, counts_slots_from_the_first) {
  arena memory;
  dvar_group* g = arena_new<dvar_group>(memory);
  dvar* d = arena_array<dvar>(memory, 2);
  d[0].next = &d[1];
  g->dvars = d;
  EXPECT_EQ(nth_dvar(g, 0), &d[0]);
  EXPECT_EQ(nth_dvar(g, -1), &d[0]);
  EXPECT_EQ(nth_dvar(g, 1), &d[1]);
}

TEST(tagged_value_new, links_after_prev_and_recycles) {
  tagged_value* first = tagged_value_new(3, 1.5, nullptr);
  tagged_value* second = tagged_value_new(-1, 2.5, first);
  EXPECT_EQ(first->next, second);
  EXPECT_EQ(second->next, nullptr);
  EXPECT_EQ(second->tag, -1);
  EXPECT_EQ(second->value, 2.5);
  tagged_value_free(second);
  tagged_value_free(first);
  tagged_value* again = tagged_value_new(5, 0.0, nullptr);
  EXPECT_EQ(again->next, nullptr);
  tagged_value_free(again);
}

TEST(find_value, returns_the_first_match_in_list_order) {
  arena memory;
  tagged_value* list = arena_array<tagged_value>(memory, 3);
  list[0] = {4, 1.0, &list[1]};
  list[1] = {0, 2.0, &list[2]};
  list[2] = {4, 3.0, nullptr};
  EXPECT_EQ(find_value(list, 4), &list[0]);
  EXPECT_EQ(find_value(list, 0), &list[1]);
  EXPECT_EQ(find_value(list, 9), nullptr);
  conection con{};
  con.attributes = list;
  EXPECT_EQ(find_attribute(&con, 4), &list[0]);
}

// Found by fuzzing: a name's bytes went into messages as they stood, so a
// newline or an escape in a network file's name broke the message's line.
TEST(conection_name, shows_control_bytes_as_question_marks) {
  char bytes[] = {'R', '\n', '1', '\x1b', '\x7f', 'x'};
  conection con{};
  con.name = bytes;
  con.name_len = 5;
  EXPECT_EQ(conection_name(&con), "R?1??");
  con.name = nullptr;
  con.name_len = 0;
  EXPECT_EQ(conection_name(&con), "");
}

}  // namespace
}  // namespace pss
