// Transient sweeps through the planes as Newton's start; see sweep_start.h.
//
// Each plane's equations are the rows of its nodes' unknowns; the walk of
// the assembly gives them with their Jacobian entries, of which only the
// columns of the plane's own unknowns are kept: the other planes stand
// still. The plane's system is small (at most sweep_plane_limit unknowns)
// and solved densely.
#include "newton/sweep_start.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <utility>
#include <vector>

#include "elements/models.h"
#include "model/codes.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "newton/assembly_walk.h"
#include "planes/plane_walk.h"

namespace pss {

namespace {

// A plane's Newton iterations stop when no step exceeds this share of
// its unknown (plus 1), or fail after the limit. The sweeps are only a
// start: Newton on the whole period takes the last digits.
constexpr double plane_step_tolerance = 1e-4;
constexpr int plane_iteration_limit = 50;
// How far (relative) the last plane of the first sweep may end from where
// plane 0 began before a second sweep is made.
constexpr double second_sweep_mismatch = 1e-2;

// The unknowns of one plane's nodes, in node and group order.
std::vector<dvar*> plane_unknowns(node* const* nodes, std::size_t count) {
  std::vector<dvar*> unknowns;
  for (std::size_t i = 0; i < count; ++i) {
    for (dvar_group* g : each(nodes[i]->dvar_groups)) {
      for (dvar* d : each(g->dvars)) {
        if (d->number >= 0) unknowns.push_back(d);
      }
    }
  }
  return unknowns;
}

// The nodes of every plane, plane by plane: nodes[p * per_plane + i].
struct plane_nodes {
  std::vector<node*> nodes;
  std::size_t per_plane = 0;
};

plane_nodes nodes_by_plane(circuit* c) {
  plane_nodes by_plane;
  const std::vector<node*> first = first_plane_nodes(c);
  by_plane.per_plane = first.size();
  by_plane.nodes.resize(first.size() * static_cast<std::size_t>(c->planes));
  for (std::size_t i = 0; i < first.size(); ++i) {
    node* n = first[i];
    for (int32_t p = 0; p < c->planes; ++p, n = n->next_plane) {
      by_plane.nodes[static_cast<std::size_t>(p) * first.size() + i] = n;
    }
  }
  return by_plane;
}

// One plane's Newton system: -df/dx over the plane's own unknowns, and f.
struct plane_system {
  std::vector<int32_t> local_of;  // per equation number, -1 outside the plane
  std::vector<dvar*> unknowns;
  std::vector<double> jacobian;  // row-major, size² entries
  std::vector<double> rhs;
  real_vector* residual = nullptr;  // full size: the walk writes by equation number

  int32_t size() const { return static_cast<int32_t>(unknowns.size()); }
};

struct plane_sink {
  plane_system* s;
  void begin_call() {}
  void add(int32_t row, int32_t col, double value) {
    if (col < 0) return;
    const int32_t r = s->local_of[static_cast<std::size_t>(row)];
    const int32_t k = s->local_of[static_cast<std::size_t>(col)];
    if (r < 0 || k < 0) return;
    s->jacobian[static_cast<std::size_t>(r * s->size() + k)] += value;
  }
};

void assemble_plane(circuit* c, node* const* nodes, std::size_t count, plane_system& s) {
  std::fill(s.jacobian.begin(), s.jacobian.end(), 0.0);
  plane_sink out{&s};
  for (std::size_t i = 0; i < count; ++i) {
    for (neighbour* nb : each(nodes[i]->neighbours)) {
      assem_node_res_into(c, nodes[i], nb, s.residual, out);
    }
  }
  for (int32_t r = 0; r < s.size(); ++r) {
    double& f = s.residual->values[s.unknowns[static_cast<std::size_t>(r)]->number];
    s.rhs[static_cast<std::size_t>(r)] = f;
    f = 0.0;
  }
}

// Gaussian elimination with partial pivoting; the step replaces rhs.
// False on a zero or non-finite pivot.
bool solve_dense(std::vector<double>& a, std::vector<double>& b, int32_t n) {
  auto at = [&](int32_t r, int32_t k) -> double& { return a[static_cast<std::size_t>(r * n + k)]; };
  for (int32_t k = 0; k < n; ++k) {
    int32_t pivot = k;
    for (int32_t r = k + 1; r < n; ++r) {
      if (std::fabs(at(r, k)) > std::fabs(at(pivot, k))) pivot = r;
    }
    if (!(std::fabs(at(pivot, k)) > 0.0) || !std::isfinite(at(pivot, k))) return false;
    if (pivot != k) {
      for (int32_t j = 0; j < n; ++j) std::swap(at(k, j), at(pivot, j));
      std::swap(b[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(pivot)]);
    }
    for (int32_t r = k + 1; r < n; ++r) {
      const double factor = at(r, k) / at(k, k);
      if (factor == 0.0) continue;
      for (int32_t j = k; j < n; ++j) at(r, j) -= factor * at(k, j);
      b[static_cast<std::size_t>(r)] -= factor * b[static_cast<std::size_t>(k)];
    }
  }
  for (int32_t k = n - 1; k >= 0; --k) {
    double sum = b[static_cast<std::size_t>(k)];
    for (int32_t j = k + 1; j < n; ++j) sum -= at(k, j) * b[static_cast<std::size_t>(j)];
    b[static_cast<std::size_t>(k)] = sum / at(k, k);
  }
  return true;
}

// Newton's method on one plane's unknowns, the other planes held.
bool solve_plane(circuit* c, node* const* nodes, std::size_t count, plane_system& s) {
  for (int i = 0; i < plane_iteration_limit; ++i) {
    begin_assembly(c);
    assemble_plane(c, nodes, count, s);
    if (!solve_dense(s.jacobian, s.rhs, s.size())) return false;
    bool small = c->limited_evaluations == 0;
    for (int32_t r = 0; r < s.size(); ++r) {
      dvar* d = s.unknowns[static_cast<std::size_t>(r)];
      const double step = s.rhs[static_cast<std::size_t>(r)];
      d->value += step;
      if (!std::isfinite(d->value)) return false;
      if (std::fabs(step) > plane_step_tolerance * (std::fabs(d->value) + 1.0)) small = false;
    }
    if (small) return true;
  }
  return false;
}

// The largest difference between two sets of values of the same unknowns,
// each relative to its size plus 1.
double largest_difference(const std::vector<dvar*>& unknowns, const std::vector<double>& values) {
  double largest = 0.0;
  for (std::size_t r = 0; r < unknowns.size() && r < values.size(); ++r) {
    const double x = unknowns[r]->value;
    largest = std::max(largest, std::fabs(x - values[r]) / (std::fabs(x) + 1.0));
  }
  return largest;
}

}  // namespace

bool sweep_start_applies(circuit* c, const matrix* m) {
  if (c->planes < 2 || c->dvars_per_node != 1 || m == nullptr) return false;
  const dvar_group* period = find_dvar_group(c->global_dvars, group_id::period);
  if (period != nullptr && period->dvars->number >= 0) return false;
  // A twinned node keeps its plane 0 twinned, whatever else it shares.
  const std::vector<node*> first = first_plane_nodes(c);
  for (node* n : first) {
    if (n->twin != nullptr) return false;
  }
  if (!nodes_carry(first, keeps_junction_state)) return false;
  const std::size_t per_plane = plane_unknowns(first.data(), first.size()).size();
  return per_plane > 0 && per_plane <= static_cast<std::size_t>(sweep_plane_limit);
}

namespace {

// The unknowns of every plane, with their values before the sweeps.
struct sweep_work {
  plane_nodes by_plane;
  std::vector<std::vector<dvar*>> unknowns;  // per plane
  std::vector<double> before;                // plane by plane
  plane_system s;
  std::vector<double> previous_sweep;  // the plane's values from the sweep before
};

void values_of(const std::vector<dvar*>& unknowns, std::vector<double>& values) {
  values.resize(unknowns.size());
  for (std::size_t r = 0; r < unknowns.size(); ++r) values[r] = unknowns[r]->value;
}

// A transient's prediction for a plane from the two before it: the
// straight line through them, or the plane before when the second is not
// yet solved in this sweep (or has another layout).
void predict(const std::vector<dvar*>& here, const std::vector<dvar*>& last,
             const std::vector<dvar*>* before_last) {
  if (here.size() != last.size()) return;
  const bool line = before_last != nullptr && before_last->size() == here.size();
  for (std::size_t r = 0; r < here.size(); ++r) {
    const double x = last[r]->value;
    here[r]->value = line ? 2.0 * x - (*before_last)[r]->value : x;
  }
}

// One sweep through the planes; plane 0 of the first sweep stays as the DC
// solution put it. A later sweep stops where a plane comes out as the sweep
// before left it: the planes after it would too. False when a plane's
// Newton iterations fail.
bool sweep_once(circuit* c, sweep_work& w, int sweep) {
  const std::size_t planes = w.unknowns.size();
  const std::size_t count = w.by_plane.per_plane;
  plane_system& s = w.s;
  for (std::size_t p = 0; p < planes; ++p) {
    s.unknowns = w.unknowns[p];
    for (std::size_t r = 0; r < s.unknowns.size(); ++r) {
      s.local_of[static_cast<std::size_t>(s.unknowns[r]->number)] = static_cast<int32_t>(r);
    }
    s.jacobian.resize(s.unknowns.size() * s.unknowns.size());
    s.rhs.resize(s.unknowns.size());
    values_of(s.unknowns, w.previous_sweep);
    const std::size_t last = (p + planes - 1) % planes;
    const std::size_t before_last = (p + planes - 2) % planes;
    if (p > 0 || sweep > 0) {
      const bool line = p >= 2 || sweep > 0;
      predict(s.unknowns, w.unknowns[last], line ? &w.unknowns[before_last] : nullptr);
    }
    const bool converged = solve_plane(c, &w.by_plane.nodes[p * count], count, s);
    for (dvar* d : s.unknowns) s.local_of[static_cast<std::size_t>(d->number)] = -1;
    if (!converged) return false;
    if (sweep > 0 && largest_difference(s.unknowns, w.previous_sweep) <= plane_step_tolerance) {
      return true;
    }
  }
  return true;
}

void put_back(sweep_work& w) {
  std::size_t k = 0;
  for (const std::vector<dvar*>& plane : w.unknowns) {
    for (dvar* d : plane) d->value = w.before[k++];
  }
}

}  // namespace

bool sweep_planes(circuit* c, const matrix* m) {
  sweep_work w;
  w.by_plane = nodes_by_plane(c);
  const std::size_t count = w.by_plane.per_plane;
  w.unknowns.resize(static_cast<std::size_t>(c->planes));
  for (std::size_t p = 0; p < w.unknowns.size(); ++p) {
    w.unknowns[p] = plane_unknowns(&w.by_plane.nodes[p * count], count);
    for (dvar* d : w.unknowns[p]) w.before.push_back(d->value);
  }
  w.s.local_of.assign(static_cast<std::size_t>(m->n), -1);
  w.s.residual = vector_create(m->n);
  bool converged = sweep_once(c, w, 0);
  // Where one period from the DC solution does not come back to where it
  // began, a second sweep starts the period where the first ended.
  if (converged) {
    std::vector<double> start;
    const std::size_t k = w.unknowns.back().size();
    start.assign(w.before.begin(),
                 w.before.begin() + static_cast<std::ptrdiff_t>(std::min(k, w.unknowns[0].size())));
    if (largest_difference(w.unknowns.back(), start) > second_sweep_mismatch) {
      converged = sweep_once(c, w, 1);
    }
  }
  vector_free(w.s.residual);
  if (converged) return true;
  put_back(w);
  return false;
}

}  // namespace pss
