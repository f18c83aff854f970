#include <gtest/gtest.h>

#include <string>

#include "elements/fragment.h"
#include "model/codes.h"

namespace pss::test {
namespace {

// The controlled current i(v) = c0 + c1 v + c2 v^2 + c3 v^3 at
// v = V(C1) - V(C2) = 0.4 V leaves L1 (n+) and arrives at the other end;
// the control's entries are -+di/dv at C1, C2 whichever end is the row.
struct vccs_row {
  std::string label;
  attribute_list coefficients;
  bool row_is_n_plus;
  double current, slope;
};

const attribute_list cubic = {{attr::vccs_coefficient, 1e-3},
                              {attr::vccs_coefficient, 2e-3},
                              {attr::vccs_coefficient, 0},
                              {attr::vccs_coefficient, 4e-3}};
const attribute_list gain = {{attr::vccs_coefficient, 0}, {attr::vccs_coefficient, -0.5}};

const vccs_row rows[] = {
    {"cubic, row n+", cubic, true, -(1e-3 + 0.8e-3 + 0.256e-3), 2e-3 + 1.92e-3},
    {"cubic, row n-", cubic, false, 1e-3 + 0.8e-3 + 0.256e-3, -(2e-3 + 1.92e-3)},
    {"negative gain, row n+", gain, true, 0.2, -0.5},
    {"negative gain, row n-", gain, false, -0.2, 0.5},
};

TEST(vccs, table) {
  for (const vccs_row& r : rows) {
    fragment f;
    node* p = f.add_node(1, 0.3);
    node* m = f.add_node(2, -0.2);
    node* c1 = f.add_node(3, 0.5);
    node* c2 = f.add_node(4, 0.1);
    node* row = r.row_is_n_plus ? p : m;
    node* nb = r.row_is_n_plus ? m : p;
    conection_entry* e = f.add_element(row, nb, conection_type::vccs, r.coefficients, {p, c1, c2});
    check_res(f, row, nb, e, 0, {r.current, {{3, r.slope}, {4, -r.slope}}}, r.label);
  }
}

}  // namespace
}  // namespace pss::test
