#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/calc_res.h"
#include "elements/fragment.h"
#include "model/codes.h"

namespace pss::test {
namespace {

struct law_row {
  std::string label;
  attribute_list attributes;
  double v;  // anode minus cathode
  double current, conductance;
};

constexpr double is = 1e-14;
const double a = 38.6815;
const double e_fwd = std::exp(0.5 * a), e_rev = std::exp(-0.5 * a);  // at the +-0.5 V edges
const double e_half = std::exp(0.25 * a);                            // the same with a halved
const attribute_list plain = {{attr::saturation_current, is}};
const attribute_list half_a = {{attr::saturation_current, is}, {attr::exponent_factor, 0.5}};
// B = -5 with a = b: Vx = -6 and Vy = -5.5, so the fourth region is empty.
const attribute_list breakdown = {{attr::saturation_current, is}, {attr::breakdown_voltage, 5}};
const attribute_list breakdown_neg = {{attr::saturation_current, is},
                                      {attr::breakdown_voltage, -5}};
// b = 4a moves Vx up to -5.259 (above Vy = -5.5): the fourth region opens.
const attribute_list steep_breakdown = {
    {attr::saturation_current, is}, {attr::breakdown_voltage, 5}, {attr::breakdown_factor, 4}};
const double vx_steep = -5 + (std::log(0.25) - a) / (4 * a);

// The breakdown rows' values were worked out apart from the solver, region
// by region, in double precision.
// clang-format off
const law_row law_rows[] = {
    {"exponential up to +0.5 V", plain, 0.5, is * (e_fwd - 1), a * is * e_fwd},
    {"exponential inside", plain, 0.3, is * (std::exp(0.3 * a) - 1), a * is * std::exp(0.3 * a)},
    {"forward line", plain, 0.7, is * (e_fwd - 1) + 0.2 * a * is * e_fwd, a * is * e_fwd},
    {"exponential down to -0.5 V", plain, -0.5, is * (e_rev - 1), a * is * e_rev},
    {"reverse line", plain, -0.6, is * (e_rev - 1) - 0.1 * a * is * e_rev, a * is * e_rev},
    {"half a, forward line", half_a, 0.7, is * (e_half - 1) + 0.2 * 0.5 * a * is * e_half,
     0.5 * a * is * e_half},
    {"breakdown, forward line", breakdown, 0.7, 2.1923431901269665e-05, 9.70698386589034e-05},
    {"breakdown, exponential up to +0.5 V", breakdown, 0.5, 2.509464169488991e-06,
     9.706983865890341e-05},
    {"breakdown, reverse line from -1 V", breakdown, -1, -1e-14, 6.142445406045615e-30},
    {"breakdown, reverse line down to Vx, past Vy", breakdown, -5.5, -1.0000000000000028e-14,
     6.142445406045615e-30},
    {"breakdown, last line at Vx", breakdown, -6, -5.104438351894069e-05, 9.70698386589034e-05},
    {"breakdown, last line", breakdown, -7, -0.0001481142221778441, 9.70698386589034e-05},
    {"negative breakdown voltage, last line", breakdown_neg, -7, -0.0001481142221778441,
     9.70698386589034e-05},
    {"steep breakdown, fourth region", steep_breakdown, -5.4, -7562392301676.063,
     1170098711269130.8},
    {"steep breakdown, fourth region at Vx", steep_breakdown, vx_steep, -2518.9641872553157,
     389749.25283726596},
    {"steep breakdown, last line at Vy", steep_breakdown, -5.5, -3.965737860421853e+19,
     6.136027561916317e+21},
};
// clang-format on

TEST(diode_current, table) {
  for (const law_row& r : law_rows) {
    fragment f;
    node* n = f.add_node(1, 0);
    const conection* con = f.add_element(n, n, conection_type::diode, r.attributes, {})->conection;
    const diode_point p = diode_current(con, r.v);
    EXPECT_NEAR(p.current, r.current, 1e-12 * std::fabs(r.current)) << r.label;
    EXPECT_NEAR(p.conductance, r.conductance, 1e-12 * std::fabs(r.conductance)) << r.label;
  }
}

// The diode element between the row (column 1) and its neighbour (2): the
// current flows from the anode L1, and the entries do not depend on which
// end that is.
struct element_row {
  std::string label;
  double v_row, v_nb;
  bool row_is_anode;
  expected_res want;
};

const double i_fwd = is * (e_fwd - 1) + 0.2 * a * is * e_fwd, g_fwd = a * is * e_fwd;
const double i_rev = is * (std::exp(-0.3 * a) - 1), g_rev = a * is * std::exp(-0.3 * a);

// clang-format off
const element_row element_rows[] = {
    {"anode at the neighbour", 0.1, 0.8, false, {i_fwd, {{1, g_fwd}, {2, -g_fwd}}}},
    {"anode at the row", 0.8, 0.1, true, {-i_fwd, {{1, g_fwd}, {2, -g_fwd}}}},
    {"reverse biased, anode at the neighbour", 0.3, 0, false, {i_rev, {{1, g_rev}, {2, -g_rev}}}},
};
// clang-format on

TEST(diode, element_table) {
  for (const element_row& r : element_rows) {
    fragment f;
    node* row = f.add_node(1, r.v_row);
    node* nb = f.add_node(2, r.v_nb);
    conection_entry* e =
        f.add_element(row, nb, conection_type::diode, plain, {r.row_is_anode ? row : nb});
    check_res(f, row, nb, e, 0, r.want, r.label);
  }
}

}  // namespace
}  // namespace pss::test
