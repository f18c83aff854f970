// matrix_create: numbers the unknowns of a circuit and derives the pattern of
// its Jacobian from the topology (neighbours, conections that read further
// nodes, twins, the period unknown and the circuit's node lists).
//
// The numbering is done in a pass of its own before any column is entered,
// so every column in every list is the unknown's final number, whatever the
// numbers were before.
#include <cstddef>
#include <vector>

#include "model/codes.h"
#include "model/lookups.h"
#include "sparse/blocks.h"
#include "sparse/pattern.h"
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

// The row of every unknown slot of every node, at index × dvars_per_node + g
// (g counting the node's unknowns), and the couplings found so far. A slot
// that no unknown owns has row -1, and what is entered there is dropped, as
// is a slot beyond the table (a dvar position past dvars_per_node in a
// malformed circuit).
struct slot_table {
  std::vector<int32_t> row_of_slot;
  int32_t dvars_per_node;
  int32_t period_row;  // -1 when the period is fixed
  pattern_pairs pairs;

  int32_t slot(int32_t index, int32_t g) const {
    const std::size_t at = static_cast<std::size_t>(index) * dvars_per_node + g;
    return at < row_of_slot.size() ? row_of_slot[at] : -1;
  }
};

void enter(slot_table& table, int32_t row, const dvar* d) {
  if (row >= 0) pattern_enter(table.pairs, row, d->number);
}

void enter_unknowns_of(slot_table& table, int32_t row, const node* w) {
  for (dvar_group* g : each(w->dvar_groups)) {
    for (dvar* d : each(g->dvars)) {
      if (is_unknown(d)) enter(table, row, d);
    }
  }
}

// Node chain order, twinned nodes skipped (they share their
// representative's dvars), group order, dvar order; then the period. Each
// numbered unknown's slot gets its row.
int32_t number_unknowns(circuit* c, dvar* period, bool has_period_row, slot_table& table) {
  int32_t i = 0;
  for (node* n : each(c->nodes)) {
    if (n->twin != nullptr) continue;
    int32_t g = 0;
    for (dvar_group* group : each(n->dvar_groups)) {
      for (dvar* d : each(group->dvars)) {
        if (!is_unknown(d)) continue;
        d->number = i++;
        const std::size_t at = static_cast<std::size_t>(n->index) * table.dvars_per_node + g++;
        if (at < table.row_of_slot.size()) table.row_of_slot[at] = d->number;
      }
    }
  }
  if (has_period_row) {
    period->number = i++;
    table.period_row = period->number;
  }
  return i;
}

// The couplings that a conection entry with a node list adds for unknown u
// (position l of group G) of node N, whose representative has index t.
void enter_node_list(slot_table& table, int32_t row, const conection_entry* e,
                     const dvar_group* group, int32_t l, const dvar* u, int32_t t) {
  for (node_ref* ref : each(e->nodes)) {
    const node* h = ref->node;
    dvar_group* hg = find_dvar_group(h->dvar_groups, group->id);
    dvar* coupled = hg == nullptr ? nullptr : dvar_at(hg, l);
    if (coupled == nullptr || !is_unknown(coupled)) continue;
    const int32_t th = representative(h)->index;
    if (th < t) {
      enter(table, row, coupled);
    } else if (th > t) {
      enter(table, table.slot(th, l), u);
    }
    if (table.period_row >= 0) {
      enter(table, table.period_row, u);
      enter(table, table.period_row, coupled);
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
        const int32_t row = table.slot(t, g++);
        for (neighbour* nb : each(n->neighbours)) {
          if (representative(nb->node)->index < t) enter_unknowns_of(table, row, nb->node);
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
      enter(table, table.slot(m->index, 1), m->dvar_groups->dvars);
    }
    for (node_ref* ref : each(list->nodes->next)) {
      enter_unknowns_of(table, table.period_row, ref->node);
    }
  }
}

}  // namespace

matrix* matrix_create(circuit* c) {
  dvar* period = period_dvar(c);
  const bool has_period_row = period != nullptr && is_unknown(period);

  slot_table table{};
  table.dvars_per_node = c->dvars_per_node;
  table.period_row = -1;
  table.row_of_slot.assign(static_cast<std::size_t>(c->planes) *
                               static_cast<std::size_t>(c->nodes_per_plane) *
                               static_cast<std::size_t>(c->dvars_per_node),
                           -1);

  const int32_t n = number_unknowns(c, period, has_period_row, table);
  if (n == 0) return nullptr;
  for (node* nd : each(c->nodes)) enter_node_couplings(table, nd);
  if (has_period_row) enter_nodelist_couplings(table, c);

  const pattern_rows rows = pattern_sort(table.pairs, n);
  if (has_period_row && rows.start[n] == rows.start[n - 1]) {
    fatal("error, matrix_create: empty row\n");
  }
  matrix* m = matrix_block(n, rows.cols.size(), "matrix_create: calloc failed\n");
  void* block = m;  // the matrix record heads its block
  for (int32_t i = 0; i < n; ++i) {
    matrix_row& row = m->rows[i];
    row.count = rows.start[i + 1] - rows.start[i];
    if (row.count == 0) continue;
    row.entries = carve<matrix_entry>(block, static_cast<std::size_t>(row.count));
    for (int32_t k = 0; k < row.count; ++k) row.entries[k].col = rows.cols[rows.start[i] + k];
  }
  return m;
}

}  // namespace pss
