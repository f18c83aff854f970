// Voltage source coupling (type 50). The source's value itself is written
// into a fixed node voltage before each solve; here the source's two ends
// are coupled to its second list node L2 through the resistance R of its
// partner, the conection with id 0 that L2 holds toward L1. With u = 1/R
// the row gets
//   +u * (V_nb + V_row - V(L2))  at L1,   the negation at the other end.
// A windowed partner of type 102 gates the coupling by its window, read at
// L2's plane time (and shuts it in the DC circuit); a type 103 partner, or
// a partner of another type, never does. Volts, ohms, amperes.
#include "elements/models.h"

namespace pss {

double vsource_coupling_res(const element_call& call, entry_list& out) {
  node* list[2];
  if (list_nodes(call.entry, list, 2) < 2) return 0.0;
  const conection* partner = get_conection(list[1], list[0], vsource_partner_id)->conection;
  const window_element w = read_window(partner);
  const element_kind* kind = element_kind_of(partner->type);
  if (kind != nullptr && kind->gates_vsource && !window_open(call.c, w, list[1])) return 0.0;
  const double u = 1.0 / w.resistance->value;
  const dvar* source = voltage(list[1], call.k);
  const double sign = call.row == list[0] ? 1.0 : -1.0;
  append(out, call.a->number, -sign * u);
  append(out, call.b->number, -sign * u);
  append(out, source->number, sign * u);
  return sign * u * (call.b->value + call.a->value - source->value);
}

}  // namespace pss
