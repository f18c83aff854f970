// Checks of elements against the circuit around them, made once every
// element and directive is in.
#include <algorithm>
#include <set>
#include <utility>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

using node_pair = std::pair<int, int>;

std::set<node_pair> adjacent_pairs(const netlist& nl) {
  std::set<node_pair> pairs;
  for (const nl_element& e : nl.elements) pairs.insert(std::minmax(e.a, e.b));
  return pairs;
}

bool has_attribute(const nl_element& e, int32_t id) {
  return std::any_of(e.attributes.begin(), e.attributes.end(),
                     [id](const net_value& a) { return a.tag == id; });
}

// The solver's matrix holds, in the rows of an element's unknown end, only
// the end itself, its neighbours and fixed nodes (whose columns it drops).
// A series-source, control or window-source node must be one of them.
void check_element(netlist& nl, const nl_element& e, const std::set<node_pair>& pairs) {
  for (int end : {e.a, e.b}) {
    if (is_fixed(nl, end)) continue;
    for (int x : e.side_nodes) {
      if (is_fixed(nl, x) || x == end || pairs.count(std::minmax(end, x)) > 0) continue;
      error(nl, e.line,
            e.name + ": " + e.side_role + " node " + quoted_node(nl, x) +
                " is neither fixed nor a neighbour of " + quoted_node(nl, end));
      return;
    }
  }
}

// Each end of a resistor reads its own node list and its own voltage, so
// two uses give the two ends different currents.
void warn_resistor(netlist& nl, const nl_element& e) {
  if (e.type != conection_type::resistor || e.line == 0) return;
  if (has_attribute(e, attr::resistance)) {
    if (!e.list_at_a.empty() && !is_fixed(nl, e.a) && !is_fixed(nl, e.b)) {
      warning(nl, e.line,
              e.name +
                  ": the series source drives current into both ends; give the "
                  "resistor one fixed end");
    }
  } else if (e.list_at_a.empty() && !has_attribute(e, attr::poly_lower_limit)) {
    warning(nl, e.line,
            e.name +
                ": without CTRL the two ends see opposite voltages, and without "
                "LIMITS the lower limit is 0, so the ends disagree on R");
  }
}

}  // namespace

void check_elements(netlist& nl) {
  const std::set<node_pair> pairs = adjacent_pairs(nl);
  for (const nl_element& e : nl.elements) {
    if (!e.side_nodes.empty()) check_element(nl, e, pairs);
    warn_resistor(nl, e);
  }
}

}  // namespace pss::netlist_compiler
