#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/fragment.h"
#include "model/codes.h"
#include "support/fatal_check.h"

namespace pss::test {
namespace {

// The generator between the row (column 1) and its neighbour (2), driven by
// the element with id 1 between C1 (3) and C2 (4); C1' (5) and C2' (6) are
// the pair one plane earlier. A decoy resistor with id 2 stands between C1
// and C2 as well.
struct igen_row {
  std::string label;
  int planes;
  int32_t control_type;
  attribute_list control;
  bool anode_is_c1;  // for a controlling diode
  double gain, control_id;
  double v_c1, v_c2;
  bool row_is_l1;
  expected_res want;
};

const attribute_list r1k = {{attr::resistance, 1000}};
const attribute_list diode = {{attr::saturation_current, 1e-14}};
constexpr int32_t res = conection_type::resistor, dio = conection_type::diode;
constexpr bool at_l1 = true, at_other = false;
// The diode law at 0.6 V, on the forward line beyond 0.5 V.
const double g_d = 38.6815 * 1e-14 * std::exp(0.5 * 38.6815);
const double i_d = 1e-14 * (std::exp(0.5 * 38.6815) - 1) + 0.1 * g_d;

// clang-format off
const igen_row igen_rows[] = {
    {"resistor control", 8, res, r1k, true, 2, 1, 1.5, 0.5, at_other,
     {0.002, {{3, -0.002}, {4, 0.002}, {5, 0}, {6, 0}}}},
    {"resistor control at L1", 8, res, r1k, true, 2, 1, 1.5, 0.5, at_l1,
     {-0.002, {{3, 0.002}, {4, -0.002}, {5, 0}, {6, 0}}}},
    // In the DC circuit the earlier pair is C1, C2 themselves.
    {"dc circuit", 1, res, r1k, true, 2, 1, 1.5, 0.5, at_other,
     {0.002, {{3, -0.002}, {4, 0.002}, {3, 0}, {4, 0}}}},
    {"control id truncated", 8, res, r1k, true, 2, 1.9, 1.5, 0.5, at_other,
     {0.002, {{3, -0.002}, {4, 0.002}, {5, 0}, {6, 0}}}},
    {"diode control, anode C1", 8, dio, diode, true, 1, 1, 0.6, 0, at_other,
     {i_d, {{3, -g_d}, {4, g_d}, {5, 0}, {6, 0}}}},
    // The diode current now flows from C2 to C1.
    {"diode control, anode C2", 8, dio, diode, false, 1, 1, 0, 0.6, at_other,
     {-i_d, {{3, -g_d}, {4, g_d}, {5, 0}, {6, 0}}}},
    {"diode control, anode C2, at L1", 8, dio, diode, false, 3, 1, 0, 0.6, at_l1,
     {3 * i_d, {{3, 3 * g_d}, {4, -3 * g_d}, {5, 0}, {6, 0}}}},
};
// clang-format on

conection_entry* build(fragment& f, const igen_row& r, node** row, node** nb) {
  *row = f.add_node(1, 0.3);
  *nb = f.add_node(2, -0.2);
  node* c1 = f.add_node(3, r.v_c1);
  node* c2 = f.add_node(4, r.v_c2);
  f.add_element(c1, c2, res, {{attr::resistance, 10}}, {}, 2);
  f.add_element(c1, c2, r.control_type, r.control, {r.anode_is_c1 ? c1 : c2}, 1);
  std::vector<node*> list{r.row_is_l1 ? *row : *nb, c1, c2};
  if (r.planes > 1) list.insert(list.end(), {f.add_node(5, 7.0), f.add_node(6, -7.0)});
  return f.add_element(
      *row, *nb, conection_type::igen,
      {{attr::gain, r.gain}, {attr::control_delay, 0}, {attr::control_id, r.control_id}}, list);
}

TEST(igen, table) {
  for (const igen_row& r : igen_rows) {
    fragment f(r.planes);
    node *row, *nb;
    conection_entry* e = build(f, r, &row, &nb);
    check_res(f, row, nb, e, 0, r.want, r.label);
  }
}

TEST(igen, a_capacitor_cannot_control) {
  const igen_row capacitor{
      "", 8, conection_type::cap1, {{attr::capacitance, 1e-6}}, true, 1, 1, 0, 0, at_other, {}};
  fragment f(8);
  node *row, *nb;
  conection_entry* e = build(f, capacitor, &row, &nb);
  EXPECT_FATAL(check_res(f, row, nb, e, 0, {}, ""),
               "error, calc_res: invalid control conection for I_IGEN\n");
}

}  // namespace
}  // namespace pss::test
