// With x̂_k = Σ_p x_p e^(−2πi k p / N) over the planes, the block-circulant
// matrix with blocks B_d (d the plane offset from a row's plane to its
// column's) turns into Â_k = Σ_d B_d e^(2πi k d / N) on harmonic k. B_d is
// the Jacobian's coupling at offset d averaged over the planes: each stored
// value adds its share to a term (harmonic place, offset), and harmonic k
// sums the terms with their roots of unity.
#include "sparse/circulant.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "sparse/band_lu.h"
#include "sparse/dense_lu.h"
#include "sparse/lu_order.h"
#include "sparse/profile_bound.h"
#include "support/fatal.h"
#include "support/side_by_side.h"

namespace pss {

namespace {

int32_t offset_between(const plane_layout& layout, int32_t row, int32_t col) {
  const int32_t n = layout.planes;
  return ((layout.plane[static_cast<std::size_t>(col)] -
           layout.plane[static_cast<std::size_t>(row)]) %
              n +
          n) %
         n;
}

// The distinct (row unknown, column unknown) pairs of a pattern, numbered
// as they are first met, by open addressing on a table kept at most half
// full.
class pair_table {
 public:
  explicit pair_table(int32_t unknowns) : unknowns_(unknowns) { grow(1024); }

  int32_t find_or_add(int32_t row, int32_t col) {
    const int64_t key = int64_t{row} * unknowns_ + col;
    std::size_t at = slot_of(key);
    while (ids_[at] >= 0) {
      if (keys_[at] == key) return ids_[at];
      at = (at + 1) & mask_;
    }
    const auto id = static_cast<int32_t>(rows_.size());
    keys_[at] = key;
    ids_[at] = id;
    rows_.push_back(row);
    cols_.push_back(col);
    if (2 * rows_.size() > keys_.size()) grow(2 * keys_.size());
    return id;
  }

  // The pairs as compressed columns (rows ascending in each); returns each
  // pair's place in them.
  std::vector<int32_t> places(std::vector<int32_t>& col_start, std::vector<int32_t>& row_index) {
    const std::size_t count = rows_.size();
    std::vector<int32_t> order(count);
    for (std::size_t q = 0; q < count; ++q) order[q] = static_cast<int32_t>(q);
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
      const auto ua = static_cast<std::size_t>(a);
      const auto ub = static_cast<std::size_t>(b);
      return cols_[ua] != cols_[ub] ? cols_[ua] < cols_[ub] : rows_[ua] < rows_[ub];
    });
    col_start.assign(static_cast<std::size_t>(unknowns_) + 1, 0);
    row_index.resize(count);
    std::vector<int32_t> place(count);
    for (std::size_t at = 0; at < count; ++at) {
      const auto q = static_cast<std::size_t>(order[at]);
      row_index[at] = rows_[q];
      place[q] = static_cast<int32_t>(at);
      ++col_start[static_cast<std::size_t>(cols_[q]) + 1];
    }
    for (std::size_t c = 0; c < static_cast<std::size_t>(unknowns_); ++c)
      col_start[c + 1] += col_start[c];
    return place;
  }

 private:
  std::size_t slot_of(int64_t key) const {
    return static_cast<std::size_t>((static_cast<uint64_t>(key) * 0x9E3779B97F4A7C15ull) >> 20) &
           mask_;
  }

  void grow(std::size_t size) {
    keys_.assign(size, 0);
    ids_.assign(size, -1);
    mask_ = size - 1;
    for (std::size_t q = 0; q < rows_.size(); ++q) {
      const int64_t key = int64_t{rows_[q]} * unknowns_ + cols_[q];
      std::size_t at = slot_of(key);
      while (ids_[at] >= 0) at = (at + 1) & mask_;
      keys_[at] = key;
      ids_[at] = static_cast<int32_t>(q);
    }
  }

  int32_t unknowns_;
  std::vector<int64_t> keys_;
  std::vector<int32_t> ids_;
  std::size_t mask_ = 0;
  std::vector<int32_t> rows_, cols_;
};

// Sets the estimated work of the harmonics' factors and solves, as KLU
// does them, and returns the fill of one harmonic's factors.
fill_count estimate_work(circulant_preconditioner& p) {
  // The harmonics' pattern as an adjacency, for the fill count.
  adjacency a;
  a.start.assign(static_cast<std::size_t>(p.size) + 1, 0);
  for (int32_t j = 0; j < p.size; ++j) {
    for (int32_t q = p.col_start[static_cast<std::size_t>(j)];
         q < p.col_start[static_cast<std::size_t>(j) + 1]; ++q) {
      if (p.row_index[static_cast<std::size_t>(q)] != j) a.next.push_back(p.row_index[q]);
    }
    a.start[static_cast<std::size_t>(j) + 1] = static_cast<int32_t>(a.next.size());
  }
  fill_count fill{0.0, 0.0};
  amd_elimination_order(a, &fill);
  const double harmonics = p.planes / 2 + 1;
  const double per_plane_transform = 5.0 * std::log2(std::max(2, p.planes));
  // Complex arithmetic costs about four real multiply-adds.
  p.factor_work = harmonics * (4.0 * fill.work + static_cast<double>(p.term_value.size()));
  p.solve_work = harmonics * 4.0 * 2.0 * (2.0 * fill.entries + p.size) +
                 2.0 * p.equations * per_plane_transform;
  return fill;
}

// The band that holds the harmonics' pattern in the circuit's numbering.
band_shape band_of_pattern(const circulant_preconditioner& p) {
  band_shape b;
  b.n = p.size;
  for (int32_t col = 0; col < p.size; ++col) {
    for (int32_t q = p.col_start[static_cast<std::size_t>(col)];
         q < p.col_start[static_cast<std::size_t>(col) + 1]; ++q) {
      const int32_t row = p.row_index[static_cast<std::size_t>(q)];
      b.lower = std::max(b.lower, row - col);
      b.upper = std::max(b.upper, col - row);
    }
  }
  return b;
}

// Each harmonic place's position in the band, and room for every
// harmonic's factors.
void lay_out_band(circulant_preconditioner& p, std::size_t harmonics) {
  p.band_place.resize(p.row_index.size());
  for (int32_t col = 0; col < p.size; ++col) {
    for (int32_t q = p.col_start[static_cast<std::size_t>(col)];
         q < p.col_start[static_cast<std::size_t>(col) + 1]; ++q) {
      p.band_place[static_cast<std::size_t>(q)] =
          static_cast<int32_t>(p.band.at(p.row_index[static_cast<std::size_t>(q)], col));
    }
  }
  p.band_factors.assign(harmonics * p.band.size(), complex(0.0, 0.0));
  p.band_pivots.assign(harmonics * static_cast<std::size_t>(p.size), 0);
}

// Each harmonic place's position in a dense M × M matrix, and room for
// every harmonic's factors.
void lay_out_dense(circulant_preconditioner& p, std::size_t harmonics) {
  const auto m = static_cast<std::size_t>(p.size);
  p.dense_place.resize(p.row_index.size());
  for (std::size_t col = 0; col < m; ++col) {
    for (auto q = static_cast<std::size_t>(p.col_start[col]);
         q < static_cast<std::size_t>(p.col_start[col + 1]); ++q) {
      p.dense_place[q] = static_cast<int32_t>(static_cast<std::size_t>(p.row_index[q]) * m + col);
    }
  }
  p.dense_factors.assign(harmonics * m * m, complex(0.0, 0.0));
  p.dense_pivots.assign(harmonics * m, 0);
}

}  // namespace

// The band's loops are plain, while KLU's arithmetic goes through index
// arrays and each call costs a bookkeeping of its own: on a 100-section RLC
// ladder on 1024 planes (bands of 2 and 2, at 2.4 times KLU's
// multiply-adds) the preconditioner's set-up took 27 ms with band factors
// and 40 ms with KLU's.
bool band_pays(const band_shape& b, const fill_count& sparse) {
  const double n = b.n;
  const double band_work = n * b.lower * (b.lower + b.upper);
  const double sparse_steps = sparse.work + sparse.entries + n;
  const double band_storage = static_cast<double>(b.size());
  const double sparse_storage = 2.0 * sparse.entries + n;
  return band_work <= 4.0 * sparse_steps && band_storage <= 2.0 * sparse_storage;
}

bool circulant_fits(const matrix* m, int32_t equations, const plane_layout& layout) {
  if (layout.planes < 2 || layout.circuit_unknowns < 1) return false;
  if (static_cast<int64_t>(layout.circuit_unknowns) * layout.planes != equations) return false;
  if (static_cast<int32_t>(layout.unknown.size()) < equations || m->n < equations) return false;
  std::vector<char> seen(static_cast<std::size_t>(equations), 0);
  for (int32_t i = 0; i < equations; ++i) {
    const int32_t j = layout.unknown[static_cast<std::size_t>(i)];
    const int32_t p = layout.plane[static_cast<std::size_t>(i)];
    if (j < 0 || j >= layout.circuit_unknowns || p < 0 || p >= layout.planes) return false;
    char& s = seen[static_cast<std::size_t>(j) * layout.planes + p];
    if (s) return false;
    s = 1;
  }
  return true;
}

void circulant_create(circulant_preconditioner& p, const matrix* m, int32_t equations,
                      const plane_layout& layout) {
  const int32_t n_planes = layout.planes;
  p.planes = n_planes;
  p.size = layout.circuit_unknowns;
  p.equations = equations;
  p.equation_at.resize(static_cast<std::size_t>(equations));
  for (int32_t i = 0; i < equations; ++i) {
    p.equation_at[static_cast<std::size_t>(layout.unknown[i]) * n_planes + layout.plane[i]] = i;
  }
  // Every stored value's (row unknown, column unknown) pair and plane
  // offset, found in one pass: the pair through a small hash table (a
  // circuit has few distinct pairs), the term (pair, offset) on the pair's
  // short list of terms. Terms are numbered as they first appear and then
  // put in the order of their places, keeping that order within a place.
  std::size_t entries = 0;
  for (int32_t i = 0; i < equations; ++i) entries += static_cast<std::size_t>(m->rows[i].count);
  pair_table pairs(p.size);
  std::vector<int32_t> term_pair, term_next, pair_first_term;
  auto term_of = [&](int32_t r, int32_t c) {
    const int32_t pair = pairs.find_or_add(layout.unknown[static_cast<std::size_t>(r)],
                                           layout.unknown[static_cast<std::size_t>(c)]);
    if (pair == static_cast<int32_t>(pair_first_term.size())) pair_first_term.push_back(-1);
    const int32_t d = offset_between(layout, r, c);
    int32_t t = pair_first_term[static_cast<std::size_t>(pair)];
    while (t >= 0 && p.term_offset[static_cast<std::size_t>(t)] != d) t = term_next[t];
    if (t >= 0) return t;
    t = static_cast<int32_t>(p.term_offset.size());
    p.term_offset.push_back(d);
    term_pair.push_back(pair);
    term_next.push_back(pair_first_term[static_cast<std::size_t>(pair)]);
    pair_first_term[static_cast<std::size_t>(pair)] = t;
    return t;
  };
  p.terms.diag.resize(static_cast<std::size_t>(equations));
  p.terms.lower.resize(entries);
  p.terms.upper.resize(entries);
  // Every stored value's term, row by row: the diagonal, then each entry's
  // lower and upper value. An unknown's rows hold the same couplings in the
  // same places plane after plane, so a row takes its terms from the last
  // row of its unknown wherever a column's unknown and offset are the same;
  // the table is asked only for the others, in the order it always was, so
  // that the terms are numbered as they first appear.
  struct remembered {
    int32_t col_unknown, offset, lower, upper;
  };
  std::vector<std::vector<remembered>> last_row(static_cast<std::size_t>(p.size));
  std::vector<int32_t> diagonal_term(static_cast<std::size_t>(p.size), -1);
  std::size_t e = 0;
  for (int32_t i = 0; i < equations; ++i) {
    const auto unknown = static_cast<std::size_t>(layout.unknown[static_cast<std::size_t>(i)]);
    if (diagonal_term[unknown] < 0) diagonal_term[unknown] = term_of(i, i);
    p.terms.diag[static_cast<std::size_t>(i)] = diagonal_term[unknown];
    const matrix_row& row = m->rows[i];
    std::vector<remembered>& last = last_row[unknown];
    last.resize(static_cast<std::size_t>(row.count), remembered{-1, -1, -1, -1});
    for (int32_t k = 0; k < row.count; ++k, ++e) {
      const int32_t col = row.entries[k].col;
      const int32_t col_unknown = layout.unknown[static_cast<std::size_t>(col)];
      const int32_t offset = offset_between(layout, i, col);
      remembered& r = last[static_cast<std::size_t>(k)];
      if (r.col_unknown != col_unknown || r.offset != offset) {
        r = {col_unknown, offset, term_of(i, col), term_of(col, i)};
      }
      p.terms.lower[e] = r.lower;
      p.terms.upper[e] = r.upper;
    }
  }

  // The harmonics' pattern: the pairs column by column, rows ascending.
  std::vector<int32_t> place_of_pair = pairs.places(p.col_start, p.row_index);
  // The terms by place, as they first appeared within each.
  const std::size_t terms = p.term_offset.size();
  std::vector<int32_t> by_place(terms);
  for (std::size_t t = 0; t < terms; ++t) by_place[t] = static_cast<int32_t>(t);
  auto place_of_term = [&](int32_t t) {
    return place_of_pair[static_cast<std::size_t>(term_pair[static_cast<std::size_t>(t)])];
  };
  std::stable_sort(by_place.begin(), by_place.end(),
                   [&](int32_t a, int32_t b) { return place_of_term(a) < place_of_term(b); });
  std::vector<int32_t> renumbered(terms);
  std::vector<int32_t> offsets(terms);
  p.term_place.resize(terms);
  for (std::size_t at = 0; at < terms; ++at) {
    const int32_t t = by_place[at];
    renumbered[static_cast<std::size_t>(t)] = static_cast<int32_t>(at);
    p.term_place[at] = place_of_term(t);
    offsets[at] = p.term_offset[static_cast<std::size_t>(t)];
  }
  p.term_offset = std::move(offsets);
  for (std::vector<int32_t>* slots : {&p.terms.diag, &p.terms.lower, &p.terms.upper}) {
    for (int32_t& t : *slots) t = renumbered[static_cast<std::size_t>(t)];
  }
  p.term_value.assign(terms, 0.0);
  p.factored_terms.assign(terms, 0.0);

  p.roots.resize(static_cast<std::size_t>(n_planes));
  for (int32_t q = 0; q < n_planes; ++q) {
    p.roots[static_cast<std::size_t>(q)] = std::polar(1.0, 2.0 * std::numbers::pi * q / n_planes);
  }
  p.harmonic_values.assign(p.row_index.size(), complex(0.0, 0.0));
  klu_defaults(&p.common);
  p.common.halt_if_singular = 0;
  p.helper_common = p.common;
  p.helper_values.assign(p.row_index.size(), complex(0.0, 0.0));
  const auto harmonics = static_cast<std::size_t>(n_planes / 2 + 1);
  const fill_count fill = estimate_work(p);
  p.dense = p.size <= p.dense_up_to;
  if (!p.dense && p.band_allowed) {
    p.band = band_of_pattern(p);
    p.banded = band_pays(p.band, fill);
  }
  if (p.dense) {
    lay_out_dense(p, harmonics);
  } else if (p.banded) {
    lay_out_band(p, harmonics);
  } else {
    p.symbolic = klu_analyze(p.size, p.col_start.data(), p.row_index.data(), &p.common);
    if (p.symbolic == nullptr) out_of_memory();
    p.numeric.assign(harmonics, nullptr);
  }
  p.paired = (n_planes & (n_planes - 1)) == 0;
  if (p.paired) {
    const int32_t half = n_planes / 2;
    p.half_plan = fft_plan_create(half);
    p.twiddle.resize(static_cast<std::size_t>(half) + 1);
    for (int32_t k = 0; k <= half; ++k) {
      p.twiddle[static_cast<std::size_t>(k)] =
          std::polar(1.0, -2.0 * std::numbers::pi * k / n_planes);
    }
    p.rows.assign(static_cast<std::size_t>(half + 1) * static_cast<std::size_t>(p.size),
                  complex(0.0, 0.0));
  } else {
    p.plan = fft_plan_create(n_planes);
    p.spectrum.assign(static_cast<std::size_t>(equations), complex(0.0, 0.0));
    p.column.assign(static_cast<std::size_t>(p.size), complex(0.0, 0.0));
  }
  if (p.factor_work >= p.shared_factor_work) start_side_by_side();
}

namespace {

void average_terms(circulant_preconditioner& p, const matrix* m) {
  gather_values(m, p.equations, p.terms, p.term_value.data(), p.term_value.size());
  const double share = 1.0 / p.planes;
  for (double& v : p.term_value) v *= share;
}

}  // namespace

double circulant_defect(circulant_preconditioner& p, const matrix* m) {
  average_terms(p, m);
  double largest = 0.0;
  double defect = 0.0;
  auto compare = [&](double value, int32_t term) {
    largest = std::max(largest, std::fabs(value));
    defect = std::max(defect, std::fabs(value - p.term_value[static_cast<std::size_t>(term)]));
  };
  std::size_t e = 0;
  for (int32_t i = 0; i < p.equations; ++i) {
    const matrix_row& r = m->rows[i];
    compare(r.diag, p.terms.diag[static_cast<std::size_t>(i)]);
    for (int32_t k = 0; k < r.count; ++k, ++e) {
      compare(r.entries[k].lower, p.terms.lower[e]);
      compare(r.entries[k].upper, p.terms.upper[e]);
    }
  }
  return largest > 0.0 ? defect / largest : 0.0;
}

namespace {

// Harmonics 0 … N/2: the others are their conjugates.
std::size_t harmonic_count(const circulant_preconditioner& p) {
  return static_cast<std::size_t>(p.planes / 2 + 1);
}

// Harmonic k's values at its places.
void harmonic_values_of(const circulant_preconditioner& p, std::size_t k,
                        std::vector<complex>& values) {
  std::fill(values.begin(), values.end(), complex(0.0, 0.0));
  for (std::size_t t = 0; t < p.term_value.size(); ++t) {
    const std::size_t q =
        (k * static_cast<std::size_t>(p.term_offset[t])) % static_cast<std::size_t>(p.planes);
    values[static_cast<std::size_t>(p.term_place[t])] += p.term_value[t] * p.roots[q];
  }
}

void factor_dense_harmonics(circulant_preconditioner& p, std::size_t first, std::size_t last,
                            std::vector<complex>& values) {
  const auto m = static_cast<std::size_t>(p.size);
  for (std::size_t k = first; k < last; ++k) {
    harmonic_values_of(p, k, values);
    complex* a = &p.dense_factors[k * m * m];
    std::fill(a, a + m * m, complex(0.0, 0.0));
    for (std::size_t q = 0; q < values.size(); ++q) a[p.dense_place[q]] = values[q];
    dense_lu_factor(a, &p.dense_pivots[k * m], p.size);
  }
}

void factor_band_harmonics(circulant_preconditioner& p, std::size_t first, std::size_t last,
                           std::vector<complex>& values) {
  const std::size_t size = p.band.size();
  const auto m = static_cast<std::size_t>(p.size);
  for (std::size_t k = first; k < last; ++k) {
    harmonic_values_of(p, k, values);
    complex* a = &p.band_factors[k * size];
    std::fill(a, a + size, complex(0.0, 0.0));
    for (std::size_t q = 0; q < values.size(); ++q) a[p.band_place[q]] = values[q];
    band_lu_factor(p.band, a, &p.band_pivots[k * m]);
  }
}

// Factorises harmonics first … last − 1 of the averaged terms, with its
// own scratch values and KLU workspace (one per thread).
void factor_harmonics(circulant_preconditioner& p, std::size_t first, std::size_t last,
                      std::vector<complex>& values, klu_common& common) {
  if (p.dense) {
    factor_dense_harmonics(p, first, last, values);
    return;
  }
  if (p.banded) {
    factor_band_harmonics(p, first, last, values);
    return;
  }
  int* ap = p.col_start.data();
  int* ai = p.row_index.data();
  auto* ax = reinterpret_cast<double*>(values.data());
  for (std::size_t k = first; k < last; ++k) {
    harmonic_values_of(p, k, values);
    klu_numeric*& numeric = p.numeric[k];
    if (numeric == nullptr || !klu_z_refactor(ap, ai, ax, p.symbolic, numeric, &common)) {
      if (numeric != nullptr) klu_z_free_numeric(&numeric, &common);
      numeric = klu_z_factor(ap, ai, ax, p.symbolic, &common);
      if (numeric == nullptr) out_of_memory();
    }
  }
}

}  // namespace

void circulant_factor(circulant_preconditioner& p, const matrix* m) {
  average_terms(p, m);
  circulant_factor_averaged(p);
}

void circulant_factor_averaged(circulant_preconditioner& p) {
  const std::size_t bytes = p.term_value.size() * sizeof(double);
  if (p.factored && std::memcmp(p.term_value.data(), p.factored_terms.data(), bytes) == 0) {
    return;  // the same bits give the same factors
  }
  p.factored_terms = p.term_value;
  p.factored = true;
  const std::size_t harmonics = harmonic_count(p);
  if (p.factor_work < p.shared_factor_work || harmonics < 4) {
    factor_harmonics(p, 0, harmonics, p.harmonic_values, p.common);
    return;
  }
  run_side_by_side(
      [](void* q) {
        auto& pre = *static_cast<circulant_preconditioner*>(q);
        factor_harmonics(pre, 0, harmonic_count(pre) / 2, pre.harmonic_values, pre.common);
      },
      [](void* q) {
        auto& pre = *static_cast<circulant_preconditioner*>(q);
        factor_harmonics(pre, harmonic_count(pre) / 2, harmonic_count(pre), pre.helper_values,
                         pre.helper_common);
      },
      &p);
}

namespace {

// Harmonic k's system solved for the M values at x, in place.
void solve_harmonic(circulant_preconditioner& p, int32_t k, complex* x) {
  const auto at = static_cast<std::size_t>(k);
  if (p.dense) {
    const auto m = static_cast<std::size_t>(p.size);
    dense_lu_solve(&p.dense_factors[at * m * m], &p.dense_pivots[at * m], p.size, x);
    return;
  }
  if (p.banded) {
    band_lu_solve(p.band, &p.band_factors[at * p.band.size()],
                  &p.band_pivots[at * static_cast<std::size_t>(p.size)], x);
    return;
  }
  klu_z_solve(p.symbolic, p.numeric[at], p.size, 1, reinterpret_cast<double*>(x), &p.common);
}

// Unknowns taken together when moving values between the equations (laid
// out unknown by unknown, plane after plane) and the rows (plane by plane):
// a few streams in each direction keep both sides in the cache.
constexpr int32_t unknowns_at_once = 8;

// The paired transform. With z_q = x_2q + i x_2q+1 and Z its transform of
// length L = N/2, the transforms of the even and the odd planes are
// E_k = (Z_k + conj Z_L−k) / 2 and O_k = (Z_k − conj Z_L−k) / 2i, and
// harmonic k of x is X_k = E_k + W^k O_k, W = exp(−2πi / N). Back, E and O
// come from X_k and X_L−k the same way (O with W^−k), and z is the inverse
// transform of E + i O over L. A pair (k, L − k) is taken together: the E
// and O of one are the conjugates of the other's.
void apply_paired(circulant_preconditioner& p, const double* r, double* x) {
  const int32_t m = p.size;
  const int32_t half = p.planes / 2;
  const std::size_t width = static_cast<std::size_t>(m);
  const std::size_t planes = static_cast<std::size_t>(p.planes);
  complex* z = p.rows.data();
  for (int32_t j0 = 0; j0 < m; j0 += unknowns_at_once) {
    const int32_t j1 = std::min(m, j0 + unknowns_at_once);
    for (int32_t q = 0; q < half; ++q) {
      for (int32_t j = j0; j < j1; ++j) {
        const int32_t* at = &p.equation_at[static_cast<std::size_t>(j) * planes + 2 * q];
        z[static_cast<std::size_t>(q) * width + j] = complex(r[at[0]], r[at[1]]);
      }
    }
  }
  fft_rows(p.half_plan, z, m, false);
  for (int32_t k = 0; 2 * k <= half; ++k) {
    const int32_t mirror = half - k;
    const complex w = p.twiddle[static_cast<std::size_t>(k)];
    const complex w_mirror = p.twiddle[static_cast<std::size_t>(mirror)];
    complex* zk = z + static_cast<std::size_t>(k) * width;
    const complex* zm = z + static_cast<std::size_t>(k == 0 ? 0 : mirror) * width;
    complex* xm = z + static_cast<std::size_t>(mirror) * width;
    for (int32_t j = 0; j < m; ++j) {
      const complex a = zk[j];
      const complex b = std::conj(zm[j]);
      const complex even = 0.5 * (a + b);
      const complex odd = complex(0.0, -0.5) * (a - b);
      zk[j] = even + w * odd;
      if (mirror != k) xm[j] = std::conj(even) + w_mirror * std::conj(odd);
    }
  }
  for (int32_t k = 0; k <= half; ++k) solve_harmonic(p, k, z + static_cast<std::size_t>(k) * width);
  for (int32_t k = 0; 2 * k <= half; ++k) {
    const int32_t mirror = half - k;
    const complex w = std::conj(p.twiddle[static_cast<std::size_t>(k)]);
    complex* xk = z + static_cast<std::size_t>(k) * width;
    complex* xm = z + static_cast<std::size_t>(mirror) * width;
    for (int32_t j = 0; j < m; ++j) {
      const complex a = xk[j];
      const complex b = std::conj(xm[j]);
      const complex even = 0.5 * (a + b);
      const complex odd = 0.5 * (a - b) * w;
      xk[j] = even + complex(-odd.imag(), odd.real());
      // Row L is not transformed back; row L − k of z is conj E + i conj O.
      if (k != 0 && mirror != k) xm[j] = std::conj(even) + complex(odd.imag(), odd.real());
    }
  }
  fft_rows(p.half_plan, z, m, true);
  const double scale = 1.0 / half;
  for (int32_t j0 = 0; j0 < m; j0 += unknowns_at_once) {
    const int32_t j1 = std::min(m, j0 + unknowns_at_once);
    for (int32_t q = 0; q < half; ++q) {
      for (int32_t j = j0; j < j1; ++j) {
        const int32_t* at = &p.equation_at[static_cast<std::size_t>(j) * planes + 2 * q];
        const complex v = z[static_cast<std::size_t>(q) * width + j];
        x[at[0]] = v.real() * scale;
        x[at[1]] = v.imag() * scale;
      }
    }
  }
}

}  // namespace

void circulant_apply(circulant_preconditioner& p, const double* r, double* x) {
  if (p.paired) {
    apply_paired(p, r, x);
    return;
  }
  const std::size_t n = static_cast<std::size_t>(p.planes);
  for (std::size_t at = 0; at < p.spectrum.size(); ++at) {
    p.spectrum[at] = complex(r[p.equation_at[at]], 0.0);
  }
  for (int32_t j = 0; j < p.size; ++j) fft(p.plan, &p.spectrum[j * n], false);
  for (std::size_t k = 0; k < harmonic_count(p); ++k) {
    for (int32_t j = 0; j < p.size; ++j)
      p.column[static_cast<std::size_t>(j)] = p.spectrum[j * n + k];
    solve_harmonic(p, static_cast<int32_t>(k), p.column.data());
    const std::size_t mirror = (n - k) % n;
    for (int32_t j = 0; j < p.size; ++j) {
      const complex v = p.column[static_cast<std::size_t>(j)];
      p.spectrum[j * n + k] = v;
      if (mirror != k) p.spectrum[j * n + mirror] = std::conj(v);
    }
  }
  const double scale = 1.0 / p.planes;
  for (int32_t j = 0; j < p.size; ++j) fft(p.plan, &p.spectrum[j * n], true);
  for (std::size_t at = 0; at < p.spectrum.size(); ++at) {
    x[p.equation_at[at]] = p.spectrum[at].real() * scale;
  }
}

double circulant_profile_bound(const circulant_preconditioner& p) {
  if (p.size < 1 || p.planes < 2) return 0.0;
  // The terms of a significant value, which, the system being its own
  // average, every plane holds.
  double largest = 0.0;
  for (double v : p.term_value) largest = std::max(largest, std::fabs(v));
  const double significant = 1e-9 * largest;
  std::vector<int32_t> col_of_place(p.row_index.size());
  for (std::size_t col = 0; col < static_cast<std::size_t>(p.size); ++col) {
    for (auto q = static_cast<std::size_t>(p.col_start[col]);
         q < static_cast<std::size_t>(p.col_start[col + 1]); ++q) {
      col_of_place[q] = static_cast<int32_t>(col);
    }
  }
  plane_structure structure = plane_structure_of(p.size, p.planes);
  for (std::size_t t = 0; t < p.term_value.size(); ++t) {
    if (!(std::fabs(p.term_value[t]) > significant)) continue;
    const auto place = static_cast<std::size_t>(p.term_place[t]);
    add_coupling(structure, p.row_index[place], col_of_place[place], p.term_offset[t]);
  }
  return rings_in_connected_planes(structure) ? least_profile_work(p.size, p.planes) : 0.0;
}

void circulant_free(circulant_preconditioner& p) {
  for (klu_numeric*& numeric : p.numeric) {
    if (numeric != nullptr) klu_z_free_numeric(&numeric, &p.common);
  }
  if (p.symbolic != nullptr) klu_free_symbolic(&p.symbolic, &p.common);
}

}  // namespace pss
