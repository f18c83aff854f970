// Controlled current generator I_IGEN (type 62): drives
//   i = k_g * i_c
// out of its orientation node L1 into the other node, where i_c is the
// current from C1 to C2 through the controlling element, the conection
// with id attribute 73 (truncated) between C1 and C2: a resistor
// (i_c = (V(C1) - V(C2)) / R) or a diode (i_c by the diode law, signed by
// which of C1, C2 is its anode). The gain k_g (attribute 70) has no unit;
// volts, ohms, amperes. In the time-plane circuit C1, C2 may stand some
// planes back for the control delay, and the list also names C1', C2', the
// pair one plane before them; that pair has weight zero but keeps its
// entries, which hold its positions in the sparse pattern.
#include "elements/models.h"
#include "support/fatal.h"

namespace pss {

namespace {

constexpr double earlier_pair_weight = 0.0;

// v12 = V(C1) - V(C2).
control_point control(const conection_entry* control, const node* c1, double v12, double gain) {
  const element_kind* kind = element_kind_of(control->conection->type);
  if (kind == nullptr || kind->control == nullptr) {
    fatal("error, calc_res: invalid control conection for I_IGEN\n");
  }
  return kind->control(control, c1, v12, gain);
}

}  // namespace

// List: [L1, C1, C2] in the DC circuit, where C1' and C2' are C1 and C2;
// [L1, C1, C2, C1', C2'] in the time-plane circuit.
double igen_res(const element_call& call, entry_list& out) {
  const tagged_value* gain = nullptr;
  const tagged_value* control_id = nullptr;
  for (const tagged_value* at : each(call.con->attributes)) {
    if (at->tag == attr::gain) keep_first(gain, at);
    if (at->tag == attr::control_id) keep_first(control_id, at);
  }
  node* list[5];
  list_nodes(call.entry, list, 5);
  node* c1 = list[1];
  node* c2 = list[2];
  const dvar* v1 = voltage(c1, call.k);
  const dvar* v2 = voltage(c2, call.k);
  const conection_entry* control_entry =
      get_conection(c1, c2, static_cast<int32_t>(control_id->value));
  control_point p = control(control_entry, c1, v1->value - v2->value, gain->value);
  if (call.row == list[0]) p = {-p.current, -p.conductance};
  const dvar* v1_earlier = call.c->planes == 1 ? v1 : voltage(list[3], call.k);
  const dvar* v2_earlier = call.c->planes == 1 ? v2 : voltage(list[4], call.k);
  append(out, v1->number, -p.conductance);
  append(out, v2->number, p.conductance);
  append(out, v1_earlier->number, -earlier_pair_weight * p.conductance);
  append(out, v2_earlier->number, earlier_pair_weight * p.conductance);
  return p.current;
}

}  // namespace pss
