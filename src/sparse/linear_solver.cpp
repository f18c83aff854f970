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
#include <cmath>
#include <cstring>
#include <future>
#include <system_error>
#include <utility>
#include <vector>

#include "sparse/blocks.h"
#include "sparse/gmres.h"
#include "sparse/lu_factor.h"
#include "sparse/lu_order.h"
#include "sparse/ordering.h"
#include "sparse/profile_bound.h"

namespace pss {

namespace {

// Below this the renumbering costs more than it can save.
constexpr int32_t smallest_renumbered = 64;

// From this size on, the profile's order and the block-circulant
// preconditioner are built side by side on two threads.
constexpr int32_t concurrent_order_size = 20000;

// The sparse LU's cost against the profile's contiguous inner loops, per
// multiply-add and per stored entry of its factors, from timing both on
// time-plane patterns (the entry term dominates small fronts).
constexpr double lu_cost_per_work = 3.0;
constexpr double lu_cost_per_entry = 30.0;

// The most that METIS's order has saved over AMD's on time-plane patterns
// (a factor 2.6 on the 1000-section ladder at 256 planes).
constexpr double metis_gain = 4.0;
constexpr double metis_cost_per_entry = 100.0;

// GMRES: the iterations a solve is assumed to take when choosing (two when
// the preconditioner is exact for the first system, which is when the
// circuit is linear and time-invariant), its basis, its limit and its
// tolerance on the backward error, tight enough that the Newton iteration
// cannot tell it from a direct solve.
constexpr double gmres_assumed_iterations = 10.0;
constexpr double gmres_exact_iterations = 2.0;
constexpr double gmres_exact_defect = 1e-12;
constexpr int32_t gmres_restart = 10;
constexpr int32_t gmres_limit = 60;
constexpr double gmres_tolerance = 1e-13;

struct profile_solve {
  matrix* expanded = nullptr;
  bool renumbered = false;
  equation_order order;
  std::vector<int32_t> first;
  std::vector<double> permuted;
};

struct border {
  std::vector<int32_t> cols;  // the last row's columns
  std::vector<double> lower;  // a21 at those columns
  std::vector<double> z;      // A11⁻¹ a12, dense
  double pivot = 0.0;         // s = a22 − a21·z
};

}  // namespace

struct linear_solver {
  int method = linear_method::profile;
  int order = lu_order::automatic;
  int32_t n = 0;
  bool bordered = false;
  double profile_work = 0.0;
  bool profile_work_bound = false;  // profile_work is only a lower bound
  double lu_work = 0.0;
  double factor_entries = 0.0;
  double gmres_work = 0.0;
  int32_t fallbacks = 0;
  profile_solve profile;
  sparse_lu lu;
  bool lu_ready = false;
  // The profile of a bordered system above the size: its leading block
  // alone, the border eliminated last as for the other methods.
  bool profile_bordered = false;
  circulant_preconditioner circulant;
  gmres_space krylov;
  const matrix* factored = nullptr;  // the matrix of the last factorisation
  bool rescue = false;
  std::vector<double> saved;  // the right side, while a profile solve may need redoing
  border last;
  // The values of the matrix last factorised (diagonal, then each entry's
  // lower and upper value, row by row) for the profile and the LU: a linear
  // circuit assembles the same Jacobian in every iteration, and its factors
  // are kept rather than made again from the same values. Empty for GMRES,
  // whose preconditioner keeps its own.
  std::vector<double> factored_values;
  bool factors_kept = false;
};

namespace {

// The matrix that the profile factorises: the whole, or the leading block of
// a bordered system above the size (rows 0 … n − 2, whose entries never
// reach the last column).
matrix profile_part(const linear_solver* s, const matrix* m) {
  return matrix{m->rows, s->profile_bordered ? m->n - 1 : m->n};
}

// The profile's order: renumbered when that at least halves the work.
struct profile_choice {
  equation_order order;
  bool renumbered = false;
  double work = 0.0;
};

profile_choice choose_profile_order(const matrix* whole, bool bordered_part) {
  const matrix part{whole->rows, bordered_part ? whole->n - 1 : whole->n};
  profile_choice choice;
  const double own = profile_work(&part, nullptr);
  choice.work = own;
  if (part.n >= smallest_renumbered) {
    equation_order order = narrow_profile_order(&part, !bordered_part);
    const double renumbered = profile_work(&part, &order);
    if (2.0 * renumbered < own) {
      choice.order = std::move(order);
      choice.renumbered = true;
      choice.work = renumbered;
    }
  }
  return choice;
}

// The profile's order found on a second thread while this one builds the
// block-circulant preconditioner, for a system large enough that the two
// take milliseconds each; on this thread when no thread can be started.
std::future<profile_choice> start_profile_order(const matrix* m, bool bordered_part) {
  try {
    return std::async(std::launch::async, choose_profile_order, m, bordered_part);
  } catch (const std::system_error&) {
    return std::async(std::launch::deferred, choose_profile_order, m, bordered_part);
  }
}

// GMRES's estimated work: the harmonics' factors and the solves, each a
// few preconditioner applies, products with the matrix and basis updates.
void estimate_gmres_work(linear_solver* s, const matrix* m, int32_t leading, bool exact) {
  double product = 0.0;
  for (int32_t i = 0; i < leading; ++i) product += 1.0 + 2.0 * m->rows[i].count;
  const double solves = s->bordered ? 2.0 : 1.0;
  const double iterations = exact ? gmres_exact_iterations : gmres_assumed_iterations;
  s->gmres_work =
      s->circulant.factor_work +
      solves * iterations * (s->circulant.solve_work + product + 2.0 * gmres_restart * leading);
}

void take_profile_order(linear_solver* s, profile_choice&& choice) {
  s->profile.order = std::move(choice.order);
  s->profile.renumbered = choice.renumbered;
  s->profile_work = choice.work;
}

// Whether the profile is likely to be bound to lose (circulant_profile_bound
// decides): planes 1 and 2 hold the same values row for row, the mark of a
// linear time-invariant circuit, and plane 1's rows make the rings and
// connect the unknowns as the bound needs. Only a guess, which orders the
// set-up.
bool profile_bound_likely(const matrix* m, const plane_layout& layout, int32_t leading) {
  if (layout.planes < 3) return false;
  std::vector<int32_t> in_plane_1(static_cast<std::size_t>(layout.circuit_unknowns), -1);
  std::vector<int32_t> in_plane_2(in_plane_1.size(), -1);
  for (int32_t i = 0; i < leading; ++i) {
    const int32_t plane = layout.plane[static_cast<std::size_t>(i)];
    const auto j = static_cast<std::size_t>(layout.unknown[static_cast<std::size_t>(i)]);
    if (plane == 1) in_plane_1[j] = i;
    if (plane == 2) in_plane_2[j] = i;
  }
  plane_structure structure = plane_structure_of(layout.circuit_unknowns, layout.planes);
  for (std::size_t j = 0; j < in_plane_1.size(); ++j) {
    const matrix_row& a = m->rows[in_plane_1[j]];
    const matrix_row& b = m->rows[in_plane_2[j]];
    if (a.count != b.count || a.diag != b.diag) return false;
    for (int32_t k = 0; k < a.count; ++k) {
      const matrix_entry& e = a.entries[k];
      if (e.lower != b.entries[k].lower || e.upper != b.entries[k].upper) return false;
      if (e.lower == 0.0 && e.upper == 0.0) continue;
      const auto col = static_cast<std::size_t>(e.col);
      const int32_t offset = (layout.plane[col] - 1 + layout.planes) % layout.planes;
      add_coupling(structure, static_cast<int32_t>(j), layout.unknown[col], offset);
    }
  }
  return rings_in_connected_planes(structure);
}

// The preconditioner and the profile's order of a large system, the order
// found on a second thread beside the preconditioner's set-up. Where the
// profile looks bound to lose, the preconditioner is made first: when the
// system is its own plane average and the profile's work is bound to
// exceed GMRES's, the order, as long to find as the preconditioner to make,
// is not wanted. Returns whether the preconditioner is exact.
bool set_up_circulant_and_order(linear_solver* s, const matrix* m, int32_t leading,
                                const plane_layout& layout) {
  const bool look_first =
      s->method == linear_method::automatic && profile_bound_likely(m, layout, leading);
  std::future<profile_choice> order;
  if (!look_first) order = start_profile_order(m, s->profile_bordered);
  circulant_create(s->circulant, m, leading, layout);
  const bool exact = circulant_defect(s->circulant, m) < gmres_exact_defect;
  estimate_gmres_work(s, m, leading, exact);
  if (look_first) {
    const double bound = exact ? circulant_profile_bound(s->circulant) : 0.0;
    if (s->gmres_work < bound) {
      s->profile_work = bound;
      s->profile_work_bound = true;
      circulant_factor_averaged(s->circulant);
      return exact;
    }
    order = start_profile_order(m, s->profile_bordered);
  }
  // While the order is found: the factors of a system that is its own
  // plane average, which GMRES solves exactly and is all but always chosen
  // for; the first factorisation, of these same values, finds them made.
  if (exact) circulant_factor_averaged(s->circulant);
  take_profile_order(s, order.get());
  return exact;
}

void lay_out_profile(linear_solver* s, const matrix* whole) {
  profile_solve& p = s->profile;
  const matrix part = profile_part(s, whole);
  const matrix* m = &part;
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
  for (int32_t k = 0; k < r.count; ++k)
    s->last.cols[static_cast<std::size_t>(k)] = r.entries[k].col;
  s->last.lower.assign(static_cast<std::size_t>(r.count), 0.0);
  s->last.z.assign(static_cast<std::size_t>(m->n - 1), 0.0);
}

// The fill-reducing order of the leading equations: AMD or METIS, or the
// one with less work by the symbolic count. METIS is not tried when even
// the largest gain it has shown over AMD on time-plane patterns would not
// bring the LU below `to_beat` (the best other method's work): on large
// patterns it takes far longer than AMD. Nor is it tried when AMD's
// factorisation already costs less than METIS's own run would (about a
// hundred operations per entry of the pattern).
void choose_lu_order(linear_solver* s, const matrix* m, int wanted, double to_beat) {
  const int32_t leading = s->bordered ? s->n - 1 : s->n;
  adjacency a = adjacency_of(m, s->bordered ? s->n - 1 : -1);
  a.start.resize(static_cast<std::size_t>(leading) + 1);
  std::vector<int32_t> amd, metis;
  fill_count amd_fill{0.0, 0.0}, metis_fill{0.0, 0.0};
  if (wanted != lu_order::metis) {
    amd = amd_elimination_order(a, &amd_fill);
  }
  const bool hopeless = wanted == lu_order::automatic &&
                        (lu_cost_per_work * amd_fill.work + lu_cost_per_entry * amd_fill.entries >
                             metis_gain * to_beat ||
                         amd_fill.work < metis_cost_per_entry * static_cast<double>(a.next.size()));
  if (wanted != lu_order::amd && !hopeless) {
    metis = metis_elimination_order(a);
    if (!metis.empty()) metis_fill = count_fill(a, metis);
  }
  // Without METIS's order (its helper missing or failed), AMD's is taken.
  if (metis.empty() && amd.empty()) amd = amd_elimination_order(a, &amd_fill);
  const bool take_metis =
      !metis.empty() && (wanted == lu_order::metis || (wanted == lu_order::automatic && !hopeless &&
                                                       metis_fill.work < amd_fill.work));
  const fill_count& fill = take_metis ? metis_fill : amd_fill;
  s->order = take_metis ? lu_order::metis : lu_order::amd;
  s->lu_work = fill.work;
  s->factor_entries = 2.0 * fill.entries + leading;
  s->lu.order = take_metis ? std::move(metis) : std::move(amd);
}

void lay_out_lu(linear_solver* s, const matrix* m) {
  const int32_t leading = s->bordered ? s->n - 1 : s->n;
  sparse_lu_create(s->lu, m, leading, std::move(s->lu.order));
  s->lu_ready = true;
}

// After GMRES gave up: the sparse LU from here on.
void fall_back_to_lu(linear_solver* s) {
  ++s->fallbacks;
  if (!s->lu_ready) {
    if (s->lu.order.empty()) choose_lu_order(s, s->factored, lu_order::automatic, 1e300);
    lay_out_lu(s, s->factored);
  }
  s->method = linear_method::sparse_lu;
  sparse_lu_factor(s->lu, s->factored);
}

void factor_border(linear_solver* s, const matrix* m);
void substitute_profile(profile_solve& p, real_vector* b);

// Solves the leading equations in place: by the profile, the LU, or GMRES,
// falling back to the LU (with the border's solve redone) when GMRES gives
// up.
void leading_solve(linear_solver* s, double* x) {
  if (s->method == linear_method::profile) {
    real_vector leading{x, s->n - 1};
    substitute_profile(s->profile, &leading);
    return;
  }
  if (s->method == linear_method::gmres_circulant) {
    if (gmres_solve(s->krylov, s->factored, s->circulant, x)) return;
    fall_back_to_lu(s);
    if (s->bordered) factor_border(s, s->factored);
  }
  sparse_lu_solve(s->lu, x, 1);
}

void factor_border(linear_solver* s, const matrix* m) {
  border& b = s->last;
  const matrix_row& r = m->rows[m->n - 1];
  std::fill(b.z.begin(), b.z.end(), 0.0);
  for (int32_t k = 0; k < r.count; ++k) {
    b.z[static_cast<std::size_t>(r.entries[k].col)] = r.entries[k].upper;
    b.lower[static_cast<std::size_t>(k)] = r.entries[k].lower;
  }
  if (s->method == linear_method::gmres_circulant &&
      !gmres_solve(s->krylov, m, s->circulant, b.z.data())) {
    fall_back_to_lu(s);  // z is left as it came, a12
  }
  if (s->method == linear_method::profile) {
    real_vector z{b.z.data(), s->n - 1};
    substitute_profile(s->profile, &z);
  } else if (s->method != linear_method::gmres_circulant) {
    sparse_lu_solve(s->lu, b.z.data(), 1);
  }
  double pivot = r.diag;
  for (std::size_t k = 0; k < b.cols.size(); ++k)
    pivot -= b.lower[k] * b.z[static_cast<std::size_t>(b.cols[k])];
  b.pivot = pivot;
}

void substitute_border(linear_solver* s, double* x) {
  const border& b = s->last;
  const int32_t n1 = s->n - 1;
  leading_solve(s, x);
  double last = x[n1];
  for (std::size_t k = 0; k < b.cols.size(); ++k)
    last -= b.lower[k] * x[static_cast<std::size_t>(b.cols[k])];
  last /= b.pivot;
  x[n1] = last;
  for (int32_t i = 0; i < n1; ++i) x[i] -= b.z[static_cast<std::size_t>(i)] * last;
}

void substitute_profile(profile_solve& p, real_vector* b) {
  if (!p.renumbered) {
    matrix_substitute(p.expanded, b);
    return;
  }
  const std::vector<int32_t>& old_of_new = p.order.old_of_new;
  for (std::size_t i = 0; i < old_of_new.size(); ++i) p.permuted[i] = b->values[old_of_new[i]];
  real_vector x{p.permuted.data(), b->count};
  matrix_substitute(p.expanded, &x);
  for (std::size_t i = 0; i < old_of_new.size(); ++i) b->values[old_of_new[i]] = p.permuted[i];
}

bool all_finite(const double* x, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    if (!std::isfinite(x[i])) return false;
  }
  return true;
}

// After the profile met a zero pivot: the pivoting LU of the same system,
// and from here on.
void rescue_with_lu(linear_solver* s) {
  const matrix* m = s->factored;
  ++s->fallbacks;
  choose_lu_order(s, m, lu_order::automatic, 1e300);
  lay_out_lu(s, m);
  if (s->bordered) lay_out_border(s, m);
  s->method = linear_method::sparse_lu;
  s->rescue = false;
  sparse_lu_factor(s->lu, m);
  if (s->bordered) factor_border(s, m);
  mat_free(s->profile.expanded);
  s->profile.expanded = nullptr;
}

}  // namespace

double profile_work_in_found_order(const matrix* m) {
  return choose_profile_order(m, false).work;
}

linear_solver* linear_solver_create(const matrix* m, bool bordered, linear_choice choice,
                                    const plane_layout* layout) {
  auto* s = new linear_solver;
  s->n = m == nullptr ? 0 : m->n;
  if (s->n == 0) return s;
  s->bordered = bordered && s->n > 1;
  // Below the size the profile takes the period in its elimination, as
  // every earlier release did; above it the border is kept out, where its
  // full row would square the profile's work.
  s->profile_bordered = s->bordered && s->n >= smallest_general_lu;
  const int32_t leading = s->bordered ? s->n - 1 : s->n;

  s->method = choice.method;
  if (s->method == linear_method::automatic && s->n < smallest_general_lu) {
    s->method = linear_method::profile;
  }
  bool exact = false;
  const bool circulant =
      layout != nullptr && circulant_fits(m, leading, *layout) &&
      (s->method == linear_method::automatic || s->method == linear_method::gmres_circulant);
  if (circulant && s->n >= concurrent_order_size) {
    exact = set_up_circulant_and_order(s, m, leading, *layout);
  } else {
    take_profile_order(s, choose_profile_order(m, s->profile_bordered));
    if (circulant) {
      circulant_create(s->circulant, m, leading, *layout);
      exact = circulant_defect(s->circulant, m) < gmres_exact_defect;
      estimate_gmres_work(s, m, leading, exact);
    }
  }
  // A system that is its own plane average is solved exactly by the
  // transform, with N/2 + 1 factorisations of the circuit's size, which no
  // factorisation of the whole system undercuts: its LU is not analysed
  // (should GMRES give up later, the order is found then).
  const bool lu_hopeless =
      exact && s->method == linear_method::automatic && s->gmres_work < s->profile_work;
  if (lu_hopeless) s->method = linear_method::gmres_circulant;
  if (s->method == linear_method::automatic || s->method == linear_method::sparse_lu) {
    const double to_beat = circulant ? std::min(s->gmres_work, s->profile_work) : s->profile_work;
    choose_lu_order(s, m, choice.order, to_beat);
    if (s->method == linear_method::automatic) {
      const double lu = lu_cost_per_work * s->lu_work + lu_cost_per_entry * s->factor_entries;
      s->method = lu < s->profile_work ? linear_method::sparse_lu : linear_method::profile;
      if (circulant && s->gmres_work < std::min(lu, s->profile_work)) {
        s->method = linear_method::gmres_circulant;
      }
    }
  }
  if (s->method == linear_method::sparse_lu) lay_out_lu(s, m);
  if (s->method == linear_method::gmres_circulant) {
    gmres_create(s->krylov, leading, gmres_restart, gmres_limit, gmres_tolerance);
    s->factor_entries = 0.0;
  } else if (circulant) {
    circulant_free(s->circulant);
    s->circulant = circulant_preconditioner{};
  }
  if (s->bordered && (s->method != linear_method::profile || s->profile_bordered)) {
    lay_out_border(s, m);
  }
  if (s->method == linear_method::profile) {
    lay_out_profile(s, m);
    s->rescue = choice.rescue;
    if (s->rescue) s->saved.assign(static_cast<std::size_t>(s->n), 0.0);
  }
  if (s->method != linear_method::gmres_circulant) {
    std::size_t values = static_cast<std::size_t>(s->n);
    for (int32_t i = 0; i < s->n; ++i) values += 2 * static_cast<std::size_t>(m->rows[i].count);
    s->factored_values.assign(values, 0.0);
  }
  return s;
}

namespace {

// Whether m holds, bit for bit, the values last factorised; records them
// for the next call either way. One pass, which stops comparing at the
// first difference.
bool unchanged_since_factored(linear_solver* s, const matrix* m) {
  double* kept = s->factored_values.data();
  bool same = s->factors_kept;
  auto take = [&](double value) {
    same = same && std::memcmp(kept, &value, sizeof value) == 0;
    *kept++ = value;
  };
  for (int32_t i = 0; i < m->n; ++i) {
    const matrix_row& r = m->rows[i];
    take(r.diag);
    for (int32_t k = 0; k < r.count; ++k) {
      take(r.entries[k].lower);
      take(r.entries[k].upper);
    }
  }
  s->factors_kept = true;
  return same;
}

}  // namespace

void linear_solver_factor(linear_solver* s, const matrix* m) {
  if (s->n == 0) return;
  s->factored = m;
  if (!s->factored_values.empty() && s->method != linear_method::gmres_circulant &&
      unchanged_since_factored(s, m)) {
    return;
  }
  if (s->method == linear_method::profile) {
    profile_solve& p = s->profile;
    const matrix part = profile_part(s, m);
    profile_refill(p.expanded, &part, p.first, p.renumbered ? &p.order : nullptr);
    matrix_factor(p.expanded);
    if (s->profile_bordered) factor_border(s, m);
    return;
  }
  if (s->method == linear_method::gmres_circulant) {
    circulant_factor(s->circulant, m);
  } else {
    sparse_lu_factor(s->lu, m);
  }
  if (s->bordered) factor_border(s, m);
}

void linear_solver_substitute(linear_solver* s, real_vector* b) {
  if (s->n == 0) return;
  if (s->method == linear_method::profile) {
    if (s->rescue) std::copy(b->values, b->values + s->n, s->saved.begin());
    if (s->profile_bordered) {
      substitute_border(s, b->values);
    } else {
      substitute_profile(s->profile, b);
    }
    if (!s->rescue || all_finite(b->values, s->n)) return;
    rescue_with_lu(s);
    std::copy(s->saved.begin(), s->saved.end(), b->values);
  }
  if (s->bordered) {
    substitute_border(s, b->values);
  } else {
    leading_solve(s, b->values);
  }
}

linear_solver_report linear_solver_describe(const linear_solver* s) {
  return {s->n,
          s->method,
          s->method == linear_method::sparse_lu ? s->order : lu_order::automatic,
          s->profile_work,
          s->profile_work_bound,
          s->lu_work,
          s->factor_entries,
          s->gmres_work,
          s->krylov.iterations,
          s->fallbacks};
}

void linear_solver_free(linear_solver* s) {
  if (s == nullptr) return;
  if (s->profile.expanded != nullptr) mat_free(s->profile.expanded);
  sparse_lu_free(s->lu);
  circulant_free(s->circulant);
  delete s;
}

}  // namespace pss
