#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/fragment.h"
#include "model/codes.h"

namespace pss::test {
namespace {

// A 10-ohm windowed source resistor, window (0.25, 0.5), between the row
// (columns 1 and 101 for slots 0 and 1) and its neighbour (2, 102); L2 is
// the source node (3, 103).
struct window_row {
  std::string label;
  int planes;
  double time;  // of the row's plane
  int slots, k;
  bool row_is_l1, has_l2;
  double v_row[2], v_nb[2], v_l2[2];  // by slot
  expected_res want;
};

constexpr bool at_l1 = true, at_other = false, source = true, no_source = false;

// clang-format off
const window_row window_rows[] = {
    {"dc circuit", 1, 0, 1, 0, at_other, no_source, {1}, {2}, {}, {0, {}}},
    {"at the window start", 8, 0.25, 1, 0, at_other, no_source, {1}, {2}, {}, {0, {}}},
    {"at the window end", 8, 0.5, 1, 0, at_other, no_source, {1}, {2}, {}, {0, {}}},
    {"inside", 8, 0.375, 1, 0, at_other, no_source, {1}, {2}, {},
     {0.1, {{1, 0.1}, {2, -0.1}}}},
    {"source, neighbour is L1", 8, 0.375, 1, 0, at_other, source, {1}, {2}, {0.5},
     {0.15, {{1, 0.1}, {2, -0.1}, {3, -0.1}}}},
    {"source, row is L1", 8, 0.375, 1, 0, at_l1, source, {1}, {2}, {0.5},
     {0.05, {{1, 0.1}, {2, -0.1}, {3, 0.1}}}},
    // Two slots: L1's rows hold voltage equations.
    {"slot 0 at L1", 8, 0.375, 2, 0, at_l1, source, {1, 1.25}, {2, 2.5}, {0.5, 0.25},
     {0.5, {{1, 1}, {2, -1}, {3, 1}}}},
    {"slot 1 at L1", 8, 0.375, 2, 1, at_l1, source, {1, 1.25}, {2, 2.5}, {0.5, 0.25},
     {-0.25, {{101, 1}, {1, -1}}}},
    {"slot 1 at L1 outside the window", 8, 0.5, 2, 1, at_l1, source, {1, 1.25}, {2, 2.5},
     {0.5, 0.25}, {0, {}}},
    {"slot 0 at the other end", 8, 0.375, 2, 0, at_other, source, {1, 1.25}, {2, 2.5},
     {0.5, 0.25}, {0.15, {{1, 0.1}, {2, -0.1}, {3, -0.1}}}},
    {"slot 1 at the other end", 8, 0.375, 2, 1, at_other, source, {1, 1.25}, {2, 2.5},
     {0.5, 0.25}, {0.15, {{101, 0.1}, {102, -0.1}, {103, -0.1}}}},
};
// clang-format on

node* add_node(fragment& f, int32_t number, const double (&v)[2], double time, int slots) {
  if (slots == 1) return f.add_node(number, v[0], time);
  return f.add_node(time, {{number, v[0]}, {number + 100, v[1]}});
}

TEST(window_resistor, table) {
  for (int32_t type : {conection_type::window_resistor, conection_type::window_switch}) {
    for (const window_row& r : window_rows) {
      fragment f(r.planes);
      node* row = add_node(f, 1, r.v_row, r.time, r.slots);
      node* nb = add_node(f, 2, r.v_nb, r.time, r.slots);
      std::vector<node*> list{r.row_is_l1 ? row : nb};
      if (r.has_l2) list.push_back(add_node(f, 3, r.v_l2, r.time, r.slots));
      conection_entry* e = f.add_element(
          row, nb, type,
          {{attr::window_start, 0.25}, {attr::window_end, 0.5}, {attr::resistance, 10}}, list);
      check_res(f, row, nb, e, r.k, r.want, r.label + " (" + std::to_string(type) + ")");
    }
  }
}

}  // namespace
}  // namespace pss::test
