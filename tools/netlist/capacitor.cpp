// C name n+ n- value [LEAK=r] [CAP1 | CAP2]
// C name n+ n- POLY(c0 c1 ...) | EXP(k0 c0 a1 ...) [LIMITS(lo [hi])] [LEAK=r] [CAP1 | CAP2]
//
// CAP1 takes the backward difference, CAP2 the central difference; without
// either the netlist's DIFFERENCE option decides, backward by default. A
// voltage-dependent capacitance is a function of x = V(n+) - V(n-).
#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool append_capacitance(netlist& nl, const nl_element& e, std::vector<item>& items,
                        std::vector<net_value>& attributes) {
  if (const item* poly = take(items, item_kind::group, "POLY")) {
    return append_characteristic(nl, e, items, *poly, 1, attr::capacitance_poly, attributes);
  }
  if (const item* exponential = take(items, item_kind::group, "EXP")) {
    return append_characteristic(nl, e, items, *exponential, 2, attr::capacitance_exp, attributes);
  }
  double c = 0;
  if (take_number(nl, items, e, "capacitance", c) == nullptr) return false;
  attributes.push_back({attr::capacitance, c});
  return true;
}

}  // namespace

void parse_capacitor(netlist& nl, nl_element& e, std::vector<item>& items,
                     std::vector<nl_element>&) {
  const bool cap1 = take_flag(items, "CAP1");
  const bool cap2 = take_flag(items, "CAP2");
  if (cap1 && cap2) {
    error(nl, e.line, e.name + ": CAP1 and CAP2 exclude each other");
    return;
  }
  const bool central = cap2 || (!cap1 && nl.forms == difference_forms::central);
  e.type = central ? conection_type::cap2 : conection_type::cap1;
  double leak = 0;
  bool has_leak = false;
  if (!take_option(nl, items, e.name, "LEAK", leak, has_leak)) return;
  if (has_leak && leak == 0) {
    error(nl, e.line, e.name + ": LEAK must not be 0");
    return;
  }
  // The leakage comes first: a characteristic runs to the end of the list.
  if (has_leak) e.attributes.push_back({attr::leakage, leak});
  if (!append_capacitance(nl, e, items, e.attributes)) return;
  // The model measures x from its orientation node to the other end, so
  // orienting at n- makes x = V(n+) - V(n-).
  e.list_at_a = {e.b};
  e.list_at_b = {e.b};
}

}  // namespace pss::netlist_compiler
