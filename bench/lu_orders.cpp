// The linear solves of one Newton system side by side, to choose among
// them: the profile Crout, KLU after AMD and after METIS, UMFPACK with its
// own ordering, and GMRES with the block-circulant preconditioner.
//
//   pss_lu_orders [--profile-work] JOB.net PLANES FREQUENCY
//
// expands the network to PLANES planes at FREQUENCY, assembles the first
// Newton system from the DC start (all zero), and prints one Markdown row:
// for each method the time of one numeric factorisation (the median of
// three, after the first) plus one solve, in ms, and the stored entries of
// its factors. With --profile-work it prints only the profile
// factorisation's multiply-adds in the order the solver would take, which
// the benchmark's estimate of the earlier pss needs where pss itself did
// not find that order.
#include <umfpack.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "model/read_network.h"
#include "newton/assemble.h"
#include "newton/newton_work.h"
#include "planes/control_delay.h"
#include "planes/expand.h"
#include "run/solve.h"
#include "sparse/linear_solver.h"

namespace {

using namespace pss;
using clock_type = std::chrono::steady_clock;

template <class work>
double median_ms(work&& w) {
  std::vector<double> t;
  for (int r = 0; r < 3; ++r) {
    const auto start = clock_type::now();
    w();
    t.push_back(std::chrono::duration<double, std::milli>(clock_type::now() - start).count());
  }
  std::sort(t.begin(), t.end());
  return t[1];
}

double solver_ms(const matrix* m, const real_vector* rhs, linear_choice choice,
                 const plane_layout& layout, double* entries) {
  linear_solver* s = linear_solver_create(m, false, choice, &layout);
  linear_solver_factor(s, m);  // the first: pivots chosen
  std::vector<double> b(static_cast<std::size_t>(m->n));
  const double ms = median_ms([&] {
    linear_solver_factor(s, m);
    std::copy(rhs->values, rhs->values + m->n, b.begin());
    real_vector x{b.data(), m->n};
    linear_solver_substitute(s, &x);
  });
  *entries = linear_solver_describe(s).factor_entries;
  linear_solver_free(s);
  return ms;
}

// UMFPACK on the compressed columns of the whole matrix.
double umfpack_ms(const matrix* m, const real_vector* rhs, double* entries) {
  const int n = m->n;
  std::vector<int> count(static_cast<std::size_t>(n) + 1, 0);
  for (int i = 0; i < n; ++i) {
    count[static_cast<std::size_t>(i) + 1] += 1 + m->rows[i].count;
    for (int k = 0; k < m->rows[i].count; ++k) ++count[static_cast<std::size_t>(m->rows[i].entries[k].col) + 1];
  }
  for (int j = 0; j < n; ++j) count[static_cast<std::size_t>(j) + 1] += count[static_cast<std::size_t>(j)];
  std::vector<int> ai(static_cast<std::size_t>(count[static_cast<std::size_t>(n)]));
  std::vector<double> ax(ai.size());
  std::vector<int> next(count.begin(), count.end() - 1);
  for (int i = 0; i < n; ++i) {
    const matrix_row& r = m->rows[i];
    for (int k = 0; k < r.count; ++k) {
      ai[static_cast<std::size_t>(next[static_cast<std::size_t>(i)])] = r.entries[k].col;
      ax[static_cast<std::size_t>(next[static_cast<std::size_t>(i)]++)] = r.entries[k].upper;
    }
    ai[static_cast<std::size_t>(next[static_cast<std::size_t>(i)])] = i;
    ax[static_cast<std::size_t>(next[static_cast<std::size_t>(i)]++)] = r.diag;
    for (int k = 0; k < r.count; ++k) {
      const int j = r.entries[k].col;
      ai[static_cast<std::size_t>(next[static_cast<std::size_t>(j)])] = i;
      ax[static_cast<std::size_t>(next[static_cast<std::size_t>(j)]++)] = r.entries[k].lower;
    }
  }
  double control[UMFPACK_CONTROL];
  double info[UMFPACK_INFO];
  umfpack_di_defaults(control);
  void* symbolic = nullptr;
  umfpack_di_symbolic(n, n, count.data(), ai.data(), ax.data(), &symbolic, control, info);
  std::vector<double> x(static_cast<std::size_t>(n));
  const double ms = median_ms([&] {
    void* numeric = nullptr;
    umfpack_di_numeric(count.data(), ai.data(), ax.data(), symbolic, &numeric, control, info);
    umfpack_di_solve(UMFPACK_A, count.data(), ai.data(), ax.data(), x.data(), rhs->values, numeric,
                     control, info);
    umfpack_di_free_numeric(&numeric);
  });
  *entries = info[UMFPACK_LNZ] + info[UMFPACK_UNZ];
  umfpack_di_free_symbolic(&symbolic);
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  const bool work_only = argc == 5 && std::string_view(argv[1]) == "--profile-work";
  if (work_only) ++argv;
  if (argc != 4 && !work_only) {
    std::fprintf(stderr, "usage: pss_lu_orders [--profile-work] JOB.net PLANES FREQUENCY\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
  network net;
  read_network_bytes(net, bytes);
  circuit* c = net.circuit;
  c->planes = std::atoi(argv[2]);
  period_dvar(c)->value = 1.0 / std::atof(argv[3]);
  expand_time_planes(c, 0);
  aim_generator_controls(c);
  matrix* m = matrix_create(c);
  real_vector* rhs = vector_create(m->n);
  prep_mat_res(c);
  assem_mat_res(c, m, rhs);
  const plane_layout layout = plane_layout_of(c, m);
  const double profile_work = profile_work_in_found_order(m);
  if (work_only) {
    std::printf("%.6g\n", profile_work);
    return 0;
  }

  struct row {
    const char* name;
    linear_choice choice;
  };
  const row rows[] = {
      {"profile", {linear_method::profile, lu_order::automatic}},
      {"KLU, AMD", {linear_method::sparse_lu, lu_order::amd}},
      {"KLU, METIS", {linear_method::sparse_lu, lu_order::metis}},
      {"GMRES", {linear_method::gmres_circulant, lu_order::automatic}},
  };
  std::printf("| %s | %d | %d |", argv[1], c->planes, m->n);
  for (const row& r : rows) {
    // A profile beyond 2e10 multiply-adds takes minutes and gigabytes.
    if (r.choice.method == linear_method::profile && profile_work > 2e10) {
      std::printf(" (%.2g multiply-adds) |", profile_work);
      continue;
    }
    double entries = 0.0;
    const double ms = solver_ms(m, rhs, r.choice, layout, &entries);
    std::printf(" %.3g ms, %.3g |", ms, entries);
  }
  double entries = 0.0;
  const double ms = umfpack_ms(m, rhs, &entries);
  std::printf(" %.3g ms, %.3g |\n", ms, entries);
  return 0;
}
