#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/calc_res.h"
#include "elements/fragment.h"
#include "elements/models.h"
#include "model/codes.h"

namespace pss::test {
namespace {

enum kind { poly, expo };

// A characteristic: the attributes after its start (the start's own id and
// value are not read), read at x from the row's end or, with the neighbour
// as orientation node, from the other end.
struct characteristic_row {
  std::string label;
  kind k;
  attribute_list after_start;
  double x;
  bool from_other_end;
  double value, slope;
};

const double lo = attr::poly_lower_limit, hi = attr::poly_upper_limit;
const double e = std::exp(1.0), e_half = std::exp(0.5);
const attribute_list squares = {
    {lo, -1}, {hi, 1}, {0, 1}, {1, 1}, {2, 1}};  // 1 + x + x^2 on [-1, 1]

// clang-format off
const characteristic_row rows[] = {
    {"inside, no limits", poly, {{0, 0.5}, {1, 2.0}}, 3, false, 6.5, 2},
    {"below the default lower limit 0", poly, {{0, 0.5}, {1, 2.0}}, -1, false, -1.5, 2},
    {"above the upper limit", poly, squares, 2, false, 6, 3},
    {"below the lower limit", poly, squares, -3, false, 3, -1},
    {"lower limit only", poly, {{lo, -2}, {0, 0}, {1, 1}, {2, 1}}, -1, false, 0, -1},
    // An upper limit that does not follow a lower one is the constant term.
    {"upper limit alone is no limit", poly, {{hi, 1}, {1, 2.0}}, 3, false, 7, 2},
    // The term's position is its power; its id only scales the slope.
    {"term ids scale the slope", poly, {{0, 0}, {3, 1}}, 2, false, 2, 3},
    {"read at -x from the other end", poly, {{0, 1}, {1, 2}}, -2, true, 5, -2},
    // K0 exp(c0 + a1 x + a2 x^2 ...)
    {"exponential", expo, {{0, 2e-6}, {0, 0.5}, {1, 0.25}}, 2, false, 2e-6 * e, 0.5e-6 * e},
    {"exponential, second order", expo, {{0, 1}, {0, 0}, {1, 0}, {2, 0.25}}, 2, false, e, e},
    {"exponential above the upper limit", expo, {{lo, 0}, {hi, 1}, {0, 1}, {0, 0}, {1, 0.5}}, 2,
     false, 1.5 * e_half, 0.5 * e_half},
    {"exponential from the other end", expo, {{0, 1}, {0, 0}, {1, 0.5}}, -2, true, e, -0.5 * e},
};
// clang-format on

double evaluate(const characteristic_row& r, const tagged_value* start, double* slope) {
  dvar nb{}, other{};
  const dvar* orientation = r.from_other_end ? &nb : &other;
  if (r.k == expo) return exp_characteristic(start, r.x, slope, &nb, orientation);
  if (r.from_other_end) return poly_characteristic_oriented(start, r.x, slope, &nb, orientation);
  return poly_characteristic(start, r.x, slope);
}

TEST(characteristic, table) {
  for (const characteristic_row& r : rows) {
    fragment f;
    attribute_list all{{0, 0.0}};
    all.insert(all.end(), r.after_start.begin(), r.after_start.end());
    node* n = f.add_node(0, 0.0);
    const tagged_value* start =
        f.add_element(n, n, conection_type::resistor, all, {})->conection->attributes;
    double slope = 0.0;
    const double value = evaluate(r, start, &slope);
    EXPECT_NEAR(value, r.value, 1e-12 * std::fabs(r.value)) << r.label;
    EXPECT_NEAR(slope, r.slope, 1e-12 * std::fabs(r.slope)) << r.label << ", slope";
  }
}

}  // namespace
}  // namespace pss::test
