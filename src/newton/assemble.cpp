#include "newton/assemble.h"

#include "elements/calc_res.h"
#include "model/codes.h"
#include "model/lookups.h"
#include "support/fatal.h"

namespace pss {

void assem_node_res(circuit* c, node* n, neighbour* nb, matrix* m, real_vector* residual) {
  // k counts the node's dvars across all its groups; with the one voltage
  // group every node carries, it is the solution slot.
  int k = 0;
  for (dvar_group* g : each(n->dvar_groups)) {
    for (dvar* d = g->dvars; d != nullptr; d = d->next, ++k) {
      if (d->number < 0) continue;
      dvar_group* nb_group = find_dvar_group(nb->node->dvar_groups, g->id);
      for (conection_entry* e : each(nb->conections)) {
        tagged_value* entries = nullptr;
        residual->values[d->number] +=
            calc_res(e->conection->type, c, n, nb->node, g, nb_group, e, &entries, k);
        while (entries != nullptr) {
          tagged_value* next = entries->next;
          add_ele_to_matrix(d->number, entries->tag, entries->value, m);
          tagged_value_free(entries);
          entries = next;
        }
      }
    }
  }
}

void assem_period_equation(circuit* c, dvar* period, matrix* m, real_vector* residual) {
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
  add_ele_to_matrix(row, row, -sum, m);
  for (int i = 0; i < 4; ++i) {
    add_ele_to_matrix(row, slot0[i]->number, t, m);
    add_ele_to_matrix(row, slot1[i]->number, -t, m);
  }
}

void assem_mat_res(circuit* c, matrix* m, real_vector* residual) {
  for (node* n : each(c->nodes)) {
    for (neighbour* nb : each(n->neighbours)) assem_node_res(c, n, nb, m, residual);
  }
  for (dvar_group* g : each(c->global_dvars)) {
    if (g->dvars->number < 0) continue;
    if (g->id != group_id::period) fatal("error, assem_mat_res: unrecognised global dvar\n");
    assem_period_equation(c, g->dvars, m, residual);
  }
}

}  // namespace pss
