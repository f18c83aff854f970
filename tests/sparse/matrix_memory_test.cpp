// The block registry, mat_free, matrix_zero and the vectors.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sparse/matrix.h"
#include "sparse/sparse_helpers.h"
#include "support/fatal_check.h"

namespace pss {
namespace {

TEST(matrix_blocks, carve_front_to_back_from_a_zero_filled_block) {
  void* base = block_alloc(nullptr, 64);
  ASSERT_NE(base, nullptr);
  const auto* bytes = static_cast<const unsigned char*>(base);
  for (int i = 0; i < 64; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(block_alloc(base, 16), base);
  EXPECT_EQ(block_alloc(base, 40), static_cast<char*>(base) + 16);
  EXPECT_EQ(block_alloc(base, 16), nullptr);  // 8 bytes left
  EXPECT_EQ(block_alloc(base, 8), static_cast<char*>(base) + 56);
  EXPECT_EQ(block_alloc(base, 1), nullptr);
  mat_free(base);
}

TEST(matrix_blocks, a_key_that_is_no_block_base_gives_none) {
  void* base = block_alloc(nullptr, 32);
  int local = 0;
  EXPECT_EQ(block_alloc(&local, 8), nullptr);
  EXPECT_EQ(block_alloc(static_cast<char*>(base) + 8, 8), nullptr);
  mat_free(base);
  EXPECT_EQ(block_alloc(base, 8), nullptr);  // released blocks leave the registry
}

TEST(matrix_blocks, a_block_that_cannot_be_had_gives_none) {
  EXPECT_EQ(block_alloc(nullptr, SIZE_MAX), nullptr);
}

TEST(matrix_blocks, blocks_are_released_in_any_order) {
  void* a = block_alloc(nullptr, 8);
  void* b = block_alloc(nullptr, 8);
  void* c = block_alloc(nullptr, 8);
  mat_free(b);
  mat_free(c);
  void* d = block_alloc(nullptr, 8);  // appended after a, the tail being gone
  EXPECT_EQ(block_alloc(d, 8), d);
  mat_free(a);
  mat_free(d);
}

TEST(matrix_blocks, mat_free_of_none_stops_the_run) {
  EXPECT_FATAL(mat_free(nullptr), "mat_free, error: null matrix pointer\n");
}

TEST(matrix_blocks, mat_free_of_an_address_that_is_no_base_stops_the_run) {
  matrix* m = test::make_matrix({{}, {0}});
  EXPECT_FATAL(mat_free(m->rows), "mat_free, error: null matrix pointer\n");
  int local = 0;
  EXPECT_FATAL(mat_free(&local), "mat_free, error: null matrix pointer\n");
  mat_free(m);
  EXPECT_FATAL(mat_free(m), "mat_free, error: null matrix pointer\n");
}

TEST(matrix_zero, clears_every_value_and_keeps_the_columns) {
  const test::pattern p = {{}, {0}, {}, {0, 2}};
  matrix* m = test::make_matrix(p);
  for (int32_t i = 0; i < m->n; ++i) {
    m->rows[i].diag = i + 1.0;
    for (int32_t k = 0; k < m->rows[i].count; ++k) {
      m->rows[i].entries[k].upper = 0.5;
      m->rows[i].entries[k].lower = -0.5;
    }
  }
  matrix_zero(m);
  EXPECT_EQ(test::values_of(m), std::vector<double>(1 + 3 + 1 + 5, 0.0));
  EXPECT_EQ(test::pattern_of(m), p);
  mat_free(m);
}

TEST(matrix_vectors, are_created_zero_and_zeroed) {
  real_vector* v = vector_create(5);
  ASSERT_EQ(v->count, 5);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(v->values[i], 0.0);
  for (int32_t i = 0; i < 5; ++i) v->values[i] = i - 2.5;
  vector_zero(v);
  for (int32_t i = 0; i < 5; ++i) EXPECT_EQ(v->values[i], 0.0);
  vector_free(v);
  real_vector* empty = vector_create(0);
  EXPECT_EQ(empty->count, 0);
  vector_zero(empty);
  vector_free(empty);
}

}  // namespace
}  // namespace pss
