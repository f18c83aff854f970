#include <gtest/gtest.h>

#include <numbers>
#include <string>

#include "elements/fragment.h"
#include "model/codes.h"

namespace pss::test {
namespace {

struct source_row {
  std::string label;
  attribute_list attributes;
  double time;  // the row plane's time, fraction of the period
  bool row_is_l1;
  double current;
};

const double pi = std::numbers::pi;

// clang-format off
const source_row source_rows[] = {
    {"dc into the other end", {{attr::dc_level, 1e-3}}, 0, false, 1e-3},
    {"dc out of L1", {{attr::dc_level, 1e-3}}, 0, true, -1e-3},
    {"dc in a later plane", {{attr::dc_level, 1e-3}}, 0.7, false, 1e-3},
    {"second harmonic", {{attr::ac_amplitude, 1}, {attr::harmonic, 2}}, 0.125, false, 1},
    {"second harmonic out of L1", {{attr::ac_amplitude, 1}, {attr::harmonic, 2}}, 0.125, true, -1},
    // f and h multiply: 4 cycles a period.
    {"frequency times harmonic",
     {{attr::ac_amplitude, 1}, {attr::frequency, 2}, {attr::harmonic, 2}}, 0.0625, false, 1},
    // The phase is in radians.
    {"phase", {{attr::dc_level, 0.5}, {attr::ac_amplitude, 2}, {attr::phase, pi / 2}}, 0, false,
     2.5},
    {"dc circuit, phase 0", {{attr::dc_level, 0.5}, {attr::ac_amplitude, 2}, {attr::phase, 0}}, 0,
     false, 0.5},
    {"only the first amplitude counts", {{attr::ac_amplitude, 1}, {attr::ac_amplitude, 5}}, 0.25,
     false, 1},
};
// clang-format on

TEST(current_source, table) {
  for (const source_row& r : source_rows) {
    fragment f(8);
    node* row = f.add_node(1, 0.3, r.time);
    node* nb = f.add_node(2, -0.2, r.time);
    conection_entry* e =
        f.add_element(row, nb, conection_type::isource, r.attributes, {r.row_is_l1 ? row : nb});
    check_res(f, row, nb, e, 0, {r.current, {}}, r.label);
  }
}

}  // namespace
}  // namespace pss::test
