#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/fragment.h"
#include "model/codes.h"
#include "support/fatal_check.h"

namespace pss::test {
namespace {

// Columns: the row node, its neighbour and list nodes L1, L2.
constexpr int32_t a = 1, b = 2, l1 = 3, l2 = 4;

struct resistor_row {
  std::string label;
  attribute_list attributes;
  double v_row, v_nb;
  std::vector<double> list;  // voltages of L1, L2 when the list names them
  expected_res want;
};

const double g120 = 1.0 / 120, g90 = 1.0 / 90, g6 = 1.0 / 6;
const attribute_list r_of_u = {{attr::resistance_poly, 0}, {0, 100}, {1, 10}};  // 100 + 10 u

// clang-format off
const resistor_row resistor_rows[] = {
    {"linear", {{attr::resistance, 1000}}, 1, 2, {},
     {0.001, {{a, 0.001}, {b, -0.001}}}},
    {"linear with series source", {{attr::resistance, 1000}}, 1, 2, {0.5},
     {0.0015, {{a, 0.001}, {b, -0.001}, {l1, -0.001}}}},
    {"resistance found after the characteristic start",
     {{attr::resistance_poly, 0}, {attr::resistance, 1000}}, 1, 2, {},
     {0.001, {{a, 0.001}, {b, -0.001}}}},
    // u = V_nb - V_row = 2: R = 120, dR/du = 10.
    {"nonlinear, own voltage", r_of_u, 1, 3, {},
     {2 * g120, {{a, g120}, {b, -g120}, {b, 10 * g120 * g120 * 2}, {a, -10 * g120 * g120 * 2}}}},
    // u = V(L2) - V(L1) = 2 while 1 V stands across the resistor.
    {"nonlinear, control pair", r_of_u, 1, 2, {0.5, 2.5},
     {g120, {{a, g120}, {b, -g120}, {l2, 10 * g120 * g120}, {l1, -10 * g120 * g120}}}},
    // u = -1 lies below the default lower limit 0: R = 100 + (-1) * 10.
    {"nonlinear below the default lower limit", r_of_u, 1, 0, {},
     {-g90, {{a, g90}, {b, -g90}, {b, -10 * g90 * g90}, {a, 10 * g90 * g90}}}},
    // R(u) = 1 + u + u^2 on [-1, 1] at u = 2: 3 + 1 * 3 = 6, slope 3.
    {"nonlinear above its upper limit",
     {{attr::resistance_poly, 0}, {attr::poly_lower_limit, -1}, {attr::poly_upper_limit, 1},
      {0, 1}, {1, 1}, {2, 1}}, 0, 2, {},
     {2 * g6, {{a, g6}, {b, -g6}, {b, 3 * g6 * g6 * 2}, {a, -3 * g6 * g6 * 2}}}},
};
// clang-format on

TEST(resistor, table) {
  for (const resistor_row& r : resistor_rows) {
    fragment f;
    node* row = f.add_node(a, r.v_row);
    node* nb = f.add_node(b, r.v_nb);
    std::vector<node*> list;
    for (std::size_t i = 0; i < r.list.size(); ++i)
      list.push_back(f.add_node(l1 + static_cast<int32_t>(i), r.list[i]));
    conection_entry* e = f.add_element(row, nb, conection_type::resistor, r.attributes, list);
    check_res(f, row, nb, e, 0, r.want, r.label);
  }
}

TEST(resistor, without_a_value_stops) {
  fragment f;
  node* row = f.add_node(a, 1);
  node* nb = f.add_node(b, 2);
  conection_entry* e = f.add_element(row, nb, conection_type::resistor, {{attr::leakage, 5}}, {});
  EXPECT_FATAL(check_res(f, row, nb, e, 0, {}, ""), "no resistor value specified\n");
}

}  // namespace
}  // namespace pss::test
