// The linear solver against a dense LU reference: one checker, run on every
// pattern below.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <functional>

#include "sparse/linear_solver.h"
#include "sparse/ordering.h"
#include "sparse/solve.h"
#include "sparse/sparse_helpers.h"
#include "support/dense.h"

namespace pss {
namespace {

using test::dense_solve;
using test::pattern;

// Random unsymmetric values on the pattern (`upper` and `lower` drawn
// apart), with a diagonal that dominates its row and its column.
void fill_random(matrix* m, uint32_t seed) {
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> value(-1.0, 1.0);
  std::vector<double> weight(static_cast<std::size_t>(m->n), 1.0);
  for (int32_t i = 0; i < m->n; ++i) {
    matrix_row& r = m->rows[i];
    for (int32_t k = 0; k < r.count; ++k) {
      matrix_entry& e = r.entries[k];
      e.upper = value(gen);
      e.lower = value(gen);
      weight[static_cast<std::size_t>(i)] += std::fabs(e.upper) + std::fabs(e.lower);
      weight[static_cast<std::size_t>(e.col)] += std::fabs(e.upper) + std::fabs(e.lower);
    }
  }
  for (int32_t i = 0; i < m->n; ++i) {
    m->rows[i].diag = (value(gen) < 0 ? -1.0 : 1.0) * weight[static_cast<std::size_t>(i)];
  }
}

using solve_function = std::function<void(const matrix*, real_vector*)>;

// A solve by a linear solver made for the call with the method given.
solve_function solver_of(linear_choice choice, bool bordered) {
  return [choice, bordered](const matrix* m, real_vector* b) {
    linear_solver* s = linear_solver_create(m, bordered, choice);
    EXPECT_EQ(linear_solver_describe(s).method, choice.method);
    linear_solver_factor(s, m);
    linear_solver_substitute(s, b);
    linear_solver_free(s);
  };
}

// The generic checker: solves a random system on the pattern, compares with
// the dense reference, and checks that the sparse matrix is left as it was.
void check_solve(const pattern& columns, uint32_t seed, const solve_function& solve = matrix_solve) {
  SCOPED_TRACE(testing::Message() << "n " << columns.size() << ", seed " << seed);
  matrix* m = test::make_matrix(columns);
  fill_random(m, seed);
  std::mt19937 gen(seed + 1000);
  std::uniform_real_distribution<double> value(-10.0, 10.0);
  real_vector* b = vector_create(m->n);
  std::vector<double> rhs(static_cast<std::size_t>(m->n));
  for (int32_t i = 0; i < m->n; ++i) b->values[i] = rhs[static_cast<std::size_t>(i)] = value(gen);

  const std::vector<double> before = test::values_of(m);
  const std::vector<double> expected = dense_solve(test::dense_of(m), rhs);
  solve(m, b);

  EXPECT_EQ(test::values_of(m), before);
  EXPECT_EQ(test::pattern_of(m), columns);
  for (int32_t i = 0; i < m->n; ++i) {
    const double want = expected[static_cast<std::size_t>(i)];
    EXPECT_NEAR(b->values[i], want, 1e-12 * (1.0 + std::fabs(want))) << "x[" << i << "]";
  }
  vector_free(b);
  mat_free(m);
}

// A symmetric pattern in which each pair i > j is present with probability
// `density`.
pattern random_pattern(int32_t n, double density, uint32_t seed) {
  std::mt19937 gen(seed);
  std::bernoulli_distribution present(density);
  pattern p(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < i; ++j) {
      if (present(gen)) p[static_cast<std::size_t>(i)].push_back(j);
    }
  }
  return p;
}

// Bandwidth `band` below the diagonal, plus a last row coupled to all.
pattern banded_with_full_last_row(int32_t n, int32_t band) {
  pattern p(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    const bool last = i == n - 1;
    for (int32_t j = last ? 0 : std::max(0, i - band); j < i; ++j) {
      p[static_cast<std::size_t>(i)].push_back(j);
    }
  }
  return p;
}

// Row 6 couples to columns 2 and 5 only; rows 0, 1 and 3 have no entries.
const pattern gaps = {{}, {}, {0, 1}, {}, {1, 3}, {0, 4}, {2, 5}, {1, 6}};

TEST(linear_solve, one_by_one) {
  check_solve({{}}, 1);
  matrix* m = test::make_matrix({{}});
  m->rows[0].diag = 4.0;
  real_vector* b = vector_create(1);
  b->values[0] = 2.0;
  matrix_solve(m, b);
  EXPECT_EQ(b->values[0], 0.5);
  vector_free(b);
  mat_free(m);
}

TEST(linear_solve, diagonal_only) {
  check_solve(pattern(7), 2);
}

TEST(linear_solve, rows_with_gaps_and_rows_without_entries) {
  for (uint32_t seed : {3u, 4u, 5u}) check_solve(gaps, seed);
}

TEST(linear_solve, full_last_row) {
  check_solve(banded_with_full_last_row(40, 3), 6);
  check_solve(banded_with_full_last_row(2, 1), 7);
}

TEST(linear_solve, random_symmetric_patterns) {
  for (uint32_t seed = 10; seed < 20; ++seed) {
    check_solve(random_pattern(static_cast<int32_t>(5 + seed * 3), 0.2, seed), seed);
  }
  check_solve(random_pattern(60, 1.0, 30), 30);  // dense
}

// The shape of a circuit on `planes` time planes in the solver's numbering:
// `nodes` rings (each node's planes stand together, plane N-1 joined to
// plane 0), neighbouring nodes coupled plane by plane, and a last row
// coupled to all. Its own profile grows with planes², so the solve takes a
// renumbered, narrower one.
pattern time_plane_rings(int32_t nodes, int32_t planes) {
  const int32_t n = nodes * planes + 1;
  pattern p(static_cast<std::size_t>(n));
  auto couple = [&](int32_t a, int32_t b) {
    p[static_cast<std::size_t>(std::max(a, b))].push_back(std::min(a, b));
  };
  for (int32_t node = 0; node < nodes; ++node) {
    for (int32_t j = 0; j < planes; ++j) {
      const int32_t at = node * planes + j;
      couple(at, node * planes + (j + 1) % planes);
      if (node > 0) couple(at, at - planes);
    }
  }
  for (int32_t i = 0; i < n - 1; ++i) p[static_cast<std::size_t>(n - 1)].push_back(i);
  for (auto& row : p) {
    std::sort(row.begin(), row.end());
    row.erase(std::unique(row.begin(), row.end()), row.end());
  }
  return p;
}

TEST(linear_solve, renumbered_profile_of_time_plane_rings) {
  const pattern rings = time_plane_rings(4, 32);
  matrix* m = test::make_matrix(rings);
  const equation_order order = narrow_profile_order(m);
  EXPECT_EQ(order.old_of_new.back(), m->n - 1);  // the last row closes the elimination
  EXPECT_LT(4.0 * profile_work(m, &order), profile_work(m, nullptr));
  mat_free(m);
  for (uint32_t seed : {40u, 41u}) check_solve(rings, seed);
}

// Every method, with and without the last equation bordered, on every
// kind of pattern above.
TEST(linear_solve, every_method_agrees_with_the_dense_reference) {
  struct method_row {
    linear_choice choice;
    bool bordered;
  };
  const method_row methods[] = {
      {{linear_method::profile, lu_order::automatic}, false},
      {{linear_method::sparse_lu, lu_order::amd}, false},
      {{linear_method::sparse_lu, lu_order::metis}, false},
      {{linear_method::sparse_lu, lu_order::amd}, true},
      {{linear_method::sparse_lu, lu_order::metis}, true},
  };
  const pattern patterns[] = {
      pattern(5), gaps, banded_with_full_last_row(40, 3), banded_with_full_last_row(2, 1),
      random_pattern(30, 0.2, 50), random_pattern(25, 1.0, 51), time_plane_rings(3, 16),
  };
  for (const method_row& r : methods) {
    SCOPED_TRACE(testing::Message() << "method " << r.choice.method << ", order " << r.choice.order
                                    << (r.bordered ? ", bordered" : ""));
    uint32_t seed = 60;
    for (const pattern& p : patterns) check_solve(p, seed++, solver_of(r.choice, r.bordered));
  }
}

// An oscillator at dV/df = 0 has an exactly zero diagonal in its period
// row: eliminated last, as the bordered LU does, the pivot is the Schur
// complement and is not zero.
TEST(linear_solve, a_zero_last_diagonal_is_eliminated_last) {
  matrix* m = test::make_matrix(banded_with_full_last_row(30, 2));
  fill_random(m, 70);
  m->rows[m->n - 1].diag = 0.0;
  std::vector<double> rhs(static_cast<std::size_t>(m->n));
  real_vector* b = vector_create(m->n);
  for (int32_t i = 0; i < m->n; ++i) b->values[i] = rhs[static_cast<std::size_t>(i)] = 1.0 + i;
  const std::vector<double> expected = dense_solve(test::dense_of(m), rhs);
  solver_of({linear_method::sparse_lu, lu_order::amd}, true)(m, b);
  for (int32_t i = 0; i < m->n; ++i) {
    EXPECT_NEAR(b->values[i], expected[static_cast<std::size_t>(i)],
                1e-11 * (1.0 + std::fabs(expected[static_cast<std::size_t>(i)])));
  }
  vector_free(b);
  mat_free(m);
}

// A solver made once serves every later set of values on its pattern,
// also when they change so much that the first pivots no longer serve.
TEST(linear_solve, one_solver_refactorises_new_values) {
  const pattern p = time_plane_rings(4, 12);
  for (int method : {linear_method::profile, linear_method::sparse_lu}) {
    SCOPED_TRACE(method);
    matrix* m = test::make_matrix(p);
    linear_solver* s = linear_solver_create(m, true, {method, lu_order::automatic});
    // Seed 82 only for the LU: without pivoting the profile solve cannot
    // take a diagonal far below the couplings.
    const std::vector<uint32_t> seeds =
        method == linear_method::profile ? std::vector<uint32_t>{80u, 81u}
                                         : std::vector<uint32_t>{80u, 81u, 82u};
    for (uint32_t seed : seeds) {
      fill_random(m, seed);
      if (seed == 82u) {  // the diagonal now far below the couplings
        for (int32_t i = 0; i < m->n - 1; ++i) m->rows[i].diag *= 1e-6;
      }
      std::vector<double> rhs(static_cast<std::size_t>(m->n));
      real_vector* b = vector_create(m->n);
      for (int32_t i = 0; i < m->n; ++i) b->values[i] = rhs[static_cast<std::size_t>(i)] = 2.0 - i;
      const std::vector<double> expected = dense_solve(test::dense_of(m), rhs);
      linear_solver_factor(s, m);
      linear_solver_substitute(s, b);
      for (int32_t i = 0; i < m->n; ++i) {
        EXPECT_NEAR(b->values[i], expected[static_cast<std::size_t>(i)],
                    1e-9 * (1.0 + std::fabs(expected[static_cast<std::size_t>(i)])))
            << "seed " << seed << ", x[" << i << "]";
      }
      vector_free(b);
    }
    linear_solver_free(s);
    mat_free(m);
  }
}

TEST(linear_solve, zero_pivot_is_not_caught) {
  // [0 1; 1 0] has no LU factors without pivoting: the solve goes on and
  // returns non-finite values.
  matrix* m = test::make_matrix({{}, {0}});
  m->rows[1].entries[0].upper = 1.0;
  m->rows[1].entries[0].lower = 1.0;
  real_vector* b = vector_create(2);
  b->values[0] = 1.0;
  b->values[1] = 2.0;
  matrix_solve(m, b);
  EXPECT_FALSE(std::isfinite(b->values[0]) && std::isfinite(b->values[1]));
  vector_free(b);
  mat_free(m);
}

TEST(linear_expand, fills_gaps_with_zeros_over_the_profile_width) {
  matrix* m = test::make_matrix(gaps);
  fill_random(m, 8);
  matrix* e = matrix_expand_full(m);
  ASSERT_NE(e, nullptr);
  ASSERT_EQ(e->n, m->n);
  const pattern profile = {
      {}, {}, {0, 1}, {}, {1, 2, 3}, {0, 1, 2, 3, 4}, {2, 3, 4, 5}, {1, 2, 3, 4, 5, 6}};
  EXPECT_EQ(test::pattern_of(e), profile);
  EXPECT_EQ(test::dense_of(e), test::dense_of(m));  // gaps are 0.0, the rest copied
  const matrix_row& row6 = e->rows[6];
  EXPECT_EQ(row6.entries[1].upper, 0.0);
  EXPECT_EQ(row6.entries[1].lower, 0.0);
  EXPECT_EQ(row6.entries[2].upper, 0.0);
  EXPECT_EQ(row6.entries[2].lower, 0.0);
  EXPECT_EQ(row6.entries[3].lower, m->rows[6].entries[1].lower);
  // The copy is one registered block, released by its address.
  mat_free(e);
  mat_free(m);
}

TEST(linear_expand, no_rows_gives_none) {
  matrix empty{nullptr, 0};
  EXPECT_EQ(matrix_expand_full(&empty), nullptr);
}

TEST(linear_factor, holds_crout_factors) {
  // L (diag, lower) times U (unit diagonal, upper) gives back A.
  matrix* m = test::make_matrix(gaps);
  fill_random(m, 9);
  const std::vector<double> a = test::dense_of(m);
  matrix* f = matrix_expand_full(m);
  matrix_factor(f);
  const auto n = static_cast<std::size_t>(f->n);
  std::vector<double> l(n * n, 0.0);
  std::vector<double> u(n * n, 0.0);
  for (std::size_t i = 0; i < n; ++i) {
    const matrix_row& r = f->rows[i];
    l[i * n + i] = r.diag;
    u[i * n + i] = 1.0;
    for (int32_t k = 0; k < r.count; ++k) {
      const auto j = static_cast<std::size_t>(r.entries[k].col);
      l[i * n + j] = r.entries[k].lower;
      u[j * n + i] = r.entries[k].upper;
    }
  }
  for (std::size_t i = 0; i < n; ++i) {
    for (std::size_t j = 0; j < n; ++j) {
      double s = 0.0;
      for (std::size_t k = 0; k < n; ++k) s += l[i * n + k] * u[k * n + j];
      EXPECT_NEAR(s, a[i * n + j], 1e-12) << "(" << i << ", " << j << ")";
    }
  }
  mat_free(f);
  mat_free(m);
}

// Crout on dense copies of L and U, each sum taken term by term from column
// c - 1 down over the columns both profiles hold: the prescribed order.
void reference_crout(const matrix* e, std::vector<double>& l, std::vector<double>& u) {
  const auto n = static_cast<std::size_t>(e->n);
  l = test::dense_of(e);  // lower part and diagonal: L; upper part: U
  u = l;
  std::vector<int32_t> first(n);
  for (std::size_t i = 0; i < n; ++i) first[i] = static_cast<int32_t>(i) - e->rows[i].count;
  for (std::size_t i = 0; i < n; ++i) {
    for (int32_t c = first[i]; c < static_cast<int32_t>(i); ++c) {
      const auto cc = static_cast<std::size_t>(c);
      for (int32_t j = c - 1; j >= std::max(first[i], first[cc]); --j) {
        const auto jj = static_cast<std::size_t>(j);
        l[i * n + cc] -= l[i * n + jj] * u[jj * n + cc];
        u[cc * n + i] -= l[cc * n + jj] * u[jj * n + i];
      }
      u[cc * n + i] /= l[cc * n + cc];
      l[i * n + i] -= u[cc * n + i] * l[i * n + cc];
    }
  }
}

TEST(linear_factor, takes_every_sum_in_the_prescribed_order) {
  // The factors are bit for bit those of a plain row-by-row Crout, so the
  // rounding does not depend on how the factorisation schedules its work.
  std::vector<pattern> patterns = {gaps, banded_with_full_last_row(23, 4),
                                   banded_with_full_last_row(24, 5)};
  for (uint32_t seed = 40; seed < 46; ++seed) {
    patterns.push_back(random_pattern(static_cast<int32_t>(seed - 20), 0.25, seed));
  }
  uint32_t seed = 50;
  for (const pattern& p : patterns) {
    SCOPED_TRACE(testing::Message() << "n " << p.size());
    matrix* m = test::make_matrix(p);
    fill_random(m, seed++);
    matrix* e = matrix_expand_full(m);
    std::vector<double> l;
    std::vector<double> u;
    reference_crout(e, l, u);
    matrix_factor(e);
    const auto n = static_cast<std::size_t>(e->n);
    for (std::size_t i = 0; i < n; ++i) {
      const matrix_row& r = e->rows[i];
      EXPECT_EQ(r.diag, l[i * n + i]) << "diag " << i;
      for (int32_t k = 0; k < r.count; ++k) {
        const auto j = static_cast<std::size_t>(r.entries[k].col);
        EXPECT_EQ(r.entries[k].lower, l[i * n + j]) << "(" << i << ", " << j << ")";
        EXPECT_EQ(r.entries[k].upper, u[j * n + i]) << "(" << j << ", " << i << ")";
      }
    }
    mat_free(e);
    mat_free(m);
  }
}

}  // namespace
}  // namespace pss
