// R name n1 n2 value [SERIES(node)]
// R name n1 n2 POLY(c0 c1 ...) [LIMITS(lo [hi])] [CTRL(p n)]
//
// A linear resistor may carry a series source: at each end the solver adds
// V(node)/R to the current into that end. A nonlinear resistor's R is the
// characteristic of a voltage u: by default the voltage across it as seen
// from the end whose row is assembled, with CTRL(p n) the voltage
// V(p) - V(n).
#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

void parse_nonlinear(netlist& nl, nl_element& e, std::vector<item>& items, const item& poly) {
  if (!append_characteristic(nl, e, items, poly, 1, attr::resistance_poly, e.attributes)) return;
  const item* ctrl = take(items, item_kind::group, "CTRL");
  if (ctrl == nullptr) return;
  std::vector<int> pair;
  if (!group_nodes(nl, *ctrl, e.name, 2, pair)) return;
  // The model reads u = V(L2) - V(L1).
  e.list_at_a = {pair[1], pair[0]};
  e.list_at_b = e.list_at_a;
  e.side_nodes = pair;
  e.side_role = "control";
}

}  // namespace

void parse_resistor(netlist& nl, nl_element& e, std::vector<item>& items,
                    std::vector<nl_element>&) {
  e.type = conection_type::resistor;
  if (const item* poly = take(items, item_kind::group, "POLY")) {
    parse_nonlinear(nl, e, items, *poly);
    return;
  }
  double r = 0;
  if (!take_nonzero(nl, items, e, "resistance", r)) return;
  e.attributes = {{attr::resistance, r}};
  const item* series = take(items, item_kind::group, "SERIES");
  if (series == nullptr) return;
  std::vector<int> source;
  if (!group_nodes(nl, *series, e.name, 1, source)) return;
  e.list_at_a = source;
  e.list_at_b = source;
  e.side_nodes = source;
  e.side_role = "series source";
}

}  // namespace pss::netlist_compiler
