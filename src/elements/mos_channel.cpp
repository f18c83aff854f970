// Level-1 MOS channel (type 240): the element between drain and source of
// a MOS transistor, whose node list at both ends is [D, G, S, B], the
// terminals in SPICE's order. It carries
//   I = polarity * id(vgs, vds, vbs),   vxy = polarity * (V(x) - V(y)),
// from D through the channel to S, id the law of mos_law.cpp; so the row
// gets -I when it is D and +I when it is S. The law is evaluated at the
// voltages limited between Newton iterations (mos_limit.cpp) and continued
// linearly to the solution's, which agrees with the law once Newton has
// converged. The channel holds no charge: the bulk junctions and the
// overlap capacitances are junction diodes and capacitors of their own.
// Volts, amperes; the Jacobian holds the derivatives by V(D), V(G), V(S),
// V(B) of the same plane and slot.
#include <cmath>

#include "elements/models.h"

namespace pss {

namespace {

// Whether the limit moved a voltage by more than rounding: the limited
// vds is formed from vgs and vgd, which need not give back vds bit for bit.
bool limited_beyond_rounding(const fet_voltages& l, const fet_voltages& v) {
  const double rounding = 1e-12 * (1.0 + std::fabs(v.vgs) + std::fabs(v.vds) + std::fabs(v.vbs));
  return std::fabs(l.vgs - v.vgs) > rounding || std::fabs(l.vds - v.vds) > rounding ||
         std::fabs(l.vbs - v.vbs) > rounding;
}

}  // namespace

double mos_channel_res(const element_call& call, entry_list& out) {
  const mos_card m = read_mos_card(call.con);
  node* list[4];
  list_nodes(call.entry, list, 4);
  const dvar* d = voltage(list[0], call.k);
  const dvar* g = voltage(list[1], call.k);
  const dvar* s = voltage(list[2], call.k);
  const dvar* b = voltage(list[3], call.k);
  const double p = m.polarity;
  const fet_voltages v{p * (g->value - s->value), p * (d->value - s->value),
                       p * (b->value - s->value)};
  const fet_voltages l =
      limited_fet_voltages(fet_state_of(call.c, call.entry, call.k), m, v, call.c->assembly_serial);
  if (limited_beyond_rounding(l, v)) count_limited(call.c);
  const mos_point at = mos_law(m, l);
  const double id =
      at.current + at.gg * (v.vgs - l.vgs) + at.gd * (v.vds - l.vds) + at.gb * (v.vbs - l.vbs);
  // dI/dV(x) = p * p * g: the polarity cancels in the derivatives.
  const double sign = call.row == list[0] ? -1.0 : 1.0;  // the row's sign of I
  append(out, d->number, -sign * at.gd);
  append(out, g->number, -sign * at.gg);
  append(out, s->number, sign * (at.gg + at.gd + at.gb));
  append(out, b->number, -sign * at.gb);
  return sign * p * id;
}

}  // namespace pss
