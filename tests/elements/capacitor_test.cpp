#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "elements/fragment.h"
#include "model/codes.h"
#include "support/fatal_check.h"

namespace pss::test {
namespace {

// Rows of the DC circuit: the row node (column 1) and its neighbour (2).
struct dc_row {
  std::string label;
  int32_t type;
  attribute_list attributes;
  double v_row, v_nb;
  expected_res want;
};

// clang-format off
const dc_row dc_rows[] = {
    {"CAP1 leaks only", conection_type::cap1, {{attr::capacitance, 1e-6}, {attr::leakage, 1e6}},
     0, 1, {1e-6, {{2, -1e-6}, {1, 1e-6}}}},
    // A leakage far below C must survive: the capacitor's own terms cancel.
    {"CAP2 keeps a small leakage against a large C", conection_type::cap2,
     {{attr::leakage, 1e20}, {attr::capacitance_poly, 0}, {0, 1.0}},
     0, 1, {1e-20, {{2, -1e-20}, {1, 1e-20}}}},
    {"CAP1 without leakage", conection_type::cap1, {{attr::capacitance, 1e-6}},
     0, 1, {0, {{2, 0}, {1, 0}}}},
};
// clang-format on

TEST(capacitor, dc_table) {
  for (const dc_row& r : dc_rows) {
    fragment f(1);
    node* row = f.add_node(1, r.v_row);
    node* nb = f.add_node(2, r.v_nb);
    conection_entry* e = f.add_element(row, nb, r.type, r.attributes, {row});
    check_res(f, row, nb, e, 0, r.want, r.label);
  }
}

// Rows of a 10-plane circuit with T = 1e-3 (a plane step of 1e-4): two
// rings of copies, A numbered 10..19 and B numbered 20..29 (slot 1: +100).
// The row is A or B in the given plane, its neighbour the other ring in the
// same plane; the list is what the plane expansion builds for that end, with
// the orientation node O in the row's plane of ring A.
struct plane_row {
  std::string label;
  int32_t type;
  attribute_list attributes;
  std::vector<double> a, b;  // ring voltages by plane
  int plane;
  bool row_is_b;
  int k;
  int32_t period_number;
  double slot1_offset;
  expected_res want;
};

const attribute_list c1u = {{attr::capacitance, 1e-6}};
// C(x) = 1e-6 + 1e-7 x, measured from ring A's end.
const attribute_list c_poly = {{attr::capacitance_poly, 0}, {0, 1e-6}, {1, 1e-7}};
const int32_t p = period_column, fixed = period_fixed;
const double e = std::exp(1.0);

constexpr int32_t cap1 = conection_type::cap1, cap2 = conection_type::cap2;
constexpr bool from_a = false, from_b = true;

// clang-format off
const plane_row plane_rows[] = {
    // label, type, attributes, ring A, ring B, plane, row's end, k, period, slot-1 offset
    {"CAP1", cap1, c1u, {}, {0, 0, 0, 1}, 3, from_a, 0, p, 0,
     {0.01, {{23, -0.01}, {13, 0.01}, {22, 0.01}, {12, -0.01}, {p, 10}}}},
    {"CAP1, period fixed", cap1, c1u, {}, {0, 0, 0, 1}, 3, from_a, 0, fixed, 0,
     {0.01, {{23, -0.01}, {13, 0.01}, {22, 0.01}, {12, -0.01}}}},
    {"CAP1 in plane 0 steps back to plane 9", cap1, c1u, {}, {1}, 0, from_a, 0, p, 0,
     {0.01, {{20, -0.01}, {10, 0.01}, {29, 0.01}, {19, -0.01}, {p, 10}}}},
    {"CAP1 from the other end", cap1, c1u, {}, {0, 0, 0, 1}, 3, from_b, 0, p, 0,
     {-0.01, {{13, -0.01}, {23, 0.01}, {12, 0.01}, {22, -0.01}, {p, -10}}}},
    {"CAP1 with leakage", cap1, {{attr::capacitance, 1e-6}, {attr::leakage, 100}},
     {}, {0, 0, 0, 1}, 3, from_a, 0, p, 0,
     {0.02, {{23, -0.02}, {13, 0.02}, {22, 0.01}, {12, -0.01}, {p, 10}}}},
    // Slot 1 runs at T + 1e-3 = 2e-3: a plane step of 2e-4.
    {"CAP1 in slot 1", cap1, c1u, {}, {0, 0, 0, 1}, 3, from_a, 1, p, 1e-3,
     {0.005, {{123, -0.005}, {113, 0.005}, {122, 0.005}, {112, -0.005}, {p, 2.5}}}},
    // x = (v + v_prev) / 2 = 1.5: C = 1.15e-6, dC/dx = 1e-7, dv = 1.
    {"CAP1 polynomial", cap1, c_poly, {}, {0, 0, 1, 2}, 3, from_a, 0, p, 0,
     {0.0115, {{23, -0.012}, {13, 0.012}, {22, 0.011}, {12, -0.011}, {p, 11.5}}}},
    // dv = v_next - v_prev = 2 over a span of 2e-4.
    {"CAP2", cap2, c1u, {}, {0, 0, -1, 0, 1}, 3, from_a, 0, p, 0,
     {0.01, {{23, 0}, {13, 0}, {22, 0.005}, {12, -0.005}, {24, -0.005}, {14, 0.005}, {p, 10}}}},
    {"CAP2, period fixed", cap2, c1u, {}, {0, 0, -1, 0, 1}, 3, from_a, 0, fixed, 0,
     {0.01, {{23, 0}, {13, 0}, {22, 0.005}, {12, -0.005}, {24, -0.005}, {14, 0.005}}}},
    // x = v = 2: C = 1.2e-6, dC/dx = 1e-7, dv = 1 over 2e-4.
    {"CAP2 polynomial", cap2, c_poly, {}, {0, 0, 1, 2, 2}, 3, from_a, 0, p, 0,
     {0.006, {{23, -5e-4}, {13, 5e-4}, {22, 0.006}, {12, -0.006}, {24, -0.006}, {14, 0.006},
              {p, 6}}}},
    // From B's end v = -2, read at x = 2 because the neighbour is O.
    {"CAP2 polynomial from the other end", cap2, c_poly, {}, {0, 0, 1, 2, 2}, 3, from_b, 0, p, 0,
     {-0.006, {{13, -5e-4}, {23, 5e-4}, {12, 0.006}, {22, -0.006}, {14, -0.006}, {24, 0.006},
               {p, -6}}}},
    // C = 1e-6 e^(0.5 x) at x = 2, dC/dx = C / 2.
    {"CAP2 exponential", cap2, {{attr::capacitance_exp, 0}, {0, 1e-6}, {0, 0}, {1, 0.5}},
     {}, {0, 0, 1, 2, 2}, 3, from_a, 0, p, 0,
     {0.005 * e, {{23, -0.0025 * e}, {13, 0.0025 * e}, {22, 0.005 * e}, {12, -0.005 * e},
                  {24, -0.005 * e}, {14, 0.005 * e}, {p, 5 * e}}}},
};
// clang-format on

TEST(capacitor, plane_table) {
  for (const plane_row& r : plane_rows) {
    fragment f(10, 1e-3, r.period_number, r.slot1_offset);
    const std::vector<node*> a = f.add_ring(10, r.a, 2);
    const std::vector<node*> b = f.add_ring(20, r.b, 2);
    node* row = (r.row_is_b ? b : a)[r.plane];
    node* nb = (r.row_is_b ? a : b)[r.plane];
    node* o = a[r.plane];
    std::vector<node*> list{nb->prev_plane, row->prev_plane};
    if (r.type == conection_type::cap2) list.insert(list.end(), {nb->next_plane, row->next_plane});
    list.push_back(o);
    check_res(f, row, nb, f.add_element(row, nb, r.type, r.attributes, list), r.k, r.want, r.label);
  }
}

TEST(capacitor, without_a_capacitance_stops) {
  const struct {
    int32_t type;
    const char* message;
  } rows[] = {{conection_type::cap1, "error, assemb: CAP1 attribute not found\n"},
              {conection_type::cap2, "error, assemb: CAP2 attribute not found\n"}};
  for (const auto& r : rows) {
    fragment f(1);
    node* row = f.add_node(1, 0);
    node* nb = f.add_node(2, 1);
    conection_entry* e = f.add_element(row, nb, r.type, {{attr::leakage, 1e6}}, {row});
    EXPECT_FATAL(check_res(f, row, nb, e, 0, {}, ""), r.message);
  }
}

}  // namespace
}  // namespace pss::test
