// Capacitors CAP1 (type 601) and CAP2 (type 602), with an optional leakage
// resistance in parallel. The current into the row node is
//   i = C(x) * dv/dt + v / R_l,   v = V_nb - V_row,
// with dv/dt replaced by a difference between time planes:
//   CAP1: (v - v_prev) / dt,       dt = the step back to the previous plane,
//   CAP2: (v_next - v_prev) / dt,  dt = the span from previous to next plane.
// C is a constant (attribute 600), a polynomial of x (603) or the
// exponential of a polynomial of x (604); x = (v + v_prev) / 2 for CAP1 and
// v for CAP2, measured from the orientation node O, so a voltage-dependent
// C is read at -x from the end whose neighbour is O. In the DC circuit no
// time passes and only the leakage conducts. Volts, farads, ohms, seconds,
// amperes; the period entry is di/dT in amperes per second, negated.
#include <cmath>

#include "elements/models.h"
#include "support/fatal.h"

namespace pss {

namespace {

struct cap_attributes {
  const tagged_value* leakage;
  const tagged_value* constant;
  const tagged_value* poly;
  const tagged_value* exponential;
};

cap_attributes read_attributes(const conection* con, const char* missing_message) {
  cap_attributes at{};
  for (const tagged_value* a : each(con->attributes)) {
    switch (a->tag) {
      case attr::leakage: keep_first(at.leakage, a); break;
      case attr::capacitance: keep_first(at.constant, a); break;
      case attr::capacitance_poly: keep_first(at.poly, a); break;
      case attr::capacitance_exp: keep_first(at.exponential, a); break;
      default: break;
    }
  }
  if (at.constant == nullptr && at.poly == nullptr && at.exponential == nullptr)
    fatal("%s", missing_message);
  return at;
}

// C at x and dC/dx (into *slope). The orientation node is looked up only for
// a voltage-dependent C: a constant one has no orientation and may come
// without an orientation node in its list.
double capacitance(const cap_attributes& at, const element_call& call, node* orientation, double x,
                   double* slope) {
  if (at.constant != nullptr) return at.constant->value;
  const dvar* o = voltage(orientation, call.k);
  if (at.poly != nullptr) return poly_characteristic_oriented(at.poly, x, slope, call.b, o);
  return exp_characteristic(at.exponential, x, slope, call.b, o);
}

// The DC form: the plane differences vanish (dv = 0 over a step of 1), so
// the capacitor's own terms cancel exactly and only the leakage is left.
// Appending the net entries rather than the cancelling pairs keeps a small
// leakage from being lost against a large C in the sums.
double dc_res(const element_call& call, entry_list& out, double g) {
  append(out, call.b->number, -g);
  append(out, call.a->number, g);
  return g * (call.b->value - call.a->value);
}

}  // namespace

double exp_characteristic(const tagged_value* start, double x, double* slope, const dvar* nb_dvar,
                          const dvar* orientation) {
  const bool from_other_end = nb_dvar == orientation;
  const clamped_point p = clamp_to_limits(start, from_other_end ? -x : x);
  const tagged_value* prefactor = p.rest;
  const tagged_value* constant = prefactor->next;
  double exponent = constant->value;
  double slope_here = 0.0;  // d(exponent)/dx until scaled by C below
  double power = 1.0;       // xc^(j-1) on entry to term j
  for (const tagged_value* term = constant->next; term != nullptr; term = term->next) {
    slope_here += term->tag * term->value * power;
    power *= p.x;
    exponent += term->value * power;
  }
  const double c = prefactor->value * std::exp(exponent);
  slope_here *= c;
  *slope += from_other_end ? -slope_here : slope_here;
  return p.excess != 0.0 ? c + p.excess * slope_here : c;
}

// List in the time-plane circuit: [nb.prev_plane, row.prev_plane, O, ...].
double cap1_res(const element_call& call, entry_list& out) {
  const cap_attributes at = read_attributes(call.con, "error, assemb: CAP1 attribute not found\n");
  const double g = at.leakage != nullptr ? 1.0 / at.leakage->value : 0.0;
  if (call.c->planes == 1) return dc_res(call, out, g);

  node* list[3];
  list_nodes(call.entry, list, 3);
  const dvar* b_prev = voltage(list[0], call.k);
  const dvar* a_prev = voltage(list[1], call.k);
  const slot_period period = period_of(call.c, call.k);
  const double dt = plane_time_diff(call.row, call.row->prev_plane) * period.t;
  const double v = call.b->value - call.a->value;
  const double v_prev = b_prev->value - a_prev->value;
  double slope = 0.0;
  const double c = capacitance(at, call, list[2], (v + v_prev) / 2, &slope);
  const double dv = v - v_prev;
  const double i_c = c * dv / dt;
  const double y = g + (c + dv * slope / 2) / dt;  // x takes half of each plane's v
  const double z = (c - dv * slope / 2) / dt;
  append(out, call.b->number, -y);
  append(out, call.a->number, y);
  append(out, b_prev->number, z);
  append(out, a_prev->number, -z);
  if (period_free(period)) append(out, period.column, i_c / period.t);  // i_c ~ 1/T
  return i_c + g * v;
}

// List in the time-plane circuit:
// [nb.prev_plane, row.prev_plane, nb.next_plane, row.next_plane, O, ...].
// Needs three planes or more: with two, the next and previous plane are one
// copy and the span dt is 0.
double cap2_res(const element_call& call, entry_list& out) {
  const cap_attributes at = read_attributes(call.con, "error, assemb: CAP2 attribute not found\n");
  const double g = at.leakage != nullptr ? 1.0 / at.leakage->value : 0.0;
  if (call.c->planes == 1) return dc_res(call, out, g);

  node* list[5];
  list_nodes(call.entry, list, 5);
  const dvar* b_prev = voltage(list[0], call.k);
  const dvar* a_prev = voltage(list[1], call.k);
  const dvar* b_next = voltage(list[2], call.k);
  const dvar* a_next = voltage(list[3], call.k);
  const slot_period period = period_of(call.c, call.k);
  const double dt = plane_time_diff(call.row->next_plane, call.row->prev_plane) * period.t;
  const double v = call.b->value - call.a->value;
  double slope = 0.0;
  const double c = capacitance(at, call, list[4], v, &slope);
  const double dv = (b_next->value - a_next->value) - (b_prev->value - a_prev->value);
  const double i_c = c * dv / dt;
  const double y = g + slope * dv / dt;
  const double z = c / dt;
  append(out, call.b->number, -y);
  append(out, call.a->number, y);
  append(out, b_prev->number, z);
  append(out, a_prev->number, -z);
  append(out, b_next->number, -z);
  append(out, a_next->number, z);
  if (period_free(period)) append(out, period.column, i_c / period.t);  // i_c ~ 1/T
  return i_c + g * v;
}

}  // namespace pss
