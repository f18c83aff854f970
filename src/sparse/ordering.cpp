#include "sparse/ordering.h"

#include <algorithm>

namespace pss {

adjacency adjacency_of(const matrix* m, int32_t left_out) {
  const int32_t n = m->n;
  std::vector<int32_t> degree(static_cast<std::size_t>(n), 0);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t k = 0; k < m->rows[i].count; ++k) {
      const int32_t j = m->rows[i].entries[k].col;
      if (i == left_out || j == left_out) continue;
      ++degree[static_cast<std::size_t>(i)];
      ++degree[static_cast<std::size_t>(j)];
    }
  }
  adjacency a;
  a.start.assign(static_cast<std::size_t>(n) + 1, 0);
  for (int32_t i = 0; i < n; ++i) a.start[i + 1] = a.start[i] + degree[static_cast<std::size_t>(i)];
  a.next.resize(static_cast<std::size_t>(a.start[n]));
  std::vector<int32_t> fill(a.start.begin(), a.start.end() - 1);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t k = 0; k < m->rows[i].count; ++k) {
      const int32_t j = m->rows[i].entries[k].col;
      if (i == left_out || j == left_out) continue;
      a.next[static_cast<std::size_t>(fill[i]++)] = j;
      a.next[static_cast<std::size_t>(fill[j]++)] = i;
    }
  }
  return a;
}

namespace {

int32_t degree_of(const adjacency& a, int32_t v) {
  return a.start[v + 1] - a.start[v];
}

// Breadth-first levels from `root` over unvisited vertices, neighbours taken
// by rising degree; appends the visit order to `order` and returns the last
// vertex of least degree in the deepest level.
int32_t breadth_first(const adjacency& a, int32_t root, std::vector<char>& visited,
                      std::vector<int32_t>& order) {
  const std::size_t first = order.size();
  order.push_back(root);
  visited[static_cast<std::size_t>(root)] = 1;
  std::size_t level_start = first;
  std::size_t level_end = order.size();
  for (std::size_t at = first; at < order.size(); ++at) {
    if (at == level_end) {
      level_start = level_end;
      level_end = order.size();
    }
    const int32_t v = order[at];
    const std::size_t added = order.size();
    for (int32_t k = a.start[v]; k < a.start[v + 1]; ++k) {
      const int32_t w = a.next[static_cast<std::size_t>(k)];
      if (!visited[static_cast<std::size_t>(w)]) {
        visited[static_cast<std::size_t>(w)] = 1;
        order.push_back(w);
      }
    }
    // A stable insertion sort of the few new neighbours by degree: the
    // order a stable sort gives, without its buffer.
    for (std::size_t i = added + 1; i < order.size(); ++i) {
      const int32_t w = order[i];
      const int32_t d = degree_of(a, w);
      std::size_t j = i;
      for (; j > added && degree_of(a, order[j - 1]) > d; --j) order[j] = order[j - 1];
      order[j] = w;
    }
  }
  level_start = std::min(level_start, order.size() - 1);
  int32_t far = order.back();
  for (std::size_t at = level_start; at < order.size(); ++at) {
    if (degree_of(a, order[at]) < degree_of(a, far)) far = order[at];
  }
  return far;
}

// Cuthill-McKee from a far-out vertex of one connected part.
void order_component(const adjacency& a, int32_t seed, std::vector<char>& visited,
                     std::vector<int32_t>& order, std::vector<int32_t>& scratch) {
  // Two sweeps find a vertex near the rim of the part, which keeps the
  // levels, and with them the profile, narrow. A sweep's marks are taken
  // back after it: the vertices it reached are the ones it listed.
  int32_t root = seed;
  for (int sweep = 0; sweep < 2; ++sweep) {
    scratch.clear();
    root = breadth_first(a, root, visited, scratch);
    for (int32_t v : scratch) visited[static_cast<std::size_t>(v)] = 0;
  }
  breadth_first(a, root, visited, order);
}

}  // namespace

equation_order narrow_profile_order(const matrix* m, bool keep_last) {
  const int32_t n = m->n;
  const int32_t kept_last = keep_last ? n - 1 : -1;
  const adjacency a = adjacency_of(m, kept_last);
  std::vector<char> visited(static_cast<std::size_t>(n), 0);
  if (keep_last) visited[static_cast<std::size_t>(kept_last)] = 1;
  std::vector<int32_t> order;
  order.reserve(static_cast<std::size_t>(n));
  std::vector<int32_t> scratch;
  scratch.reserve(static_cast<std::size_t>(n));
  for (int32_t v = 0; v < n; ++v) {
    if (!visited[static_cast<std::size_t>(v)]) order_component(a, v, visited, order, scratch);
  }
  std::reverse(order.begin(), order.end());
  if (keep_last) order.push_back(kept_last);
  equation_order result;
  result.old_of_new = std::move(order);
  result.new_of_old.resize(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i)
    result.new_of_old[static_cast<std::size_t>(result.old_of_new[i])] = i;
  return result;
}

std::vector<int32_t> first_columns(const matrix* m, const equation_order* order) {
  const int32_t n = m->n;
  std::vector<int32_t> first(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) first[static_cast<std::size_t>(i)] = i;
  for (int32_t r = 0; r < n; ++r) {
    for (int32_t k = 0; k < m->rows[r].count; ++k) {
      int32_t a = r;
      int32_t b = m->rows[r].entries[k].col;
      if (order != nullptr) {
        a = order->new_of_old[static_cast<std::size_t>(a)];
        b = order->new_of_old[static_cast<std::size_t>(b)];
      }
      const int32_t row = std::max(a, b);
      first[static_cast<std::size_t>(row)] =
          std::min(first[static_cast<std::size_t>(row)], std::min(a, b));
    }
  }
  return first;
}

double profile_work(const matrix* m, const equation_order* order) {
  const std::vector<int32_t> first = first_columns(m, order);
  double work = 0.0;
  for (int32_t i = 0; i < m->n; ++i) {
    const double width = i - first[static_cast<std::size_t>(i)];
    work += width * width;
  }
  return work;
}

}  // namespace pss
