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

namespace {

template <class test>
bool any_type(const std::vector<node*>& nodes, test&& wanted) {
  for (node* n : nodes) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        if (wanted(e->conection->type)) return true;
      }
    }
  }
  return false;
}

}  // namespace

bool nodes_carry(const std::vector<node*>& nodes, bool (*wanted)(int32_t type)) {
  return any_type(nodes, wanted);
}

bool planes_carry_type(circuit* c, int32_t type) {
  return any_type(first_plane_nodes(c), [type](int32_t t) { return t == type; });
}

}  // namespace pss
