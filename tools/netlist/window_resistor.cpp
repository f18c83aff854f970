// W name n1 n2 value WINDOW(start end) [SOURCE(node)] [SWITCH]
//
// A resistance that is present only in the time planes strictly inside the
// window (start and end as fractions of the period), and never in the DC
// solution. n1 is its orientation node: seen from n1 it carries
// (V(n1) + V(node) - V(n2)) / R out of n1, V(node) being the optional
// series source. SWITCH makes it the kind that also hands n1's state to n2
// across the window (type 103 rather than 102).
#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool append_window(netlist& nl, const nl_element& e, std::vector<item>& items,
                   std::vector<net_value>& attributes) {
  const item* window = take(items, item_kind::group, "WINDOW");
  if (window == nullptr) {
    error(nl, e.line, e.name + ": missing WINDOW(start end)");
    return false;
  }
  std::vector<double> v;
  if (!group_values(nl, *window, e.name, 2, 2, v)) return false;
  if (!(v[0] < v[1])) {
    error(nl, window->first.line, e.name + ": WINDOW(start end) needs start < end");
    return false;
  }
  attributes.push_back({attr::window_start, v[0]});
  attributes.push_back({attr::window_end, v[1]});
  return true;
}

}  // namespace

void parse_window_resistor(netlist& nl, nl_element& e, std::vector<item>& items,
                           std::vector<nl_element>&) {
  e.type =
      take_flag(items, "SWITCH") ? conection_type::window_switch : conection_type::window_resistor;
  if (!append_window(nl, e, items, e.attributes)) return;
  double r = 0;
  if (!take_nonzero(nl, items, e, "resistance", r)) return;
  e.attributes.push_back({attr::resistance, r});
  e.list_at_a = {e.a};
  const item* source = take(items, item_kind::group, "SOURCE");
  if (source != nullptr) {
    std::vector<int> node;
    if (!group_nodes(nl, *source, e.name, 1, node)) return;
    e.list_at_a.push_back(node[0]);
    e.side_nodes = node;
    e.side_role = "window source";
  }
  e.list_at_b = e.list_at_a;
}

}  // namespace pss::netlist_compiler
