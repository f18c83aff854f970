// Placing coefficients into the sparse matrix by the addressing rule.
#include <gtest/gtest.h>

#include <vector>

#include "sparse/matrix.h"
#include "sparse/sparse_helpers.h"
#include "support/fatal_check.h"

namespace pss {
namespace {

// Row 5 couples to columns 1 and 3, row 7 to column 6 only.
const test::pattern sample = {{}, {0}, {}, {}, {}, {1, 3}, {}, {6}};

TEST(add_ele_to_matrix, below_the_diagonal_goes_to_lower) {
  matrix* m = test::make_matrix(sample);
  add_ele_to_matrix(5, 3, 1.5, m);
  add_ele_to_matrix(5, 3, 0.25, m);
  EXPECT_EQ(m->rows[5].entries[1].lower, 1.75);
  EXPECT_EQ(m->rows[5].entries[1].upper, 0.0);
  EXPECT_EQ(m->rows[5].entries[0].lower, 0.0);
  mat_free(m);
}

TEST(add_ele_to_matrix, above_the_diagonal_goes_to_upper_of_the_mirror_entry) {
  matrix* m = test::make_matrix(sample);
  add_ele_to_matrix(3, 5, -2.0, m);
  EXPECT_EQ(m->rows[5].entries[1].upper, -2.0);
  EXPECT_EQ(m->rows[5].entries[1].lower, 0.0);
  EXPECT_EQ(m->rows[3].diag, 0.0);
  mat_free(m);
}

TEST(add_ele_to_matrix, the_diagonal_goes_to_diag) {
  matrix* m = test::make_matrix(sample);
  add_ele_to_matrix(4, 4, 3.0, m);
  add_ele_to_matrix(4, 4, 1.0, m);
  EXPECT_EQ(m->rows[4].diag, 4.0);
  mat_free(m);
}

TEST(add_ele_to_matrix, a_fixed_column_is_dropped) {
  matrix* m = test::make_matrix(sample);
  const std::vector<double> before = test::values_of(m);
  add_ele_to_matrix(5, -1, 7.0, m);
  add_ele_to_matrix(0, -2, 7.0, m);
  EXPECT_EQ(test::values_of(m), before);
  mat_free(m);
}

TEST(add_ele_to_matrix, an_element_outside_the_pattern_stops_the_run) {
  matrix* m = test::make_matrix(sample);
  // The larger index comes first, whichever order the call has.
  EXPECT_FATAL(add_ele_to_matrix(2, 7, 1.0, m), "error, add_ele_to_matrix: ele[7, 2] not found\n");
  EXPECT_FATAL(add_ele_to_matrix(7, 2, 1.0, m), "error, add_ele_to_matrix: ele[7, 2] not found\n");
  mat_free(m);
}

TEST(add_ele_find_ele, finds_the_entry_of_a_column_or_none) {
  matrix* m = test::make_matrix(sample);
  EXPECT_EQ(find_ele(&m->rows[5], 3), &m->rows[5].entries[1]);
  EXPECT_EQ(find_ele(&m->rows[5], 1), &m->rows[5].entries[0]);
  EXPECT_EQ(find_ele(&m->rows[5], 2), nullptr);
  EXPECT_EQ(find_ele(&m->rows[0], 0), nullptr);
  mat_free(m);
}

}  // namespace
}  // namespace pss
