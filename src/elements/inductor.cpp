// Inductors, explicit (type 701) and trapezoidal (type 702). There is no
// branch-current unknown: the inductor's current is read from a sense
// resistor that carries it, the conection with id 0 between list nodes 1
// and 2 (a resistor, R_s = attribute 100, or a leaky capacitor, R_s =
// attribute 101). With s = V(S1) - V(S2) the sensed current is s / R_s, and
// the current into the row node one step dt later is
//   701: i = s_prev / R_s + dt / L * v_prev
//   702: i = (s + s_prev) / (2 R_s) + dt / (4 L) * (v + v_prev)
// with v = V_nb - V_row. The order of S1 and S2 in each end's list sets the
// sign of the sensed current. In the DC circuit dt is 1 and the row's own
// plane stands in for the previous one. Volts, henries (attribute 700),
// ohms, seconds, amperes; the period entry is di/dT, negated.
#include "elements/models.h"
#include "support/fatal.h"

namespace pss {

namespace {

double sense_resistance(const node* s1, const node* s2) {
  const conection* sense = get_conection(s1, s2, sense_resistor_id)->conection;
  const element_kind* kind = element_kind_of(sense->type);
  const tagged_value* r = nullptr;
  if (kind != nullptr && kind->sense_resistance != 0) {
    r = find_attribute(sense, kind->sense_resistance);
  }
  if (r == nullptr) fatal("error, cal_mat_res: Inductor sense resistor not found\n");
  return r->value;
}

// The step back to the previous plane and the period it is a share of. The
// DC step is 1 and depends on no period (column -1: no period entry).
struct plane_step {
  double dt;
  slot_period period;
};

plane_step step_back(const element_call& call) {
  if (call.c->planes == 1) return {1.0, {0.0, -1}};
  const slot_period period = period_of(call.c, call.k);
  return {plane_time_diff(call.row, call.row->prev_plane) * period.t, period};
}

}  // namespace

// List in the time-plane circuit:
// [S1.prev_plane, S2.prev_plane, nb.prev_plane, row.prev_plane].
double inductor_res(const element_call& call, entry_list& out) {
  const double l = find_attribute(call.con, attr::inductance)->value;
  node* list[4];
  list_nodes(call.entry, list, 4);
  const double u = 1.0 / sense_resistance(list[0], list[1]);
  const plane_step step = step_back(call);
  const double m = step.dt / l;
  const bool dc = call.c->planes == 1;
  const dvar* s1_prev = voltage(list[0], call.k);
  const dvar* s2_prev = voltage(list[1], call.k);
  const dvar* b_prev = dc ? call.b : voltage(list[2], call.k);
  const dvar* a_prev = dc ? call.a : voltage(list[3], call.k);
  const double i_l = m * (b_prev->value - a_prev->value);
  append(out, s1_prev->number, -u);
  append(out, s2_prev->number, u);
  append(out, b_prev->number, -m);
  append(out, a_prev->number, m);
  if (period_free(step.period)) append(out, step.period.column, -i_l / step.period.t);  // i_l ~ T
  return i_l + u * (s1_prev->value - s2_prev->value);
}

// List in the time-plane circuit:
// [S1, S2, S1.prev_plane, S2.prev_plane, nb.prev_plane, row.prev_plane].
double inductor_trap_res(const element_call& call, entry_list& out) {
  const double l = find_attribute(call.con, attr::inductance)->value;
  node* list[6];
  list_nodes(call.entry, list, 6);
  const double h = 0.5 / sense_resistance(list[0], list[1]);
  const plane_step step = step_back(call);
  const double m = step.dt / (4 * l);
  const bool dc = call.c->planes == 1;
  const dvar* s1 = voltage(list[0], call.k);
  const dvar* s2 = voltage(list[1], call.k);
  const dvar* s1_prev = dc ? s1 : voltage(list[2], call.k);
  const dvar* s2_prev = dc ? s2 : voltage(list[3], call.k);
  const dvar* b_prev = dc ? call.b : voltage(list[4], call.k);
  const dvar* a_prev = dc ? call.a : voltage(list[5], call.k);
  const double v = call.b->value - call.a->value;
  const double i_l = m * (v + (b_prev->value - a_prev->value));
  append(out, call.b->number, -m);
  append(out, call.a->number, m);
  append(out, s1->number, -h);
  append(out, s2->number, h);
  append(out, s1_prev->number, -h);
  append(out, s2_prev->number, h);
  append(out, b_prev->number, -m);
  append(out, a_prev->number, m);
  if (period_free(step.period)) append(out, step.period.column, -i_l / step.period.t);  // i_l ~ T
  return i_l + h * ((s1->value - s2->value) + (s1_prev->value - s2_prev->value));
}

}  // namespace pss
