#include "planes/plane_walk.h"

namespace pss {

std::vector<node*> first_plane_nodes(circuit* c) {
  std::vector<node*> first;
  node* n = c->nodes;
  while (n != nullptr) {
    if (n->index % c->planes == 0) first.push_back(n);
    node* last = n->prev_plane;
    const bool ring = last != nullptr && last->index == n->index + c->planes - 1;
    n = ring && n->index % c->planes == 0 ? last->next : n->next;
  }
  return first;
}

bool planes_carry_type(circuit* c, int32_t type) {
  for (node* n : first_plane_nodes(c)) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        if (e->conection->type == type) return true;
      }
    }
  }
  return false;
}

}  // namespace pss
