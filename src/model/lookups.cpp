#include "model/lookups.h"

#include <memory>
#include <vector>

#include "support/fatal.h"

namespace pss {

namespace {

// Jacobian entries are made and freed in every model call of every Newton
// iteration; recycling them keeps the heap out of the assembly loop.
struct entry_pool {
  std::vector<std::unique_ptr<tagged_value[]>> chunks;
  tagged_value* free_list = nullptr;
};

entry_pool& pool() {
  static entry_pool instance;
  return instance;
}

void refill(entry_pool& p) {
  constexpr int chunk_entries = 1024;
  p.chunks.emplace_back(new tagged_value[chunk_entries]);
  tagged_value* chunk = p.chunks.back().get();
  for (int i = 0; i < chunk_entries; ++i) {
    chunk[i].next = p.free_list;
    p.free_list = &chunk[i];
  }
}

}  // namespace

tagged_value* tagged_value_new(int32_t tag, double value, tagged_value* prev) {
  entry_pool& p = pool();
  if (p.free_list == nullptr) refill(p);
  tagged_value* entry = p.free_list;
  p.free_list = entry->next;
  *entry = tagged_value{tag, value, nullptr};
  if (prev != nullptr) prev->next = entry;
  return entry;
}

void tagged_value_free(tagged_value* entry) {
  entry_pool& p = pool();
  entry->next = p.free_list;
  p.free_list = entry;
}

tagged_value* find_attribute(const conection* con, int32_t id) {
  return find_value(con->attributes, id);
}

node* get_node_with_index(const circuit* c, int32_t target) {
  node* cur = c->nodes;
  while (cur != nullptr) {
    int32_t best = cur->index;
    if (best < target) {
      // Jump ahead through the neighbours of the node where this scan began.
      for (neighbour* nb : each(cur->neighbours)) {
        if (nb->node == nullptr || nb->node->index <= best) continue;
        if (nb->node->index > target) break;
        cur = nb->node;
        best = cur->index;
      }
    }
    if (best == target) return cur;
    if (best > target) break;
    cur = cur->next;
  }
  fatal("error, get_node_with_index: node[%d] not found\n", target);
}

conection_entry* get_conection(const node* from, const node* to, int32_t id) {
  for (neighbour* nb : each(from->neighbours)) {
    if (nb->node != to) continue;
    for (conection_entry* e : each(nb->conections)) {
      if (e->conection->id == id) return e;
    }
    fatal("error, get_conection: conection not found\nnode[%d], node[%d], con[%d]\n", from->index,
          to->index, id);
  }
  fatal("error, get_conection: neighbour not found\nnode[%d], node[%d]\n", from->index, to->index);
}

double plane_time_diff(const node* a, const node* b) {
  const double diff = find_value(a->params, 0)->value - find_value(b->params, 0)->value;
  return diff < 0.0 ? diff + 1.0 : diff;
}

std::string conection_name(const conection* con) {
  std::string name;
  for (int32_t i = 0; con->name != nullptr && i < con->name_len; ++i) {
    const auto c = static_cast<unsigned char>(con->name[i]);
    name.push_back(c < 0x20 || c == 0x7f ? '?' : static_cast<char>(c));
  }
  return name;
}

}  // namespace pss
