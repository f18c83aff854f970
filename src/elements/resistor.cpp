// Resistor (type 100): the current into the row node is
//   i = (V_nb - V_row + V_s) / R            linear, R = attribute 100,
//   i = (V_nb - V_row) / R(u)               nonlinear, R(u) the
//                                           characteristic after attribute 206.
// V_s is the voltage of the optional series source node L1; it enters with
// the same sign from either end, because each end carries its own list. The
// nonlinear control voltage u is V_nb - V_row, or V(L2) - V(L1) when the
// list names a control pair. Volts, ohms, amperes; entries in siemens.
#include "elements/models.h"
#include "support/fatal.h"

namespace pss {

namespace {

double linear_res(const element_call& call, entry_list& out, double r) {
  const double g = 1.0 / r;
  double i = g * (call.b->value - call.a->value);
  append(out, call.a->number, g);
  append(out, call.b->number, -g);
  if (call.entry->nodes != nullptr) {
    const dvar* source = voltage(call.entry->nodes->node, call.k);
    i += g * source->value;
    append(out, source->number, -g);
  }
  return i;
}

double nonlinear_res(const element_call& call, entry_list& out, const tagged_value* poly) {
  if (poly == nullptr) fatal("no resistor value specified\n");
  // u = plus - minus
  const dvar* plus = call.b;
  const dvar* minus = call.a;
  if (call.entry->nodes != nullptr) {
    node* pair[2];
    list_nodes(call.entry, pair, 2);
    plus = voltage(pair[1], call.k);
    minus = voltage(pair[0], call.k);
  }
  double slope = 0.0;
  const double g = 1.0 / poly_characteristic(poly, plus->value - minus->value, &slope);
  const double v = call.b->value - call.a->value;
  // di/du = -v * R'(u) / R^2, so the dvar entering u with + gets +q.
  const double q = slope * g * g * v;
  append(out, call.a->number, g);
  append(out, call.b->number, -g);
  append(out, plus->number, q);
  append(out, minus->number, -q);
  return g * v;
}

}  // namespace

// As a generator's control: gain times the current from C1 to C2.
control_point resistor_control(const conection_entry* control, const node*, double v12,
                               double gain) {
  const double g = gain / find_attribute(control->conection, attr::resistance)->value;
  return {g * v12, g};
}

double resistor_res(const element_call& call, entry_list& out) {
  const tagged_value* poly = nullptr;
  for (const tagged_value* at : each(call.con->attributes)) {
    if (at->tag == attr::resistance) return linear_res(call, out, at->value);
    if (at->tag == attr::resistance_poly) keep_first(poly, at);
  }
  return nonlinear_res(call, out, poly);
}

}  // namespace pss
