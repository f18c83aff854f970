#include "elements/calc_res.h"

#include <gtest/gtest.h>

#include "elements/fragment.h"
#include "model/codes.h"
#include "support/fatal_check.h"

namespace pss::test {
namespace {

TEST(calc_res, stops_on_an_unknown_type) {
  for (int32_t type : {104, 201, 703}) {
    fragment f;
    node* row = f.add_node(1, 0);
    node* nb = f.add_node(2, 1);
    conection_entry* e = f.add_element(row, nb, type, {{attr::resistance, 1}}, {row});
    EXPECT_FATAL(check_res(f, row, nb, e, 0, {}, ""),
                 "error, calc_res: unrecognised conection type\n");
  }
}

}  // namespace
}  // namespace pss::test
