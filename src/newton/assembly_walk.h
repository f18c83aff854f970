// The walk of one assembly, shared by the plain assembly and the mapped one:
// every node, neighbour, unknown dvar and conection entry in order, one
// `calc_res` call each, then the period equation. Each call's Jacobian
// entries go to `sink.add(row, col, value)`, after `sink.begin_call()`.
#pragma once

#include "elements/calc_res.h"
#include "model/codes.h"
#include "model/lookups.h"
#include "sparse/matrix.h"
#include "support/fatal.h"

namespace pss {

template <class sink>
void assem_node_res_into(circuit* c, node* n, neighbour* nb, real_vector* residual, sink& out) {
  // k counts the node's dvars across all its groups; with the one voltage
  // group every node carries, it is the solution slot.
  int k = 0;
  entry_list entries;
  for (dvar_group* g : each(n->dvar_groups)) {
    for (dvar* d = g->dvars; d != nullptr; d = d->next, ++k) {
      if (d->number < 0) continue;
      dvar_group* nb_group = find_dvar_group(nb->node->dvar_groups, g->id);
      for (conection_entry* e : each(nb->conections)) {
        out.begin_call();
        residual->values[d->number] +=
            calc_res_into(e->conection->type, c, n, nb->node, g, nb_group, e, k, entries);
        for (int32_t i = 0; i < entries.count; ++i) {
          out.add(d->number, entries.cols[i], entries.values[i]);
        }
      }
    }
  }
}

template <class sink>
void assem_period_equation_into(circuit* c, dvar* period, real_vector* residual, sink& out) {
  const int32_t row = period->number;
  const double t = period->value;
  conection_entry* list = c->nodelists;
  const double w = find_attribute(list->conection, attr::dvdf)->value;
  // The second to fifth nodes of the list: slot 1 against slot 0.
  dvar* slot0[4];
  dvar* slot1[4];
  double sum = 0.0;
  node_ref* r = list->nodes->next;
  for (int i = 0; i < 4; ++i, r = r->next) {
    dvar_group* v = find_dvar_group(r->node->dvar_groups, group_id::voltage);
    slot0[i] = nth_dvar(v, 0);
    slot1[i] = nth_dvar(v, 1);
    sum += slot1[i]->value - slot0[i]->value;
  }
  residual->values[row] += t * sum + w;
  out.begin_call();
  out.add(row, row, -sum);
  for (int i = 0; i < 4; ++i) {
    out.add(row, slot0[i]->number, t);
    out.add(row, slot1[i]->number, -t);
  }
}

// The rows of the nodes from `first` up to (not including) `end` in the
// chain; end = nullptr runs to the chain's end.
template <class sink>
void assem_nodes_into(circuit* c, node* first, node* end, real_vector* residual, sink& out) {
  for (node* n = first; n != end; n = n->next) {
    for (neighbour* nb : each(n->neighbours)) assem_node_res_into(c, n, nb, residual, out);
  }
}

// The rows of the global unknowns (the period).
template <class sink>
void assem_globals_into(circuit* c, real_vector* residual, sink& out) {
  for (dvar_group* g : each(c->global_dvars)) {
    if (g->dvars->number < 0) continue;
    if (g->id != group_id::period) fatal("error, assem_mat_res: unrecognised global dvar\n");
    assem_period_equation_into(c, g->dvars, residual, out);
  }
}

template <class sink>
void assem_mat_res_into(circuit* c, real_vector* residual, sink& out) {
  assem_nodes_into(c, c->nodes, nullptr, residual, out);
  assem_globals_into(c, residual, out);
}

}  // namespace pss
