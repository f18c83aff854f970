// METIS's order comes from the helper program pss-order; a missing or
// misbehaving helper must leave the LU to AMD's order, never to a wrong
// one.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "sparse/linear_solver.h"
#include "sparse/lu_order.h"
#include "sparse/ordering.h"
#include "sparse/sparse_helpers.h"
#include "support/process.h"

namespace pss {
namespace {

// A side × side mesh, each point coupled to its four neighbours.
adjacency mesh(int32_t side) {
  adjacency a;
  a.start.push_back(0);
  for (int32_t y = 0; y < side; ++y) {
    for (int32_t x = 0; x < side; ++x) {
      if (x > 0) a.next.push_back(y * side + x - 1);
      if (x + 1 < side) a.next.push_back(y * side + x + 1);
      if (y > 0) a.next.push_back((y - 1) * side + x);
      if (y + 1 < side) a.next.push_back((y + 1) * side + x);
      a.start.push_back(static_cast<int32_t>(a.next.size()));
    }
  }
  return a;
}

bool is_permutation_of(const std::vector<int32_t>& order, std::size_t n) {
  std::vector<int32_t> sorted(order);
  std::sort(sorted.begin(), sorted.end());
  std::vector<int32_t> expected(n);
  std::iota(expected.begin(), expected.end(), 0);
  return sorted == expected;
}

// On a 30 × 30 mesh nested dissection stores far less than the banded
// natural order: the helper ran METIS, not something else.
TEST(metis_order, the_helper_dissects_a_mesh) {
  const adjacency a = mesh(30);
  const std::vector<int32_t> order = metis_elimination_order(a);
  ASSERT_TRUE(is_permutation_of(order, 900));
  std::vector<int32_t> natural(900);
  std::iota(natural.begin(), natural.end(), 0);
  EXPECT_LT(count_fill(a, order).entries, 0.7 * count_fill(a, natural).entries);
}

// Each helper that cannot serve gives no order at all.
TEST(metis_order, a_helper_that_fails_gives_no_order) {
  const struct {
    const char* helper;
    const char* fault;
  } rows[] = {
      {"/nonexistent/pss-order", "missing"},
      {"/bin/false", "ends with status 1"},
      {"/bin/true", "answers nothing"},
      {"/bin/cat", "answers with its input, which is no permutation"},
  };
  const adjacency a = mesh(12);
  for (const auto& row : rows) {
    test::scoped_env helper("PSS_ORDER_HELPER", row.helper);
    EXPECT_TRUE(metis_elimination_order(a).empty()) << row.fault;
  }
}

// Asked for METIS's order without its helper, the LU takes AMD's and says
// so in its report.
TEST(metis_order, the_lu_takes_amd_without_the_helper) {
  test::pattern columns(400);
  for (int32_t i = 1; i < 400; ++i) {
    if (i >= 20) columns[static_cast<std::size_t>(i)].push_back(i - 20);
    columns[static_cast<std::size_t>(i)].push_back(i - 1);
  }
  matrix* m = test::make_matrix(columns);
  test::scoped_env helper("PSS_ORDER_HELPER", "/nonexistent/pss-order");
  linear_solver* s = linear_solver_create(m, false, {linear_method::sparse_lu, lu_order::metis});
  EXPECT_EQ(linear_solver_describe(s).order, lu_order::amd);
  linear_solver_free(s);
  mat_free(m);
}

}  // namespace
}  // namespace pss
