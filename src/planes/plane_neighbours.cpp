// The neighbours of the plane copies: each copy mirrors the neighbour list of
// its node as read, with every node replaced by that node's copy in the same
// plane. The conection records themselves are shared by all planes; only the
// node lists are per entry.
#include <vector>

#include "planes/expand.h"
#include "support/fatal.h"
#include "support/side_by_side.h"

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

node_ref* copy_refs(arena& memory, const std::vector<node*>& table, const node_ref* refs,
                    int plane) {
  node_ref* first = nullptr;
  node_ref** tail = &first;
  for (const node_ref* r = refs; r != nullptr; r = r->next) {
    node_ref* copy = arena_new<node_ref>(memory);
    copy->node = copy_in_plane(table, r->node, plane);
    *tail = copy;
    tail = &copy->next;
  }
  return first;
}

neighbour* copy_neighbours(arena& memory, const std::vector<node*>& table, const node* x,
                           int plane) {
  neighbour* first = nullptr;
  neighbour** tail = &first;
  for (const neighbour* nb = x->neighbours; nb != nullptr; nb = nb->next) {
    neighbour* copy = arena_new<neighbour>(memory);
    copy->node = copy_in_plane(table, nb->node, plane);
    conection_entry** entry_tail = &copy->conections;
    for (const conection_entry* e = nb->conections; e != nullptr; e = e->next) {
      conection_entry* entry = arena_new<conection_entry>(memory);
      entry->conection = e->conection;
      entry->nodes = copy_refs(memory, table, e->nodes, plane);
      *entry_tail = entry;
      entry_tail = &entry->next;
    }
    *tail = copy;
    tail = &copy->next;
  }
  return first;
}

// Node x's copies in planes 1 … N − 1 (in the chain after x).
void copy_node(arena& memory, const std::vector<node*>& table, node* x, int planes) {
  node* copy = x->next;
  for (int plane = 1; plane < planes; ++plane, copy = copy->next) {
    copy->neighbours = copy_neighbours(memory, table, x, plane);
  }
}

// The nodes as read from `first` up to `last` (their plane 0 at
// table[k · N]), copied and their lists extended, plane 0's last: the
// copies are made from its lists as read.
struct node_span {
  const std::vector<node*>* table;
  int planes;
  std::size_t first, last;
  arena* memory;
};

void copy_and_extend(const node_span& span) {
  const auto planes = static_cast<std::size_t>(span.planes);
  for (std::size_t k = span.first; k < span.last; ++k) {
    node* x = (*span.table)[k * planes];
    copy_node(*span.memory, *span.table, x, span.planes);
    node* y = x;
    for (std::size_t plane = 0; plane < planes; ++plane, y = y->next) {
      extend_lists_of(*span.memory, y);
    }
  }
}

// From this many node copies on, the work is shared by two threads.
constexpr std::size_t smallest_shared_copy = 20000;

// Where to split the nodes as read so that each half has about as many
// conection entries to copy.
std::size_t balanced_split(const std::vector<node*>& table, std::size_t planes) {
  const std::size_t count = table.size() / planes;
  std::vector<std::size_t> weight(count);
  std::size_t total = 0;
  for (std::size_t k = 0; k < count; ++k) {
    std::size_t entries = 1;
    for (neighbour* nb : each(table[k * planes]->neighbours)) {
      for (conection_entry* e = nb->conections; e != nullptr; e = e->next) ++entries;
    }
    weight[k] = entries;
    total += entries;
  }
  std::size_t sum = 0;
  for (std::size_t k = 0; k < count; ++k) {
    sum += weight[k];
    if (2 * sum >= total) return k + 1;
  }
  return count;
}

}  // namespace

void copy_plane_neighbours(circuit* c) {
  const std::vector<node*> table = nodes_by_index(c);
  const int planes = c->planes;
  for (std::size_t at = 0; at < table.size(); at += static_cast<std::size_t>(planes)) {
    copy_node(*c->memory, table, table[at], planes);
  }
}

void copy_and_extend_plane_neighbours(circuit* c) {
  const std::vector<node*> table = nodes_by_index(c);
  const auto planes = static_cast<std::size_t>(c->planes);
  const std::size_t count = table.size() / planes;
  if (c->second_memory == nullptr || table.size() < smallest_shared_copy) {
    copy_and_extend({&table, c->planes, 0, count, c->memory});
    return;
  }
  // Each half writes only its own nodes' records, carved from its own
  // arena; both read plane 0 and the rings, which no one changes now.
  const std::size_t split = balanced_split(table, planes);
  node_span halves[2] = {{&table, c->planes, 0, split, c->memory},
                         {&table, c->planes, split, count, c->second_memory}};
  run_side_by_side([](void* h) { copy_and_extend(static_cast<node_span*>(h)[0]); },
                   [](void* h) { copy_and_extend(static_cast<node_span*>(h)[1]); }, halves);
}

}  // namespace pss
