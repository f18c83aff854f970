// The neighbours of the plane copies: each copy mirrors the neighbour list of
// its node as read, with every node replaced by that node's copy in the same
// plane. The conection records themselves are shared by all planes; only the
// node lists are per entry.
#include <vector>

#include "planes/expand.h"
#include "support/fatal.h"

namespace pss {

namespace {

// Nodes by their new index (0 .. planes * nodes_per_plane - 1).
std::vector<node*> nodes_by_index(circuit* c) {
  std::vector<node*> table;
  for (node* n = c->nodes; n != nullptr; n = n->next) table.push_back(n);
  return table;
}

node* copy_in_plane(const std::vector<node*>& table, const node* n, int plane) {
  const int64_t index = int64_t{n->index} + plane;
  if (index < 0 || index >= static_cast<int64_t>(table.size())) {
    fatal("error, get_node_with_index: node[%lld] not found\n", static_cast<long long>(index));
  }
  return table[static_cast<std::size_t>(index)];
}

node_ref* copy_refs(circuit* c, const std::vector<node*>& table, const node_ref* refs, int plane) {
  node_ref* first = nullptr;
  node_ref** tail = &first;
  for (const node_ref* r = refs; r != nullptr; r = r->next) {
    node_ref* copy = arena_new<node_ref>(*c->memory);
    copy->node = copy_in_plane(table, r->node, plane);
    *tail = copy;
    tail = &copy->next;
  }
  return first;
}

neighbour* copy_neighbours(circuit* c, const std::vector<node*>& table, const node* x, int plane) {
  neighbour* first = nullptr;
  neighbour** tail = &first;
  for (const neighbour* nb = x->neighbours; nb != nullptr; nb = nb->next) {
    neighbour* copy = arena_new<neighbour>(*c->memory);
    copy->node = copy_in_plane(table, nb->node, plane);
    conection_entry** entry_tail = &copy->conections;
    for (const conection_entry* e = nb->conections; e != nullptr; e = e->next) {
      conection_entry* entry = arena_new<conection_entry>(*c->memory);
      entry->conection = e->conection;
      entry->nodes = copy_refs(c, table, e->nodes, plane);
      *entry_tail = entry;
      entry_tail = &entry->next;
    }
    *tail = copy;
    tail = &copy->next;
  }
  return first;
}

}  // namespace

void copy_plane_neighbours(circuit* c) {
  const std::vector<node*> table = nodes_by_index(c);
  const int planes = c->planes;
  for (std::size_t at = 0; at < table.size(); at += static_cast<std::size_t>(planes)) {
    node* x = table[at];
    node* copy = x->next;
    for (int plane = 1; plane < planes; ++plane, copy = copy->next) {
      copy->neighbours = copy_neighbours(c, table, x, plane);
    }
  }
}

}  // namespace pss
