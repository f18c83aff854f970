// G name n+ n- nc+ nc- gain
// G name n+ n- POLY(1) nc+ nc- c0 c1 c2 ...
//
// The voltage-controlled current source (type 64), in SPICE's syntax: the
// current i = gain * V(nc+, nc-), or c0 + c1 v + c2 v^2 + ..., flows from n+
// through the source to n-. The control nodes must be fixed or neighbours
// of both ends, as every control node in the solver's matrix.
#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool control_nodes(netlist& nl, const nl_element& e, std::vector<item>& items,
                   std::vector<int>& out) {
  for (int k = 0; k < 2; ++k) {
    const item* it = take_next(items);
    if (it == nullptr || it->kind == item_kind::group || it->kind == item_kind::assign) {
      error(nl, e.line, e.name + ": needs two control nodes");
      return false;
    }
    const int n = node_named(nl, it->first);
    if (n < 0) return false;
    out.push_back(n);
  }
  return true;
}

}  // namespace

void parse_vccs(netlist& nl, nl_element& e, std::vector<item>& items, std::vector<nl_element>&) {
  e.type = conection_type::vccs;
  const item* poly = !items.empty() && items[0].kind == item_kind::group && items[0].key == "POLY"
                         ? &items[0]
                         : nullptr;
  if (poly != nullptr) {
    items[0].used = true;
    std::vector<double> dims;
    if (!group_values(nl, *poly, e.name, 1, 1, dims)) return;
    if (dims[0] != 1) {
      error(nl, e.line, e.name + ": only POLY(1), one controlling voltage, is known");
      return;
    }
  }
  std::vector<int> control;
  if (!control_nodes(nl, e, items, control)) return;
  std::vector<double> c;
  while (const item* v = take_value(items)) {
    double x = 0;
    if (!value_of(nl, v->first, e.name, x)) return;
    c.push_back(x);
  }
  if (c.empty()) {
    error(nl, e.line, e.name + (poly ? ": missing coefficients" : ": missing gain"));
    return;
  }
  if (poly == nullptr && c.size() > 1) {
    error(nl, e.line, e.name + ": one gain, or POLY(1) before the control nodes");
    return;
  }
  if (poly == nullptr) c.insert(c.begin(), 0.0);
  for (double x : c) e.attributes.push_back({attr::vccs_coefficient, x});
  e.list_at_a = {e.a, control[0], control[1]};
  e.list_at_b = e.list_at_a;
  e.side_nodes = control;
  e.side_role = "control";
}

}  // namespace pss::netlist_compiler
