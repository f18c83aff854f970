// Times one Newton step's linear solve of the oscillator's coupled double
// PSS system on N planes, in the equations' own order and renumbered, in one
// run, and the assembly of the same system for scale. The coupled system is
// the largest a job solves: two slots, the injection node freed and the
// period equation as the last, full row.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "model/codes.h"
#include "model/lookups.h"
#include "model/read_network.h"
#include "newton/assemble.h"
#include "planes/expand.h"
#include "run/double_runs.h"
#include "sparse/solve.h"
#include "tools/pss_net/net_text.h"

namespace {

using namespace pss;
using clock_type = std::chrono::steady_clock;

std::vector<uint8_t> oscillator_bytes() {
  std::ifstream in(std::string(PSS_SOURCE_DIR) + "/tests/data/oscillator.txt");
  std::stringstream text;
  text << in.rdbuf();
  net_file file;
  std::string error;
  if (!text_to_net(text.str(), file, error)) std::fprintf(stderr, "%s\n", error.c_str());
  return write_network(file);
}

// The coupled system of the oscillator on `planes` planes, with voltages on
// a sine so that no pivot is zero.
circuit* coupled_oscillator(network& net, int planes) {
  read_network_bytes(net, oscillator_bytes());
  circuit* c = net.circuit;
  c->planes = planes;
  expand_time_planes(c);
  make_double_dvars(c);
  find_dvar_group(c->global_dvars, group_id::period)->dvars->number = 0;
  dvar_group* m = find_dvar_group(c->nodelists->nodes->node->dvar_groups, group_id::voltage);
  m->dvars->number = m->dvars->next->number = 0;
  int j = 0;
  for (node* n : each(c->nodes)) {
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d : each(g->dvars)) {
        if (d->number >= 0) d->value = std::sin(0.37 * ++j);
      }
    }
  }
  return c;
}

template <class work>
double best_ms(int repeats, work&& w) {
  double best = 1e300;
  for (int r = 0; r < repeats; ++r) {
    const auto start = clock_type::now();
    w();
    best = std::min(best,
                    std::chrono::duration<double, std::milli>(clock_type::now() - start).count());
  }
  return best;
}

void bench_planes(int planes) {
  network net;
  circuit* c = coupled_oscillator(net, planes);
  matrix* m = matrix_create(c);
  real_vector* residual = vector_create(m->n);
  const double assemble = best_ms(5, [&] {
    matrix_zero(m);
    vector_zero(residual);
    assem_mat_res(c, m, residual);
  });
  real_vector* b = vector_create(m->n);
  auto solve_with = [&](void (*solve)(const matrix*, real_vector*)) {
    return best_ms(planes >= 512 ? 2 : 5, [&] {
      for (int32_t i = 0; i < m->n; ++i) b->values[i] = residual->values[i];
      solve(m, b);
    });
  };
  const double own = solve_with(matrix_solve_in_own_order);
  const double renumbered = solve_with(matrix_solve);
  std::printf("%6d %7d %12.3f %12.3f %8.1f %12.3f\n", planes, m->n, own, renumbered,
              own / renumbered, assemble);
  vector_free(b);
  vector_free(residual);
  mat_free(m);
}

}  // namespace

int main() {
  std::printf("coupled oscillator system, one linear solve (best of several), ms\n");
  std::printf("%6s %7s %12s %12s %8s %12s\n", "planes", "n", "own order", "renumbered", "ratio",
              "assembly");
  for (int planes : {32, 64, 128, 256, 512, 1024}) bench_planes(planes);
  return 0;
}
