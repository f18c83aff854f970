// Numbering of the unknowns and the pattern that matrix_create derives from a
// circuit's topology, on networks written in the text form of pss-net.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/lookups.h"
#include "sparse/matrix.h"
#include "sparse/pattern.h"
#include "sparse/sparse_helpers.h"
#include "support/fatal_check.h"
#include "support/net_builder.h"

namespace pss {
namespace {

using test::pattern;
using numbers = std::vector<std::vector<int32_t>>;

// The numbers of every dvar of every group of every node, in node chain
// order.
numbers numbers_of(const circuit* c) {
  numbers out;
  for (node* n : each(c->nodes)) {
    std::vector<int32_t> row;
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d : each(g->dvars)) row.push_back(d->number);
    }
    out.push_back(row);
  }
  return out;
}

int32_t period_number(const circuit* c) {
  return find_dvar_group(c->global_dvars, 20)->dvars->number;
}

void expect_all_zero(const matrix* m) {
  for (double v : test::values_of(m)) EXPECT_EQ(v, 0.0);
}

// Node 0 fixed; 1, 2 and 3 unknown, joined by resistors 0-1, 0-2, 1-2, 2-3.
// The file's numbers are stale on purpose.
const char* const neighbours_net = R"(
circuit
  planes 1
  nodes_per_plane 4
  global 20
    dvar -2 1
  node 0
    index 0
    param 0 0
    group 21
      dvar -1 0
    neighbour 1
      conection 0 "R1" 100
    neighbour 2
      conection 1 "R2" 100
    links 1 -1 -1 -1
  node 1
    index 1
    param 0 0
    group 21
      dvar 5 0
    neighbour 0
      conection 0 "R1" 100
    neighbour 2
      conection 2 "R3" 100
    links 2 0 -1 -1
  node 2
    index 2
    param 0 0
    group 21
      dvar 9 0
    neighbour 0
      conection 1 "R2" 100
    neighbour 1
      conection 2 "R3" 100
    neighbour 3
      conection 3 "R4" 100
    links 3 1 -1 -1
  node 3
    index 3
    param 0 0
    group 21
      dvar 0 0
    neighbour 2
      conection 3 "R4" 100
    links -1 2 -1 -1
)";

TEST(matrix_create, neighbours_enter_only_lower_columns) {
  network net;
  test::read_text_network(net, neighbours_net);
  matrix* m = matrix_create(net.circuit);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(numbers_of(net.circuit), (numbers{{-1}, {0}, {1}, {2}}));
  EXPECT_EQ(period_number(net.circuit), -2);
  // Row 0 is coupled to nothing lower (its neighbour 0 is fixed): no entries.
  EXPECT_EQ(test::pattern_of(m), (pattern{{}, {0}, {1}}));
  expect_all_zero(m);
  mat_free(m);
}

TEST(matrix_create, a_second_creation_gives_the_same_numbers_and_pattern) {
  network net;
  test::read_text_network(net, neighbours_net);
  matrix* first = matrix_create(net.circuit);
  const pattern p = test::pattern_of(first);
  mat_free(first);
  matrix* second = matrix_create(net.circuit);
  EXPECT_EQ(test::pattern_of(second), p);
  EXPECT_EQ(numbers_of(net.circuit), (numbers{{-1}, {0}, {1}, {2}}));
  mat_free(second);
}

// Two planes of nodes a and b, two dvars per node, records not in index
// order (positions 0, 1, 2, 3 hold indices 0, 2, 1, 3: a0, a1, b0, b1).
// Capacitors read the other plane's copies through their node lists.
const char* const planes_net = R"(
circuit
  planes 2
  nodes_per_plane 2
  dvars_per_node 2
  global 20
    dvar -2 1
  node 0                  # a0
    index 0
    param 0 0
    group 21
      dvar 4 0
      dvar -1 0
    group 30
      dvar 7 0
    neighbour 2
      conection 0 "C1" 601
        nodes 3
    links 2 -1 1 1
  node 1                  # a1
    index 2
    param 0 0.5
    group 21
      dvar 1 0
      dvar 1 0
    neighbour 3
      conection 0 "C1" 601
        nodes 0
    links 3 2 0 0
  node 2                  # b0
    index 1
    param 0 0
    group 21
      dvar -1 0
      dvar 3 0
    neighbour 0
      conection 1 "R1" 100
    links 1 0 3 3
  node 3                  # b1
    index 3
    param 0 0.5
    group 21
      dvar 2 0
      dvar 2 0
    neighbour 1
      conection 0 "C1" 601
        nodes 2
    links -1 1 2 2
)";

TEST(matrix_create, numbers_in_node_chain_then_group_then_dvar_order) {
  network net;
  test::read_text_network(net, planes_net);
  matrix* m = matrix_create(net.circuit);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->n, 7);
  // Chain order a0, b0, a1, b1; a0's group 30 after its group 21; fixed
  // dvars keep -1.
  EXPECT_EQ(numbers_of(net.circuit), (numbers{{0, -1, 1}, {-1, 2}, {3, 4}, {5, 6}}));
  mat_free(m);
}

TEST(matrix_create, node_lists_couple_further_nodes) {
  network net;
  test::read_text_network(net, planes_net);
  matrix* m = matrix_create(net.circuit);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(test::pattern_of(m),
            (pattern{
                {},         // a0 slot 0
                {},         // a0 group 30: b1 has no group 30
                {0, 1},     // b0: neighbour a0, both unknowns
                {0},        // a1 slot 0: C1 reads a0 slot 0
                {},         // a1 slot 1: a0 slot 1 is fixed
                {0, 3, 4},  // b1 slot 0: a0's C1 reads b1 (later), neighbour a1
                {2, 3, 4},  // b1 slot 1: C1 reads b0 slot 1, neighbour a1
            }));
  expect_all_zero(m);
  mat_free(m);
}

// Five unknown nodes (stale numbers). C1 (601) at node 1 reads nodes 3 and 0;
// the resistor R1 at node 2 carries a node list that must not count; G1
// (62) at node 3 reads node 0; V1 (50) at node 4 reads node 4 itself; G1 at
// node 4 has no node list.
const char* const node_list_net = R"(
circuit
  planes 1
  nodes_per_plane 5
  global 20
    dvar -1 1
  node 0
    index 0
    param 0 0
    group 21
      dvar 3 0
    links 1 -1 -1 -1
  node 1
    index 1
    param 0 0
    group 21
      dvar 3 0
    neighbour 0
      conection 0 "C1" 601
        nodes 3 0
    links 2 0 -1 -1
  node 2
    index 2
    param 0 0
    group 21
      dvar 3 0
    neighbour 4
      conection 1 "R1" 100
        nodes 0
    links 3 1 -1 -1
  node 3
    index 3
    param 0 0
    group 21
      dvar 3 0
    neighbour 4
      conection 2 "G1" 62
        nodes 0
    links 4 2 -1 -1
  node 4
    index 4
    param 0 0
    group 21
      dvar 3 0
    neighbour 2
      conection 1 "R1" 100
    neighbour 3
      conection 2 "G1" 62
      conection 3 "V1" 50
        nodes 4
    links -1 3 -1 -1
)";

TEST(matrix_create, conections_with_node_lists_and_resistors_without) {
  network net;
  test::read_text_network(net, node_list_net);
  matrix* m = matrix_create(net.circuit);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(numbers_of(net.circuit), (numbers{{0}, {1}, {2}, {3}, {4}}));
  EXPECT_EQ(test::pattern_of(m), (pattern{
                                     {},
                                     {0},     // neighbour 0 and C1's node 0: one entry
                                     {},      // R1's node list does not count
                                     {0, 1},  // G1 reads node 0; C1 at node 1 reads node 3
                                     {2, 3},  // neighbours; V1 reading node 4 adds nothing
                                 }));
  EXPECT_EQ(m->rows[1].count, 1);
  mat_free(m);
}

TEST(matrix_create, uses_node_list_by_type) {
  for (int32_t type : {50, 62, 501, 601, 602, 701, 702}) {
    conection con{0, type, 0, nullptr, nullptr};
    EXPECT_TRUE(uses_node_list(&con)) << type;
  }
  for (int32_t type : {0, 60, 100, 102, 103, 200, 500}) {
    conection con{0, type, 0, nullptr, nullptr};
    EXPECT_FALSE(uses_node_list(&con)) << type;
  }
}

// Node 4 is a twin of node 1 (its representative). Node 4's resistor to
// node 0 lands in node 1's row; node 3's resistor to node 4 and C1 at node 2
// reading node 4 both couple to node 1's unknown.
const char* const twins_net = R"(
circuit
  planes 1
  nodes_per_plane 5
  global 20
    dvar -2 1
  node 0
    index 0
    param 0 0
    group 21
      dvar 2 0
    links 1 -1 -1 -1
  node 1
    index 1
    param 0 0
    group 21
      dvar 8 0
    links 2 0 -1 -1
  node 2
    index 2
    param 0 0
    group 21
      dvar 8 0
    neighbour 0
      conection 0 "C1" 601
        nodes 4
    links 3 1 -1 -1
  node 3
    index 3
    param 0 0
    group 21
      dvar 8 0
    neighbour 4
      conection 1 "R2" 100
    links 4 2 -1 -1
  node 4
    index 4
    param 0 0
    twin 1
    neighbour 0
      conection 2 "R1" 100
    neighbour 3
      conection 1 "R2" 100
    links -1 3 -1 -1
)";

TEST(matrix_create, a_twinned_node_has_no_rows_of_its_own) {
  network net;
  test::read_text_network(net, twins_net);
  matrix* m = matrix_create(net.circuit);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->n, 4);
  // Node 4 shares node 1's dvar, and so its number.
  EXPECT_EQ(numbers_of(net.circuit), (numbers{{0}, {1}, {2}, {3}, {1}}));
  EXPECT_EQ(test::pattern_of(m), (pattern{{}, {0}, {0, 1}, {1}}));
  mat_free(m);
}

TEST(matrix_create, a_twin_chain_shares_one_row) {
  network net;
  test::read_text_network(net, test::data_text("twins.txt"));
  matrix* m = matrix_create(net.circuit);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->n, 1);
  EXPECT_EQ(test::pattern_of(m), (pattern{{}}));
  EXPECT_EQ(numbers_of(net.circuit), (numbers{{0, -1, -1}, {0, -1, -1}, {0, -1, -1}}));
  mat_free(m);
}

// Double-dvar mode with the nodelist RI 1 2 3 (node indices): node 0 fixed,
// nodes 1, 2, 3 unknown in both slots; C1 at node 3 reads node 1.
std::string period_net(const char* period_dvar) {
  return std::string(R"(
circuit
  planes 1
  nodes_per_plane 4
  dvars_per_node 2
  global 20
    )") + period_dvar +
         R"(
  node 0
    index 0
    param 0 0
    group 21
      dvar -1 0
      dvar -1 0
    links 1 -1 -1 -1
  node 1
    index 1
    param 0 0
    group 21
      dvar 0 0
      dvar 0 0
    neighbour 0
      conection 0 "R0" 100
    neighbour 2
      conection 7 "RI" 103
    links 2 0 -1 -1
  node 2
    index 2
    param 0 0
    group 21
      dvar 0 0
      dvar 0 0
    neighbour 1
      conection 7 "RI" 103
        attribute 87 0
    neighbour 3
      conection 1 "R1" 100
    links 3 1 -1 -1
  node 3
    index 3
    param 0 0
    group 21
      dvar 0 0
      dvar 0 0
    neighbour 2
      conection 1 "R1" 100
      conection 2 "C1" 601
        nodes 1
    links -1 2 -1 -1
  nodelist 7 1 2 3
)";
}

TEST(matrix_create, the_free_period_is_the_last_row) {
  network net;
  test::read_text_network(net, period_net("dvar 0 1"));
  matrix* m = matrix_create(net.circuit);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->n, 7);
  EXPECT_EQ(numbers_of(net.circuit), (numbers{{-1, -1}, {0, 1}, {2, 3}, {4, 5}}));
  EXPECT_EQ(period_number(net.circuit), 6);
  EXPECT_EQ(test::pattern_of(m), (pattern{
                                     {},
                                     {0},  // the nodelist's first node: slot 1 to slot 0
                                     {0, 1},
                                     {0, 1},
                                     {0, 2, 3},  // C1 reads node 1 slot 0
                                     {1, 2, 3},  // C1 reads node 1 slot 1
                                     // C1's couplings (0, 1 with 4, 5) and the
                                     // nodelist's second and third nodes (2 to 5)
                                     {0, 1, 2, 3, 4, 5},
                                 }));
  expect_all_zero(m);
  mat_free(m);
}

TEST(matrix_create, a_fixed_period_has_no_row_and_no_nodelist_couplings) {
  network net;
  test::read_text_network(net, period_net("dvar -2 1"));
  matrix* m = matrix_create(net.circuit);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->n, 6);
  EXPECT_EQ(period_number(net.circuit), -2);
  EXPECT_EQ(test::pattern_of(m), (pattern{{}, {}, {0, 1}, {0, 1}, {0, 2, 3}, {1, 2, 3}}));
  mat_free(m);
}

// Ground and one node joined by a resistor; `node_number` is the node's
// voltage dvar number, `period_number` the period's.
std::string two_node_net(int node_number, int period_number) {
  return "circuit\n  planes 1\n  nodes_per_plane 2\n  global 20\n    dvar " +
         std::to_string(period_number) +
         " 1\n"
         "  node 0\n    index 0\n    param 0 0\n    group 21\n      dvar -1 0\n"
         "    neighbour 1\n      conection 0 \"R1\" 100\n    links 1 -1 -1 -1\n"
         "  node 1\n    index 1\n    param 0 0\n    group 21\n      dvar " +
         std::to_string(node_number) +
         " 1\n"
         "    neighbour 0\n      conection 0 \"R1\" 100\n    links -1 0 -1 -1\n";
}

TEST(matrix_create, a_period_row_without_columns_stops_the_run) {
  network net;
  test::read_text_network(net, two_node_net(0, 0));
  EXPECT_FATAL(matrix_create(net.circuit), "error, matrix_create: empty row\n");
}

TEST(matrix_create, no_unknowns_gives_none_and_no_message) {
  network net;
  test::read_text_network(net, two_node_net(-1, -2));
  testing::internal::CaptureStdout();
  matrix* m = matrix_create(net.circuit);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(m, nullptr);
  EXPECT_EQ(numbers_of(net.circuit), (numbers{{-1}, {-1}}));
}

TEST(matrix_create, a_column_entered_twice_is_kept_once) {
  // Row 3 gets 5, 2, 5, 9, 2, 9; row 0 gets 1 twice; rows 1, 2 and 4 stay
  // empty; the pairs come in any order.
  pattern_pairs pairs;
  for (int32_t col : {5, 2, 5}) pattern_enter(pairs, 3, col);
  pattern_enter(pairs, 0, 1);
  for (int32_t col : {9, 2, 9}) pattern_enter(pairs, 3, col);
  pattern_enter(pairs, 0, 1);
  const pattern_rows rows = pattern_sort(pairs, 10);
  EXPECT_EQ(rows.start, (std::vector<int32_t>{0, 1, 1, 1, 4, 4, 4, 4, 4, 4, 4}));
  EXPECT_EQ(rows.cols, (std::vector<int32_t>{1, 2, 5, 9}));
  EXPECT_TRUE(pairs.rows.empty());
  EXPECT_TRUE(pairs.cols.empty());
}

}  // namespace
}  // namespace pss
