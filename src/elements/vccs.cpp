// Voltage-controlled current source (type 64): drives
//   i = c0 + c1 v + c2 v^2 + ...,   v = V(C1) - V(C2),
// out of its node L1 (SPICE's n+) through the source into the other end,
// as SPICE's G does. The coefficients are the attributes 74 in list order,
// c_j in amperes per volt^j. List: [L1, C1, C2], in the DC circuit and in
// every plane, the control read in the element's own plane.
#include "elements/models.h"

namespace pss {

double vccs_res(const element_call& call, entry_list& out) {
  node* list[3];
  list_nodes(call.entry, list, 3);
  const dvar* v1 = voltage(list[1], call.k);
  const dvar* v2 = voltage(list[2], call.k);
  const double v = v1->value - v2->value;
  double i = 0;
  double g = 0;
  double power = 1;  // v^(j-1) on entry to term j >= 1
  int j = 0;
  for (const tagged_value* at : each(call.con->attributes)) {
    if (at->tag != attr::vccs_coefficient) continue;
    if (j > 0) g += j * at->value * power;
    i += at->value * (j > 0 ? power * v : 1.0);
    if (j > 0) power *= v;
    ++j;
  }
  // The row's current: -i leaving L1, +i arriving at the other end.
  const double s = call.row == list[0] ? -1.0 : 1.0;
  append(out, v1->number, -s * g);
  append(out, v2->number, s * g);
  return s * i;
}

}  // namespace pss
