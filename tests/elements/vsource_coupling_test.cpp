#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/fragment.h"
#include "model/codes.h"

namespace pss::test {
namespace {

// A voltage source between the row (column 1, at 1 V) and its neighbour
// (2, at 2 V) with list [L1, L2]; L2 (3, at 0.5 V) holds the partner, a
// 10-ohm element with id 0, toward L1. A 102 or 103 partner has the window
// (0.25, 0.5).
struct vsource_row {
  std::string label;
  int planes;
  int32_t partner_type;
  double l2_time;  // the row and its neighbour stay at time 0.5
  bool row_is_l1, has_l2;
  expected_res want;
};

constexpr int32_t plain = conection_type::resistor, gated = conection_type::window_resistor,
                  never_gated = conection_type::window_switch;
constexpr bool at_l1 = true, at_other = false;

// clang-format off
const vsource_row vsource_rows[] = {
    {"at L1", 1, plain, 0, at_l1, true, {0.25, {{1, -0.1}, {2, -0.1}, {3, 0.1}}}},
    {"at the other end", 1, plain, 0, at_other, true, {-0.25, {{1, 0.1}, {2, 0.1}, {3, -0.1}}}},
    {"no second list node", 8, plain, 0.375, at_l1, false, {0, {}}},
    // A 102 partner gates by its window at L2's plane.
    {"102 partner, window open", 8, gated, 0.375, at_l1, true,
     {0.25, {{1, -0.1}, {2, -0.1}, {3, 0.1}}}},
    {"102 partner, window open, other end", 8, gated, 0.375, at_other, true,
     {-0.25, {{1, 0.1}, {2, 0.1}, {3, -0.1}}}},
    {"102 partner at the window end", 8, gated, 0.5, at_l1, true, {0, {}}},
    {"102 partner, dc circuit", 1, gated, 0.375, at_l1, true, {0, {}}},
    {"103 partner outside its window", 8, never_gated, 0.5, at_l1, true,
     {0.25, {{1, -0.1}, {2, -0.1}, {3, 0.1}}}},
    {"103 partner, dc circuit", 1, never_gated, 0, at_other, true,
     {-0.25, {{1, 0.1}, {2, 0.1}, {3, -0.1}}}},
};
// clang-format on

TEST(vsource_coupling, table) {
  for (const vsource_row& r : vsource_rows) {
    fragment f(r.planes);
    node* row = f.add_node(1, 1, 0.5);
    node* nb = f.add_node(2, 2, 0.5);
    node* l1 = r.row_is_l1 ? row : nb;
    node* l2 = f.add_node(3, 0.5, r.l2_time);
    f.add_element(l2, l1, r.partner_type,
                  {{attr::window_start, 0.25}, {attr::window_end, 0.5}, {attr::resistance, 10}},
                  {l1});
    std::vector<node*> list{l1};
    if (r.has_l2) list.push_back(l2);
    conection_entry* e =
        f.add_element(row, nb, conection_type::vsource, {{attr::dc_level, 1}}, list);
    check_res(f, row, nb, e, 0, r.want, r.label);
  }
}

}  // namespace
}  // namespace pss::test
