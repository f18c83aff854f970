// The DC solution needs every unknown node tied to a fixed one through
// elements that conduct in DC: resistors, inductors (with their sense
// resistors), diodes, capacitors with a leakage, and twins. Capacitors
// without leakage are open, current sources and generators drive but do
// not tie, and windowed resistors are absent in DC. A node left without
// such a path makes the DC matrix singular; it is worth a warning, not a
// refusal, since a saved state can stand in for the DC solution.
#include <algorithm>
#include <numeric>

#include "elements/element_kinds.h"
#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool conducts_in_dc(const nl_element& e) {
  const element_kind* kind = element_kind_of(e.type);
  if (kind == nullptr) return false;
  if (kind->dc == dc_path::with_leakage) {
    return std::any_of(e.attributes.begin(), e.attributes.end(),
                       [](const net_value& a) { return a.tag == attr::leakage; });
  }
  return kind->dc == dc_path::conducts;
}

int root(std::vector<int>& parent, int n) {
  while (parent[static_cast<std::size_t>(n)] != n) {
    n = parent[static_cast<std::size_t>(n)] =
        parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(n)])];
  }
  return n;
}

void join(std::vector<int>& parent, int a, int b) {
  parent[static_cast<std::size_t>(root(parent, a))] = root(parent, b);
}

}  // namespace

void warn_floating_nodes(netlist& nl) {
  std::vector<int> parent(nl.nodes.size());
  std::iota(parent.begin(), parent.end(), 0);
  for (const nl_element& e : nl.elements) {
    if (conducts_in_dc(e)) join(parent, e.a, e.b);
  }
  for (std::size_t n = 0; n < nl.nodes.size(); ++n) {
    if (nl.nodes[n].twin >= 0) join(parent, static_cast<int>(n), nl.nodes[n].twin);
  }
  std::vector<bool> anchored(nl.nodes.size(), false);
  for (std::size_t n = 0; n < nl.nodes.size(); ++n) {
    if (is_fixed(nl, static_cast<int>(n)))
      anchored[static_cast<std::size_t>(root(parent, static_cast<int>(n)))] = true;
  }
  for (std::size_t n = 0; n < nl.nodes.size(); ++n) {
    const nl_node& node = nl.nodes[n];
    // Added nodes follow the element that made them; its nodes are named.
    if (node.line == 0 || anchored[static_cast<std::size_t>(root(parent, static_cast<int>(n)))]) {
      continue;
    }
    warning(nl, node.line, "node '" + node.name + "' has no DC path to ground or a fixed node");
  }
}

}  // namespace pss::netlist_compiler
