#include "planes/control_delay.h"

#include "model/codes.h"
#include "model/lookups.h"
#include "planes/plane_walk.h"
#include "planes/time_tolerance.h"
#include "support/fatal.h"

namespace pss {

namespace {

double plane_time(const node* n) {
  return find_value(n->params, param_id::plane_time)->value;
}

void step_back(node_ref* r) {
  r->node = r->node->prev_plane;
}

}  // namespace

void igen_mods(circuit* c, node* x, conection_entry* e) {
  node_ref* c1 = e->nodes->next;
  node_ref* c2 = c1->next;
  node_ref* c1_early = c2->next;
  node_ref* c2_early = c1_early->next;

  // Back to x's plane, undoing the previous aim. A ring has `planes` nodes,
  // so this ends within one turn.
  for (int step = 0; step < c->planes && tol_differs(plane_time(c1->node), plane_time(x)); ++step) {
    c1->node = c1->node->next_plane;
    c2->node = c2->node->next_plane;
  }
  c1_early->node = c1->node->prev_plane;
  c2_early->node = c2->node->prev_plane;

  const tagged_value* delay_attribute = find_attribute(e->conection, attr::control_delay);
  const double delay = delay_attribute != nullptr ? delay_attribute->value : 0.0;
  const double period = find_dvar_group(c->global_dvars, group_id::period)->dvars->value;
  if (period < delay) fatal("error, igen_mods; control delay > period\n");

  // m walks back from x's previous plane; tau is how far m's plane lies
  // before x's. Once m is x itself again it lies a whole period back, which
  // brackets every delay up to the period and ends the walk.
  node* m = x->prev_plane;
  double tau = m == x ? period : plane_time_diff(x, m) * period;
  while (tol_less(tau, delay)) {
    m = m->prev_plane;
    step_back(c1);
    step_back(c2);
    step_back(c1_early);
    step_back(c2_early);
    tau = m == x ? period : plane_time_diff(x, m) * period;
  }
}

void aim_generator_controls(circuit* c) {
  // Most circuits have no generator: plane 0 says so without the walk
  // through every plane (3 % of a linear job on many planes).
  if (c->planes == 1 || !planes_carry_type(c, conection_type::igen)) return;
  for (node* n : each(c->nodes)) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        if (e->conection->type == conection_type::igen) igen_mods(c, n, e);
      }
    }
  }
}

}  // namespace pss
