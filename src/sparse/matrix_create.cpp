// matrix_create: numbers the unknowns of a circuit and derives the pattern of
// its Jacobian from the topology (neighbours, conections that read further
// nodes, twins, the period unknown and the circuit's node lists).
//
// The numbering is done in a pass of its own before any column is entered,
// so every column in every list is the unknown's final number, whatever the
// numbers were before.
#include <cstddef>

#include "model/codes.h"
#include "model/lookups.h"
#include "sparse/blocks.h"
#include "sparse/column_list.h"
#include "support/fatal.h"

namespace pss {

bool uses_node_list(const conection* con) {
  return con->type > 500 || con->type == conection_type::igen ||
         con->type == conection_type::vsource;
}

namespace {

bool is_unknown(const dvar* d) {
  return d->number >= 0;
}

// The end of the node's twin chain; it owns the node's rows. Twin links
// always lead to lower indices, so the representative comes first in the
// node chain.
const node* representative(const node* n) {
  while (n->twin != nullptr) n = n->twin;
  return n;
}

dvar* period_dvar(const circuit* c) {
  dvar_group* g = find_dvar_group(c->global_dvars, group_id::period);
  return g == nullptr ? nullptr : g->dvars;
}

// The dvar at position l of the group, or nullptr when the group is shorter.
dvar* dvar_at(dvar_group* g, int32_t l) {
  dvar* d = g->dvars;
  for (int32_t k = 0; d != nullptr && k < l; ++k) d = d->next;
  return d;
}

// One list per unknown slot of every node, at index × dvars_per_node + g,
// then the period row's list.
struct slot_table {
  column_list* lists;
  std::size_t node_slots;
  int32_t dvars_per_node;
  bool has_period_row;

  // A slot beyond the table (a dvar position past dvars_per_node in a
  // malformed circuit) has no list; what would go there is dropped.
  column_list* slot(int32_t index, int32_t g) {
    const std::size_t at = static_cast<std::size_t>(index) * dvars_per_node + g;
    return at < node_slots ? &lists[at] : nullptr;
  }
  column_list* period_row() { return &lists[node_slots]; }
};

void enter(column_list* list, const dvar* d) {
  if (list != nullptr) column_list_insert(list, d);
}

void enter_unknowns_of(column_list* list, const node* w) {
  for (dvar_group* g : each(w->dvar_groups)) {
    for (dvar* d : each(g->dvars)) {
      if (is_unknown(d)) enter(list, d);
    }
  }
}

// Node chain order, twinned nodes skipped (they share their
// representative's dvars), group order, dvar order; then the period.
int32_t number_unknowns(circuit* c, dvar* period, bool has_period_row) {
  int32_t i = 0;
  for (node* n : each(c->nodes)) {
    if (n->twin != nullptr) continue;
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d : each(g->dvars)) {
        if (is_unknown(d)) d->number = i++;
      }
    }
  }
  if (has_period_row) period->number = i++;
  return i;
}

// The couplings that a conection entry with a node list adds for unknown u
// (position l of group G) of node N, whose representative has index t.
void enter_node_list(slot_table& table, column_list* row, const conection_entry* e,
                     const dvar_group* group, int32_t l, const dvar* u, int32_t t) {
  for (node_ref* ref : each(e->nodes)) {
    const node* h = ref->node;
    dvar_group* hg = find_dvar_group(h->dvar_groups, group->id);
    dvar* coupled = hg == nullptr ? nullptr : dvar_at(hg, l);
    if (coupled == nullptr || !is_unknown(coupled)) continue;
    const int32_t th = representative(h)->index;
    if (th < t) {
      enter(row, coupled);
    } else if (th > t) {
      enter(table.slot(th, l), u);
    }
    if (table.has_period_row) {
      enter(table.period_row(), u);
      enter(table.period_row(), coupled);
    }
  }
}

void enter_node_couplings(slot_table& table, const node* n) {
  const int32_t t = representative(n)->index;
  int32_t g = 0;
  for (dvar_group* group : each(n->dvar_groups)) {
    int32_t l = 0;
    for (dvar* u : each(group->dvars)) {
      if (is_unknown(u)) {
        column_list* row = table.slot(t, g++);
        for (neighbour* nb : each(n->neighbours)) {
          if (representative(nb->node)->index < t) enter_unknowns_of(row, nb->node);
          for (conection_entry* e : each(nb->conections)) {
            if (uses_node_list(e->conection) && e->nodes != nullptr) {
              enter_node_list(table, row, e, group, l, u, t);
            }
          }
        }
      }
      ++l;
    }
  }
}

// The period equation reads the slot-0 and slot-1 voltages of the nodelist's
// second and later nodes; its first node's second slot couples to its first.
void enter_nodelist_couplings(slot_table& table, const circuit* c) {
  for (conection_entry* list : each(c->nodelists)) {
    const node* m = list->nodes->node;
    if (m->dvar_groups != nullptr && is_unknown(m->dvar_groups->dvars)) {
      enter(table.slot(m->index, 1), m->dvar_groups->dvars);
    }
    for (node_ref* ref : each(list->nodes->next)) enter_unknowns_of(table.period_row(), ref->node);
  }
}

// Calls visit(row number, list) for every node row in equation order.
template <class visitor>
void for_each_node_row(const circuit* c, slot_table& table, visitor visit) {
  for (node* n : each(c->nodes)) {
    if (n->twin != nullptr) continue;
    int32_t g = 0;
    for (dvar_group* group : each(n->dvar_groups)) {
      for (dvar* d : each(group->dvars)) {
        if (is_unknown(d)) visit(d->number, table.slot(n->index, g++));
      }
    }
  }
}

void fill_row(void* block, matrix_row& row, const column_list* list) {
  if (list == nullptr || list->count == 0) return;
  row.count = list->count;
  row.entries = carve<matrix_entry>(block, static_cast<std::size_t>(list->count));
  int32_t k = 0;
  for (const column_item* it = list->head; it != nullptr; it = it->next)
    row.entries[k++].col = it->col;
}

}  // namespace

matrix* matrix_create(circuit* c) {
  dvar* period = period_dvar(c);
  const bool has_period_row = period != nullptr && is_unknown(period);

  slot_table table{};
  table.dvars_per_node = c->dvars_per_node;
  table.node_slots = static_cast<std::size_t>(c->planes) *
                     static_cast<std::size_t>(c->nodes_per_plane) *
                     static_cast<std::size_t>(c->dvars_per_node);
  table.has_period_row = has_period_row;
  table.lists =
      static_cast<column_list*>(sparse_calloc_or_die(table.node_slots + 1, sizeof(column_list)));

  const int32_t n = number_unknowns(c, period, has_period_row);
  if (n > 0) {
    for (node* nd : each(c->nodes)) enter_node_couplings(table, nd);
    if (has_period_row) enter_nodelist_couplings(table, c);
  }

  matrix* m = nullptr;
  const bool empty_period_row = n > 0 && has_period_row && table.period_row()->count == 0;
  if (n > 0 && !empty_period_row) {
    std::size_t entries = has_period_row ? table.period_row()->count : 0;
    for_each_node_row(c, table, [&](int32_t, const column_list* list) {
      if (list != nullptr) entries += list->count;
    });
    m = matrix_block(n, entries, "matrix_create: calloc failed\n");
    void* block = m;  // the matrix record heads its block
    for_each_node_row(
        c, table, [&](int32_t k, const column_list* list) { fill_row(block, m->rows[k], list); });
    if (has_period_row) fill_row(block, m->rows[n - 1], table.period_row());
  }

  for (std::size_t s = 0; s <= table.node_slots; ++s) column_list_free(&table.lists[s]);
  sparse_free(table.lists);
  // After the release, so that a process that goes on after a fatal stop
  // (the fuzzing of whole jobs) keeps no table.
  if (empty_period_row) fatal("error, matrix_create: empty row\n");
  return m;
}

}  // namespace pss
