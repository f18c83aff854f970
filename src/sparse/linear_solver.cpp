// Choosing the linear solve of a matrix once, and running it for every
// Newton iteration without allocating.
//
// The bordered elimination: with the last equation split off,
//   [A11 a12] [x1]   [b1]
//   [a21 a22] [x2] = [b2],
// z = A11⁻¹ a12 is found with each factorisation, s = a22 − a21·z is the
// last pivot, and a solve is y = A11⁻¹ b1, x2 = (b2 − a21·y) / s,
// x1 = y − z x2. This is the elimination the profile solve makes with the
// period row last; doing it outside the LU keeps the row and column of the
// period, which touch every plane, out of the fill-reducing order, and
// keeps the pivot search away from the period's own diagonal, which is
// exactly zero at natural oscillation (dV/df = 0).
#include "sparse/linear_solver.h"

#include <algorithm>
#include <vector>

#include "sparse/blocks.h"
#include "sparse/lu_factor.h"
#include "sparse/lu_order.h"
#include "sparse/ordering.h"

namespace pss {

namespace {

// Below this the renumbering costs more than it can save.
constexpr int32_t smallest_renumbered = 64;

// The sparse LU's work per multiply-add against the profile's contiguous
// inner loops, from timing both on time-plane patterns.
constexpr double lu_cost_per_work = 3.0;

struct profile_solve {
  matrix* expanded = nullptr;
  bool renumbered = false;
  equation_order order;
  std::vector<int32_t> first;
  std::vector<double> permuted;
};

struct border {
  std::vector<int32_t> cols;    // the last row's columns
  std::vector<double> lower;    // a21 at those columns
  std::vector<double> z;        // A11⁻¹ a12, dense
  double pivot = 0.0;           // s = a22 − a21·z
};

}  // namespace

struct linear_solver {
  int method = linear_method::profile;
  int order = lu_order::automatic;
  int32_t n = 0;
  bool bordered = false;
  double profile_work = 0.0;
  double lu_work = 0.0;
  double factor_entries = 0.0;
  profile_solve profile;
  sparse_lu lu;
  border last;
};

namespace {

// Today's choice of order for the profile: renumbered when that at least
// halves the work.
void choose_profile_order(linear_solver* s, const matrix* m) {
  profile_solve& p = s->profile;
  const double own = profile_work(m, nullptr);
  s->profile_work = own;
  if (m->n >= smallest_renumbered) {
    p.order = narrow_profile_order(m);
    const double renumbered = profile_work(m, &p.order);
    if (2.0 * renumbered < own) {
      p.renumbered = true;
      s->profile_work = renumbered;
    }
  }
  if (!p.renumbered) p.order = equation_order{};
}

void lay_out_profile(linear_solver* s, const matrix* m) {
  profile_solve& p = s->profile;
  p.first = first_columns(m, p.renumbered ? &p.order : nullptr);
  p.expanded = profile_layout(m, p.first);
  if (p.renumbered) p.permuted.assign(static_cast<std::size_t>(m->n), 0.0);
  double entries = 0.0;
  for (int32_t i = 0; i < m->n; ++i) entries += p.expanded->rows[i].count;
  s->factor_entries = entries;
}

void lay_out_border(linear_solver* s, const matrix* m) {
  const matrix_row& r = m->rows[m->n - 1];
  s->last.cols.resize(static_cast<std::size_t>(r.count));
  for (int32_t k = 0; k < r.count; ++k) s->last.cols[static_cast<std::size_t>(k)] = r.entries[k].col;
  s->last.lower.assign(static_cast<std::size_t>(r.count), 0.0);
  s->last.z.assign(static_cast<std::size_t>(m->n - 1), 0.0);
}

void factor_border(linear_solver* s, const matrix* m) {
  border& b = s->last;
  const matrix_row& r = m->rows[m->n - 1];
  std::fill(b.z.begin(), b.z.end(), 0.0);
  for (int32_t k = 0; k < r.count; ++k) {
    b.z[static_cast<std::size_t>(r.entries[k].col)] = r.entries[k].upper;
    b.lower[static_cast<std::size_t>(k)] = r.entries[k].lower;
  }
  sparse_lu_solve(s->lu, b.z.data(), 1);
  double pivot = r.diag;
  for (std::size_t k = 0; k < b.cols.size(); ++k)
    pivot -= b.lower[k] * b.z[static_cast<std::size_t>(b.cols[k])];
  b.pivot = pivot;
}

void substitute_border(linear_solver* s, double* x) {
  const border& b = s->last;
  const int32_t n1 = s->n - 1;
  sparse_lu_solve(s->lu, x, 1);
  double last = x[n1];
  for (std::size_t k = 0; k < b.cols.size(); ++k)
    last -= b.lower[k] * x[static_cast<std::size_t>(b.cols[k])];
  last /= b.pivot;
  x[n1] = last;
  for (int32_t i = 0; i < n1; ++i) x[i] -= b.z[static_cast<std::size_t>(i)] * last;
}

}  // namespace

linear_solver* linear_solver_create(const matrix* m, bool bordered, linear_choice choice) {
  auto* s = new linear_solver;
  s->n = m == nullptr ? 0 : m->n;
  if (s->n == 0) return s;
  s->bordered = bordered && s->n > 1;
  choose_profile_order(s, m);

  s->method = choice.method;
  if (s->method == linear_method::automatic && s->n < smallest_general_lu) {
    s->method = linear_method::profile;
  }
  std::vector<int32_t> lu_order_found;
  if (s->method != linear_method::profile) {
    const int32_t in_lu = s->bordered ? s->n - 1 : s->n;
    const adjacency a = adjacency_of(m, s->bordered ? s->n - 1 : -1);
    adjacency inner = a;
    inner.start.resize(static_cast<std::size_t>(in_lu) + 1);
    std::vector<int32_t> amd, metis;
    fill_count amd_fill{0.0, 0.0}, metis_fill{0.0, 0.0};
    if (choice.order != lu_order::metis) {
      amd = amd_elimination_order(inner);
      amd_fill = count_fill(inner, amd);
    }
    if (choice.order != lu_order::amd) {
      metis = metis_elimination_order(inner);
      metis_fill = count_fill(inner, metis);
    }
    const bool take_metis = choice.order == lu_order::metis ||
                            (choice.order == lu_order::automatic && metis_fill.work < amd_fill.work);
    const fill_count& fill = take_metis ? metis_fill : amd_fill;
    s->order = take_metis ? lu_order::metis : lu_order::amd;
    s->lu_work = fill.work;
    lu_order_found = take_metis ? std::move(metis) : std::move(amd);
    if (s->method == linear_method::automatic) {
      s->method = lu_cost_per_work * fill.work < s->profile_work ? linear_method::sparse_lu
                                                                 : linear_method::profile;
    }
    if (s->method == linear_method::sparse_lu) {
      s->factor_entries = 2.0 * fill.entries + in_lu;
      sparse_lu_create(s->lu, m, in_lu, std::move(lu_order_found));
      if (s->bordered) lay_out_border(s, m);
    }
  }
  if (s->method == linear_method::profile) lay_out_profile(s, m);
  return s;
}

void linear_solver_factor(linear_solver* s, const matrix* m) {
  if (s->n == 0) return;
  if (s->method == linear_method::profile) {
    profile_solve& p = s->profile;
    profile_refill(p.expanded, m, p.first, p.renumbered ? &p.order : nullptr);
    matrix_factor(p.expanded);
    return;
  }
  sparse_lu_factor(s->lu, m);
  if (s->bordered) factor_border(s, m);
}

void linear_solver_substitute(linear_solver* s, real_vector* b) {
  if (s->n == 0) return;
  if (s->method == linear_method::profile) {
    profile_solve& p = s->profile;
    if (!p.renumbered) {
      matrix_substitute(p.expanded, b);
      return;
    }
    const std::vector<int32_t>& old_of_new = p.order.old_of_new;
    for (std::size_t i = 0; i < old_of_new.size(); ++i) p.permuted[i] = b->values[old_of_new[i]];
    real_vector x{p.permuted.data(), s->n};
    matrix_substitute(p.expanded, &x);
    for (std::size_t i = 0; i < old_of_new.size(); ++i) b->values[old_of_new[i]] = p.permuted[i];
    return;
  }
  if (s->bordered) {
    substitute_border(s, b->values);
  } else {
    sparse_lu_solve(s->lu, b->values, 1);
  }
}

linear_solver_report linear_solver_describe(const linear_solver* s) {
  return {s->method, s->method == linear_method::sparse_lu ? s->order : lu_order::automatic,
          s->profile_work, s->lu_work, s->factor_entries};
}

void linear_solver_free(linear_solver* s) {
  if (s == nullptr) return;
  if (s->profile.expanded != nullptr) mat_free(s->profile.expanded);
  sparse_lu_free(s->lu);
  delete s;
}

}  // namespace pss
