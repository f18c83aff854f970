// The transform over the planes, the block-circulant preconditioner and
// GMRES, on time-plane systems built the way a circuit's are numbered
// (unknown j in plane p is equation j·N + p), against a dense reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "sparse/circulant.h"
#include "sparse/fft.h"
#include "sparse/gmres.h"
#include "sparse/linear_solver.h"
#include "sparse/ordering.h"
#include "sparse/profile_bound.h"
#include "sparse/sparse_helpers.h"
#include "support/dense.h"

namespace pss {
namespace {

TEST(fft, matches_the_sum_of_its_definition_for_any_length) {
  for (int32_t n : {1, 2, 3, 5, 8, 12, 16, 27, 64, 100}) {
    SCOPED_TRACE(n);
    std::mt19937 gen(static_cast<uint32_t>(n));
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    std::vector<complex> x(static_cast<std::size_t>(n));
    for (complex& v : x) v = complex(value(gen), value(gen));
    for (bool inverse : {false, true}) {
      std::vector<complex> want(x.size());
      const double sign = inverse ? 1.0 : -1.0;
      for (int32_t k = 0; k < n; ++k) {
        for (int32_t p = 0; p < n; ++p) {
          want[static_cast<std::size_t>(k)] +=
              x[static_cast<std::size_t>(p)] *
              std::polar(1.0, sign * 2.0 * std::numbers::pi * k * p / n);
        }
      }
      fft_plan plan = fft_plan_create(n);
      std::vector<complex> got = x;
      fft(plan, got.data(), inverse);
      for (int32_t k = 0; k < n; ++k) {
        EXPECT_NEAR(std::abs(got[static_cast<std::size_t>(k)] - want[static_cast<std::size_t>(k)]),
                    0.0, 1e-12 * n)
            << "k " << k << (inverse ? " inverse" : " forward");
      }
    }
  }
}

// A ladder of m unknowns on n planes: each unknown couples to its
// neighbour in the same plane and to itself in the previous plane, with
// values that depend on the plane only when `varying` is set; an optional
// bordered last equation couples to every unknown.
struct plane_system {
  matrix* m;
  plane_layout layout;
  int32_t leading;
};

plane_system ladder_on_planes(int32_t m, int32_t n, bool varying, bool bordered, uint32_t seed) {
  const int32_t leading = m * n;
  test::pattern columns(static_cast<std::size_t>(leading + (bordered ? 1 : 0)));
  auto couple = [&](int32_t a, int32_t b) {
    const int32_t hi = std::max(a, b), lo = std::min(a, b);
    auto& row = columns[static_cast<std::size_t>(hi)];
    if (std::find(row.begin(), row.end(), lo) == row.end()) row.push_back(lo);
  };
  for (int32_t j = 0; j < m; ++j) {
    for (int32_t p = 0; p < n; ++p) {
      const int32_t i = j * n + p;
      if (n > 1) couple(i, j * n + (p + n - 1) % n);
      if (j + 1 < m) couple(i, (j + 1) * n + p);
    }
  }
  if (bordered) {
    for (int32_t i = 0; i < leading; ++i) columns.back().push_back(i);
  }
  for (auto& row : columns) std::sort(row.begin(), row.end());
  matrix* a = test::make_matrix(columns);
  std::mt19937 gen(seed);
  std::uniform_real_distribution<double> value(0.5, 1.5);
  // Values by (unknown, offset) for the time-invariant part.
  std::vector<double> g(static_cast<std::size_t>(m)), c(static_cast<std::size_t>(m));
  for (int32_t j = 0; j < m; ++j) {
    g[static_cast<std::size_t>(j)] = value(gen);
    c[static_cast<std::size_t>(j)] = value(gen);
  }
  for (int32_t i = 0; i < a->n; ++i) {
    matrix_row& r = a->rows[i];
    const bool border_row = bordered && i == leading;
    const int32_t ji = i / n;
    const double wobble = varying && !border_row ? 0.3 * std::sin(0.7 * i) : 0.0;
    r.diag = border_row ? 0.5 : 2.0 * g[static_cast<std::size_t>(ji)] + c[static_cast<std::size_t>(ji)] + 1.0 + wobble;
    for (int32_t k = 0; k < r.count; ++k) {
      matrix_entry& e = r.entries[k];
      if (border_row) {
        e.lower = 0.01 * std::cos(0.3 * e.col);
        e.upper = 0.02 * std::sin(0.2 * e.col + 1.0);
      } else if (e.col / n == ji) {
        // Row i's previous plane is i - 1; plane 0's previous is the last
        // plane, stored in the last plane's row (on two planes, both).
        if (e.col == i - 1) e.lower = -c[static_cast<std::size_t>(ji)];
        if (e.col == i - (n - 1)) e.upper = -c[static_cast<std::size_t>(ji)];
      } else {  // the neighbouring unknown in the same plane
        e.lower = -g[static_cast<std::size_t>(e.col / n)] * (1.0 + wobble);
        e.upper = -0.5 * g[static_cast<std::size_t>(e.col / n)];
      }
    }
  }
  plane_system s{a, {}, leading};
  s.layout.planes = n;
  s.layout.circuit_unknowns = m;
  for (int32_t i = 0; i < a->n; ++i) {
    s.layout.unknown.push_back(i < leading ? i / n : -1);
    s.layout.plane.push_back(i < leading ? i % n : -1);
  }
  return s;
}

std::vector<double> leading_dense(const matrix* m, int32_t leading) {
  const std::vector<double> full = test::dense_of(m);
  std::vector<double> a(static_cast<std::size_t>(leading) * leading);
  for (int32_t i = 0; i < leading; ++i) {
    for (int32_t j = 0; j < leading; ++j) {
      a[static_cast<std::size_t>(i) * leading + j] = full[static_cast<std::size_t>(i) * m->n + j];
    }
  }
  return a;
}

std::vector<double> right_side(int32_t n) {
  std::vector<double> b(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) b[static_cast<std::size_t>(i)] = std::cos(1.3 * i) + 0.1 * i;
  return b;
}

// The three ways the harmonics are factorised. The test ladders are
// tridiagonal and small, so each is chosen by hand.
enum class harmonics_by { dense, band, klu };
constexpr harmonics_by every_way[] = {harmonics_by::dense, harmonics_by::band, harmonics_by::klu};

const char* name_of(harmonics_by way) {
  return way == harmonics_by::dense ? "dense" : way == harmonics_by::band ? "band" : "KLU";
}

void choose(circulant_preconditioner& p, harmonics_by way) {
  p.dense_up_to = way == harmonics_by::dense ? 1 << 20 : 0;
  p.band_allowed = way == harmonics_by::band;
}

// The preconditioner of the system, factorised the chosen way.
struct factored {
  circulant_preconditioner p;
  factored(const plane_system& s, harmonics_by way) {
    choose(p, way);
    circulant_create(p, s.m, s.leading, s.layout);
    circulant_factor(p, s.m);
    EXPECT_EQ(p.dense, way == harmonics_by::dense);
    EXPECT_EQ(p.banded, way == harmonics_by::band);
  }
  ~factored() { circulant_free(p); }
};

TEST(circulant, solves_a_time_invariant_system_exactly) {
  for (harmonics_by way : every_way) {
    for (int32_t planes : {2, 3, 8, 12}) {
      SCOPED_TRACE(testing::Message() << planes << " planes, harmonics " << name_of(way));
      plane_system s = ladder_on_planes(5, planes, false, false, 7);
      ASSERT_TRUE(circulant_fits(s.m, s.leading, s.layout));
      factored f(s, way);
      std::vector<double> b = right_side(s.leading);
      const std::vector<double> want = test::dense_solve(leading_dense(s.m, s.leading), b);
      circulant_apply(f.p, b.data(), b.data());
      for (int32_t i = 0; i < s.leading; ++i) {
        EXPECT_NEAR(b[static_cast<std::size_t>(i)], want[static_cast<std::size_t>(i)], 1e-12)
            << "x[" << i << "]";
      }
      mat_free(s.m);
    }
  }
}

TEST(circulant, takes_band_factors_only_where_they_pay) {
  struct shape {
    const char* what;
    band_shape band;
    fill_count klu;  // one harmonic's fill under KLU's order
    bool pays;
  };
  const shape shapes[] = {
      {"RC ladder", {1000, 1, 1}, {999, 999}, true},
      {"RLC ladder", {300, 2, 2}, {399, 599}, true},
      {"30 x 30 grid", {900, 59, 59}, {9420, 178406}, false},
      {"band wide, factors sparse", {100, 10, 10}, {300, 3000}, false},
  };
  for (const shape& c : shapes) {
    EXPECT_EQ(band_pays(c.band, c.klu), c.pays) << c.what;
  }
  // A ladder too large for the dense harmonics takes the band by itself.
  plane_system s = ladder_on_planes(30, 8, false, false, 2);
  circulant_preconditioner p;
  circulant_create(p, s.m, s.leading, s.layout);
  EXPECT_FALSE(p.dense);
  EXPECT_TRUE(p.banded);
  circulant_free(p);
  mat_free(s.m);
}

TEST(circulant, fits_only_a_full_layout_of_unknowns_by_planes) {
  plane_system s = ladder_on_planes(3, 4, false, false, 1);
  EXPECT_TRUE(circulant_fits(s.m, s.leading, s.layout));
  plane_layout twice = s.layout;
  twice.plane[1] = 0;  // unknown 0 twice in plane 0, never in plane 1
  EXPECT_FALSE(circulant_fits(s.m, s.leading, twice));
  plane_layout none;
  EXPECT_FALSE(circulant_fits(s.m, s.leading, none));
  plane_layout short_by_one = s.layout;
  short_by_one.circuit_unknowns = 2;
  EXPECT_FALSE(circulant_fits(s.m, s.leading, short_by_one));
  mat_free(s.m);
}

// Large harmonics are factorised on two threads, each with its own scratch
// and workspace: the factors must be those of one thread, bit for bit.
TEST(circulant, factors_on_two_threads_as_on_one) {
  plane_system s = ladder_on_planes(12, 32, true, false, 5);
  for (harmonics_by way : every_way) {
    SCOPED_TRACE(name_of(way));
    std::vector<double> got[2];
    for (int threads = 1; threads <= 2; ++threads) {
      circulant_preconditioner p;
      choose(p, way);
      circulant_create(p, s.m, s.leading, s.layout);
      p.shared_factor_work = threads == 1 ? 1e300 : 0.0;
      circulant_factor(p, s.m);
      std::vector<double> x = right_side(s.leading);
      circulant_apply(p, x.data(), x.data());
      got[threads - 1] = x;
      circulant_free(p);
    }
    EXPECT_EQ(got[0], got[1]);
  }
  mat_free(s.m);
}

TEST(gmres, solves_a_time_varying_system_to_its_tolerance) {
  for (harmonics_by way : every_way) {
    SCOPED_TRACE(name_of(way));
    plane_system s = ladder_on_planes(6, 16, true, false, 3);
    factored f(s, way);
    gmres_space g;
    gmres_create(g, s.leading, 20, 60, 1e-13);
    std::vector<double> b = right_side(s.leading);
    const std::vector<double> want = test::dense_solve(leading_dense(s.m, s.leading), b);
    ASSERT_TRUE(gmres_solve(g, s.m, f.p, b.data()));
    EXPECT_GT(g.iterations, 1);  // the average is not the system
    for (int32_t i = 0; i < s.leading; ++i) {
      EXPECT_NEAR(b[static_cast<std::size_t>(i)], want[static_cast<std::size_t>(i)],
                  1e-11 * (1.0 + std::fabs(want[static_cast<std::size_t>(i)])));
    }
    mat_free(s.m);
  }
}

TEST(gmres, gives_up_and_leaves_the_right_side_when_the_limit_is_too_short) {
  plane_system s = ladder_on_planes(6, 16, true, false, 3);
  factored f(s, harmonics_by::dense);
  gmres_space g;
  gmres_create(g, s.leading, 1, 1, 1e-13);
  std::vector<double> b = right_side(s.leading);
  const std::vector<double> before = b;
  EXPECT_FALSE(gmres_solve(g, s.m, f.p, b.data()));
  EXPECT_EQ(b, before);
  mat_free(s.m);
}

// The period's row and column bordered around a time-varying system: two
// GMRES solves with one preconditioner and one scalar pivot.
TEST(gmres, solves_a_bordered_system_through_the_linear_solver) {
  plane_system s = ladder_on_planes(4, 12, true, true, 9);
  linear_solver* solver =
      linear_solver_create(s.m, true, {linear_method::gmres_circulant, lu_order::automatic}, &s.layout);
  ASSERT_EQ(linear_solver_describe(solver).method, linear_method::gmres_circulant);
  linear_solver_factor(solver, s.m);
  std::vector<double> b = right_side(s.m->n);
  const std::vector<double> want = test::dense_solve(test::dense_of(s.m), b);
  real_vector x{b.data(), s.m->n};
  linear_solver_substitute(solver, &x);
  for (int32_t i = 0; i < s.m->n; ++i) {
    EXPECT_NEAR(b[static_cast<std::size_t>(i)], want[static_cast<std::size_t>(i)],
                1e-10 * (1.0 + std::fabs(want[static_cast<std::size_t>(i)])))
        << "x[" << i << "]";
  }
  EXPECT_EQ(linear_solver_describe(solver).fallbacks, 0);
  linear_solver_free(solver);
  mat_free(s.m);
}

// The profile's work in the equations' own order and after reverse
// Cuthill-McKee, whichever is less: what the solver would estimate.
double least_found_profile_work(const matrix* m) {
  const equation_order order = narrow_profile_order(m, false);
  return std::min(profile_work(m, nullptr), profile_work(m, &order));
}

// The bound may never exceed the work of an order that can be found, on
// meshes longer in either direction.
TEST(profile_bound, lies_below_every_order_found) {
  struct mesh {
    int32_t unknowns, planes;
  };
  for (const mesh& c : {mesh{1, 2}, mesh{2, 64}, mesh{5, 8}, mesh{20, 16}, mesh{8, 200},
                        mesh{60, 32}, mesh{30, 30}}) {
    SCOPED_TRACE(testing::Message() << c.unknowns << " unknowns on " << c.planes << " planes");
    plane_system s = ladder_on_planes(c.unknowns, c.planes, false, false, 2);
    circulant_preconditioner p;
    circulant_create(p, s.m, s.leading, s.layout);
    ASSERT_LT(circulant_defect(p, s.m), 1e-12);
    const double bound = circulant_profile_bound(p);
    EXPECT_EQ(bound, least_profile_work(c.unknowns, c.planes));
    EXPECT_LE(bound, least_found_profile_work(s.m));
    circulant_free(p);
    mat_free(s.m);
  }
}

// The closed form against the sum it stands for: a third of the squared
// least boundaries, min(s/m, m/√2) for sets of s ≤ n/2 equations.
TEST(profile_bound, sums_the_least_boundaries) {
  for (auto [unknowns, planes] : {std::pair{1, 2}, {3, 3}, {7, 64}, {100, 1024}, {900, 64}}) {
    SCOPED_TRACE(testing::Message() << unknowns << " unknowns on " << planes << " planes");
    const double m = std::min(unknowns, planes);
    double sum = 0.0;
    for (int64_t size = 1; size <= int64_t{unknowns} * planes / 2; ++size) {
      const double boundary = std::min(static_cast<double>(size) / m, m / std::numbers::sqrt2);
      sum += boundary * boundary;
    }
    EXPECT_NEAR(least_profile_work(unknowns, planes), sum / 3.0, 1e-9 * sum);
  }
}

TEST(profile_bound, needs_every_ring_and_connected_unknowns) {
  struct coupling {
    int32_t a, b, offset;
  };
  struct pattern {
    const char* what;
    std::vector<coupling> couplings;
    bool holds;
  };
  const pattern patterns[] = {
      {"a ladder of three with its rings", {{0, 0, 3}, {1, 1, 3}, {2, 2, 1}, {0, 1, 0}, {1, 2, 0}},
       true},
      {"unknown 2 without a ring", {{0, 0, 3}, {1, 1, 3}, {0, 1, 0}, {1, 2, 0}}, false},
      {"a ring two planes away", {{0, 0, 3}, {1, 1, 3}, {2, 2, 2}, {0, 1, 0}, {1, 2, 0}}, false},
      {"unknown 2 reached only across planes (an inductor's nodes)",
       {{0, 0, 3}, {1, 1, 3}, {2, 2, 3}, {0, 1, 0}, {1, 2, 1}},
       true},
      {"unknown 2 coupled to nothing else", {{0, 0, 3}, {1, 1, 3}, {2, 2, 3}, {0, 1, 0}}, false},
  };
  for (const pattern& c : patterns) {
    SCOPED_TRACE(c.what);
    plane_structure s = plane_structure_of(3, 4);
    for (const coupling& k : c.couplings) add_coupling(s, k.a, k.b, k.offset);
    EXPECT_EQ(rings_in_connected_planes(s), c.holds);
  }
}

// Above the size where the order is found beside the preconditioner, a
// linear time-invariant system whose profile is bound to lose takes GMRES
// without the order, and reports the bound for the profile's work.
TEST(profile_bound, spares_the_order_where_gmres_is_sure_to_win) {
  plane_system s = ladder_on_planes(100, 256, false, false, 4);
  linear_solver* solver = linear_solver_create(s.m, false, {}, &s.layout);
  const linear_solver_report r = linear_solver_describe(solver);
  EXPECT_EQ(r.method, linear_method::gmres_circulant);
  EXPECT_TRUE(r.profile_work_bound);
  EXPECT_GT(r.profile_work, r.gmres_work);
  EXPECT_LE(r.profile_work, least_found_profile_work(s.m));
  linear_solver_free(solver);
  mat_free(s.m);
}

}  // namespace
}  // namespace pss
