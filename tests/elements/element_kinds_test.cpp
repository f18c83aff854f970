// Every element type code has one descriptor, and the layers that ask it
// get the answers the element's model relies on.
#include "elements/element_kinds.h"

#include <gtest/gtest.h>

#include "model/codes.h"

namespace pss {
namespace {

struct kind_row {
  int32_t type;
  bool list_in_pattern;
  int planes;
  int dc;
};

const kind_row kind_rows[] = {
    {conection_type::vsource, true, plane_lists::none, dc_path::open},
    {conection_type::isource, false, plane_lists::none, dc_path::open},
    {conection_type::igen, true, plane_lists::earlier_control, dc_path::open},
    {conection_type::resistor, false, plane_lists::none, dc_path::conducts},
    {conection_type::window_resistor, false, plane_lists::none, dc_path::open},
    {conection_type::window_switch, false, plane_lists::window_relink, dc_path::open},
    {conection_type::diode, false, plane_lists::none, dc_path::conducts},
    {conection_type::bipolar_transport, true, plane_lists::none, dc_path::open},
    {conection_type::bipolar_base_emitter, true, plane_lists::terminals_backward,
     dc_path::conducts},
    {conection_type::bipolar_base_emitter_central, true, plane_lists::terminals_central,
     dc_path::conducts},
    {conection_type::bipolar_base_collector, true, plane_lists::terminals_backward,
     dc_path::conducts},
    {conection_type::bipolar_base_collector_central, true, plane_lists::terminals_central,
     dc_path::conducts},
    {conection_type::cap1, true, plane_lists::backward, dc_path::with_leakage},
    {conection_type::cap2, true, plane_lists::central, dc_path::with_leakage},
    {conection_type::inductor, true, plane_lists::inductor_explicit, dc_path::conducts},
    {conection_type::inductor_trap, true, plane_lists::inductor_trap, dc_path::conducts},
};

TEST(element_kinds, every_type_code_has_its_descriptor) {
  for (const kind_row& row : kind_rows) {
    SCOPED_TRACE(row.type);
    const element_kind* kind = element_kind_of(row.type);
    ASSERT_NE(kind, nullptr);
    EXPECT_EQ(kind->type, row.type);
    EXPECT_NE(kind->model, nullptr);
    EXPECT_NE(kind->name, nullptr);
    EXPECT_EQ(kind->list_in_pattern, row.list_in_pattern);
    EXPECT_EQ(kind->planes, row.planes);
    EXPECT_EQ(kind->dc, row.dc);
  }
}

TEST(element_kinds, codes_without_an_element_have_none) {
  for (int32_t type : {0, 51, 104, 201, 500, 501, 603, 703}) {
    EXPECT_EQ(element_kind_of(type), nullptr) << type;
    EXPECT_EQ(unknown_time_difference_code(type), type > 500) << type;
  }
}

}  // namespace
}  // namespace pss
