// Where the equations of a time-plane circuit stand: node x as read has
// index x·N + p in plane p (the expansion's numbering), and each of its
// dvars, counted across its groups, is one circuit unknown.
#include <cstddef>

#include "newton/newton_work.h"

namespace pss {

plane_layout plane_layout_of(const circuit* c, const matrix* m) {
  plane_layout layout;
  if (c->planes < 2 || m == nullptr) return layout;
  const int32_t planes = c->planes;
  const std::size_t keys =
      static_cast<std::size_t>(c->nodes_per_plane) * static_cast<std::size_t>(c->dvars_per_node);
  std::vector<int32_t> unknown_of_key(keys, -1);
  layout.unknown.assign(static_cast<std::size_t>(m->n), -1);
  layout.plane.assign(static_cast<std::size_t>(m->n), -1);
  int32_t unknowns = 0;
  for (node* n : each(c->nodes)) {
    if (n->twin != nullptr) continue;
    int32_t k = 0;
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d = g->dvars; d != nullptr; d = d->next, ++k) {
        if (d->number < 0 || d->number >= m->n) continue;
        const std::size_t key = static_cast<std::size_t>(n->index / planes) *
                                    static_cast<std::size_t>(c->dvars_per_node) +
                                static_cast<std::size_t>(k);
        if (k >= c->dvars_per_node || key >= keys) return plane_layout{};
        if (unknown_of_key[key] < 0) unknown_of_key[key] = unknowns++;
        layout.unknown[static_cast<std::size_t>(d->number)] = unknown_of_key[key];
        layout.plane[static_cast<std::size_t>(d->number)] = n->index % planes;
      }
    }
  }
  layout.planes = planes;
  layout.circuit_unknowns = unknowns;
  return layout;
}

}  // namespace pss
