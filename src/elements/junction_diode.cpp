// SPICE junction diode (types 210 and 211): the current from the anode,
// the last node of its list, to the other end is
//   I = id(v) + dq(v)/dt,   v = V(anode) - V(cathode),
// with id and q the junction law of junction_law.cpp. The charge is
// differenced between planes as a capacitor's: backward, (q - q_prev) / dt
// (type 210, list [nb.prev, row.prev, anode]), or central,
// (q_next - q_prev) / dt over the span (type 211, list
// [nb.prev, row.prev, nb.next, row.next, anode]); so the charge current
// averages to exactly zero over a period. In the DC circuit only id flows.
// Each plane's law is evaluated at its limited junction voltage vl and
// continued linearly to v: id(vl) + g(vl) (v - vl), q(vl) + C(vl) (v - vl),
// which agrees with the law once Newton has converged. The row gets -I when
// it is the anode and +I when it is the cathode; volts, amperes, seconds.
#include "elements/models.h"

namespace pss {

namespace {

node* last_list_node(const conection_entry* e) {
  node_ref* r = e->nodes;
  while (r->next != nullptr) r = r->next;
  return r->node;
}

// The entry of the same diode between `row` and `nb` in another plane.
conection_entry* entry_between(node* row, node* nb, const conection* con) {
  for (neighbour* x : each(row->neighbours)) {
    if (x->node != nb) continue;
    for (conection_entry* e : each(x->conections)) {
      if (e->conection == con) return e;
    }
  }
  return nullptr;
}

struct plane_junction {
  const dvar* anode;
  const dvar* cathode;
  double v;   // the solution's junction voltage
  double vl;  // where the law is evaluated
  junction_point p;
};

plane_junction evaluate(const element_call& call, const junction_card& d, junction_state& state,
                        node* anode, node* cathode) {
  const double nvt = d.n * spice_thermal_voltage;
  plane_junction j{voltage(anode, call.k), voltage(cathode, call.k), 0.0, 0.0, {}};
  j.v = j.anode->value - j.cathode->value;
  j.vl =
      limited_junction_voltage(call.c, state, j.v, nvt, junction_critical_voltage(d.is, nvt), d.bv);
  j.p = junction_law(d, j.vl);
  return j;
}

double linear_charge(const plane_junction& j) {
  return j.p.charge + j.p.capacitance * (j.v - j.vl);
}

// The junction of a neighbouring plane, whose row copy is `row_x` and
// neighbour copy `nb_x`. Where a windowed switch handed the previous plane's
// history over from another node (an oscillator's injection into its tank),
// the diode has no record between those nodes, and the limiting state is
// kept in the call's own record instead.
plane_junction other_plane(const element_call& call, const junction_card& d, bool row_is_anode,
                           node* nb_x, node* row_x) {
  conection_entry* e = entry_between(row_x, nb_x, call.con);
  junction_state& state =
      e != nullptr ? junction_of(call.c, e, call.k) : junction_of(call.c, call.entry, call.k, true);
  return row_is_anode ? evaluate(call, d, state, row_x, nb_x)
                      : evaluate(call, d, state, nb_x, row_x);
}

}  // namespace

double junction_diode_res(const element_call& call, entry_list& out) {
  const junction_card d = read_junction_card(call.con);
  const bool row_is_anode = call.row == last_list_node(call.entry);
  const double s = row_is_anode ? -1.0 : 1.0;  // the row's sign of I
  junction_state& state = junction_of(call.c, call.entry, call.k);
  const plane_junction own = row_is_anode ? evaluate(call, d, state, call.row, call.nb)
                                          : evaluate(call, d, state, call.nb, call.row);
  double current = own.p.current + own.p.conductance * (own.v - own.vl);
  double g = own.p.conductance;
  const bool stores = d.cjo != 0 || d.tt != 0;
  if (call.c->planes == 1 || !stores) {
    append(out, call.a->number, g);
    append(out, call.b->number, -g);
    return s * current;
  }

  const bool central = call.con->type == conection_type::junction_diode_central;
  node* list[4];
  list_nodes(call.entry, list, 4);
  const plane_junction before = other_plane(call, d, row_is_anode, list[0], list[1]);
  const slot_period period = period_of(call.c, call.k);
  double i_c = 0;
  double dt = 0;
  if (central) {
    const plane_junction after = other_plane(call, d, row_is_anode, list[2], list[3]);
    dt = plane_time_diff(call.row->next_plane, call.row->prev_plane) * period.t;
    i_c = (linear_charge(after) - linear_charge(before)) / dt;
    append(out, after.anode->number, -s * after.p.capacitance / dt);
    append(out, after.cathode->number, s * after.p.capacitance / dt);
  } else {
    dt = plane_time_diff(call.row, call.row->prev_plane) * period.t;
    i_c = (linear_charge(own) - linear_charge(before)) / dt;
    g += own.p.capacitance / dt;
  }
  current += i_c;
  append(out, call.a->number, g);
  append(out, call.b->number, -g);
  append(out, before.anode->number, s * before.p.capacitance / dt);
  append(out, before.cathode->number, -s * before.p.capacitance / dt);
  if (period_free(period)) append(out, period.column, s * i_c / period.t);  // i_c ~ 1/T
  return s * current;
}

// As a generator's control: gain times the static current from C1 to C2,
// whichever of them is the anode.
control_point junction_diode_control(const conection_entry* control, const node* c1, double v12,
                                     double gain) {
  const bool anode_is_c1 = last_list_node(control) == c1;
  const junction_point p =
      junction_law(read_junction_card(control->conection), anode_is_c1 ? v12 : -v12);
  return {gain * (anode_is_c1 ? p.current : -p.current), gain * p.conductance};
}

}  // namespace pss
