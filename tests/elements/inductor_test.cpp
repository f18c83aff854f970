#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "elements/fragment.h"
#include "model/codes.h"
#include "support/fatal_check.h"

namespace pss::test {
namespace {

constexpr int32_t ind = conection_type::inductor, trap = conection_type::inductor_trap;
const attribute_list one_mh = {{attr::inductance, 1e-3}};
const attribute_list sense_1_ohm = {{attr::resistance, 1}};

// DC circuit: the row (column 1), its neighbour (2) and the sense
// element's nodes S1 (3) and S2 (4), joined by the sense element (id 0).
struct dc_row {
  std::string label;
  int32_t type;
  int32_t sense_type;
  attribute_list sense;
  double v_nb;  // the row stands at 0 V
  double s;     // V(S1) - V(S2), with S2 at 0 V
  expected_res want;
};

// clang-format off
const dc_row dc_rows[] = {
    {"701, sense only", ind, conection_type::resistor, sense_1_ohm, 0, 0.2,
     {0.2, {{3, -1}, {4, 1}, {2, -1000}, {1, 1000}}}},
    {"701", ind, conection_type::resistor, sense_1_ohm, 1e-3, 0.2,
     {1.2, {{3, -1}, {4, 1}, {2, -1000}, {1, 1000}}}},
    // A leaky capacitor of 2 ohms as the sense element.
    {"701, capacitor sense", ind, conection_type::cap1,
     {{attr::capacitance, 1e-6}, {attr::leakage, 2}}, 1e-3, 0.2,
     {1.1, {{3, -0.5}, {4, 0.5}, {2, -1000}, {1, 1000}}}},
    // v / (2L) + 0.2; the row's plane stands in for the previous one.
    {"702", trap, conection_type::resistor, sense_1_ohm, 1e-3, 0.2,
     {0.7, {{2, -250}, {1, 250}, {3, -0.5}, {4, 0.5}, {3, -0.5}, {4, 0.5}, {2, -250},
            {1, 250}}}},
};
// clang-format on

TEST(inductor, dc_table) {
  for (const dc_row& r : dc_rows) {
    fragment f(1);
    node* row = f.add_node(1, 0);
    node* nb = f.add_node(2, r.v_nb);
    node* s1 = f.add_node(3, r.s);
    node* s2 = f.add_node(4, 0);
    f.add_element(s1, s2, r.sense_type, r.sense, {});
    check_res(f, row, nb, f.add_element(row, nb, r.type, one_mh, {s1, s2}), 0, r.want, r.label);
  }
}

// 10 planes, T = 1e-3 (a plane step of 1e-4): rings of the row (numbered
// 10..19), its neighbour (20..29), S1 (30..39) and S2 (40..49); the row in
// plane 5. The list is the one the plane expansion builds, and the sense
// element joins list nodes 1 and 2.
struct plane_row {
  std::string label;
  int32_t type;
  std::vector<double> nb, s1;  // ring voltages by plane; the row and S2 stand at 0 V
  int32_t period_number;
  expected_res want;
};

const int32_t p = period_column;

// clang-format off
const plane_row plane_rows[] = {
    {"701", ind, {0, 0, 0, 0, 1}, {}, p,
     {0.1, {{34, -1}, {44, 1}, {24, -0.1}, {14, 0.1}, {p, -100}}}},
    {"701, period fixed", ind, {0, 0, 0, 0, 1}, {}, period_fixed,
     {0.1, {{34, -1}, {44, 1}, {24, -0.1}, {14, 0.1}}}},
    // M = 1e-4 / 4e-3 = 0.025: 0.025 * 2 + 0.5 * (0.2 + 0.2).
    {"702", trap, {0, 0, 0, 0, 1, 1}, {0, 0, 0, 0, 0.2, 0.2}, p,
     {0.25, {{25, -0.025}, {15, 0.025}, {35, -0.5}, {45, 0.5}, {34, -0.5}, {44, 0.5},
             {24, -0.025}, {14, 0.025}, {p, -50}}}},
};
// clang-format on

TEST(inductor, plane_table) {
  for (const plane_row& r : plane_rows) {
    fragment f(10, 1e-3, r.period_number);
    node* row = f.add_ring(10, {})[5];
    node* nb = f.add_ring(20, r.nb)[5];
    node* s1 = f.add_ring(30, r.s1)[5];
    node* s2 = f.add_ring(40, {})[5];
    std::vector<node*> list{s1->prev_plane, s2->prev_plane, nb->prev_plane, row->prev_plane};
    if (r.type == trap) list.insert(list.begin(), {s1, s2});
    f.add_element(list[0], list[1], conection_type::resistor, sense_1_ohm, {});
    check_res(f, row, nb, f.add_element(row, nb, r.type, one_mh, list), 0, r.want, r.label);
  }
}

TEST(inductor, without_a_sense_resistance_stops) {
  const struct {
    int32_t type;
    attribute_list attributes;
  } senses[] = {{conection_type::cap1, {{attr::capacitance, 1e-6}}},
                {conection_type::resistor, {{attr::leakage, 1}}},
                {conection_type::diode, {{attr::saturation_current, 1e-14}}}};
  for (const auto& sense : senses) {
    fragment f(1);
    node* row = f.add_node(1, 0);
    node* nb = f.add_node(2, 0);
    node* s1 = f.add_node(3, 0);
    node* s2 = f.add_node(4, 0);
    f.add_element(s1, s2, sense.type, sense.attributes, {});
    conection_entry* e = f.add_element(row, nb, ind, one_mh, {s1, s2});
    EXPECT_FATAL(check_res(f, row, nb, e, 0, {}, ""),
                 "error, cal_mat_res: Inductor sense resistor not found\n");
  }
}

}  // namespace
}  // namespace pss::test
