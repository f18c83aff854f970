// Windowed source resistor (types 102 and 103): a resistance R (attribute
// 100) with the voltage of source node L2 in series, present only in the
// planes whose time lies strictly inside the window (attribute 84, 85) of
// the period, and never in the DC circuit. Seen from its orientation node
// L1 it carries u * (V(L1) + V(L2) - V_other) out of L1, u = 1/R. With two
// solution slots, L1's rows hold voltage equations instead: slot 0 ties L1
// to the other end less V(L2) of slot 0, slot 1 ties L1's two slots
// together. Window times are fractions of the period; volts, ohms, amperes;
// the voltage equations are in volts with unit entries.
#include "elements/models.h"

namespace pss {

window_element read_window(const conection* con) {
  const tagged_value* start = nullptr;
  const tagged_value* end = nullptr;
  const tagged_value* r = nullptr;
  for (const tagged_value* at : each(con->attributes)) {
    switch (at->tag) {
      case attr::window_start: keep_first(start, at); break;
      case attr::window_end: keep_first(end, at); break;
      case attr::resistance: keep_first(r, at); break;
      default: break;
    }
  }
  return {start, end, r};
}

bool window_open(const circuit* c, const window_element& w, const node* at) {
  if (c->planes == 1) return false;
  const double t = find_value(at->params, param_id::plane_time)->value;
  return w.start->value < t && t < w.end->value;
}

double window_resistor_res(const element_call& call, entry_list& out) {
  const window_element w = read_window(call.con);
  if (!window_open(call.c, w, call.row)) return 0.0;
  node* list[2];
  const bool has_source = list_nodes(call.entry, list, 2) == 2;
  const bool row_is_l1 = call.row == list[0];

  if (row_is_l1 && call.k >= 1) {
    const dvar* a0 = voltage(call.row, 0);
    append(out, call.a->number, 1.0);
    append(out, a0->number, -1.0);
    return a0->value - call.a->value;
  }
  if (row_is_l1 && call.a->next != nullptr) {  // slot 0 of a two-slot circuit
    double f = call.b->value - call.a->value;
    append(out, call.a->number, 1.0);
    append(out, call.b->number, -1.0);
    if (has_source) {
      const dvar* source0 = voltage(list[1], 0);
      f -= source0->value;
      append(out, source0->number, 1.0);
    }
    return f;
  }

  const double u = 1.0 / w.resistance->value;
  double i = u * (call.b->value - call.a->value);
  append(out, call.a->number, u);
  append(out, call.b->number, -u);
  if (has_source) {
    const dvar* source = voltage(list[1], call.k);
    const double sign = call.nb == list[0] ? 1.0 : -1.0;  // the source sits on L1's side
    i += sign * u * source->value;
    append(out, source->number, -sign * u);
  }
  return i;
}

}  // namespace pss
