// The network file of a compiled netlist: one circuit of one plane, its
// nodes in ascending index order (index = position), each element's
// conection record at both of its ends, neighbours in the order the
// elements first join two nodes.
#include <algorithm>
#include <map>
#include <utility>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

std::size_t at(int i) {
  return static_cast<std::size_t>(i);
}

// The record of element `e` at node `from`, toward `to`.
void add_end(net_circuit& c, int from, int to, const nl_element& e, const std::vector<int>& list,
             const std::vector<net_value>& extra, const std::vector<int>& position) {
  net_conection con{e.id, e.name, e.type, e.attributes, {}};
  con.attributes.insert(con.attributes.end(), extra.begin(), extra.end());
  for (int node : list) con.nodes.push_back(position[at(node)]);
  append_conection(c.nodes[at(position[at(from)])], position[at(to)], std::move(con));
}

net_node node_record(const netlist& nl, int node, int32_t index, int32_t count,
                     const std::vector<int>& position) {
  const nl_node& n = nl.nodes[at(node)];
  net_node record{index, {{param_id::plane_time, 0.0}}, -1, {}, {}, -1, -1, -1, -1};
  if (n.twin >= 0) {
    record.twin = position[at(n.twin)];
  } else {
    const bool fixed = is_fixed(nl, node);
    record.groups.push_back({group_id::voltage, {{fixed ? -1 : 0, fixed ? n.fixed_value : 0.0}}});
  }
  record.next = index + 1 < count ? index + 1 : -1;
  record.prev = index - 1;
  return record;
}

}  // namespace

std::vector<int> node_positions(netlist& nl) {
  std::vector<int> order{0};
  if (nl.osc_tank >= 0) {
    // The switch relinks the tank's planes while the expansion builds the
    // time-difference lists node by node; with the tank ahead of its
    // neighbours every list sees the relinked planes.
    order.push_back(nl.osc_injection);
    order.push_back(nl.osc_tank);
  }
  for (int n = 1; n < static_cast<int>(nl.nodes.size()); ++n) {
    if (n != nl.osc_injection && n != nl.osc_tank) order.push_back(n);
  }
  std::vector<int> position(nl.nodes.size());
  for (std::size_t p = 0; p < order.size(); ++p) position[at(order[p])] = static_cast<int>(p);
  for (std::size_t n = 0; n < nl.nodes.size(); ++n) {
    const nl_node& node = nl.nodes[n];
    if (node.twin < 0 || position[at(node.twin)] < position[n]) continue;
    error(nl, node.twin_line,
          ".twin: '" + node.name + "' cannot share the voltage of " + quoted_node(nl, node.twin) +
              ", which comes after it in the node order");
  }
  return position;
}

void assign_ids(netlist& nl) {
  std::map<std::pair<int, int>, int32_t> next_id;
  for (nl_element& e : nl.elements) e.id = next_id[std::minmax(e.a, e.b)]++;
}

net_file network_of(const netlist& nl, const std::vector<int>& position) {
  const auto count = static_cast<int32_t>(nl.nodes.size());
  net_circuit c{1, count, 1, nl.params, {{group_id::period, {{-2, 1.0}}}}, {}, {}};
  c.nodes.resize(nl.nodes.size());
  for (int n = 0; n < count; ++n) {
    c.nodes[at(position[at(n)])] = node_record(nl, n, position[at(n)], count, position);
  }
  for (const nl_element& e : nl.elements) {
    add_end(c, e.a, e.b, e, e.list_at_a, {}, position);
    add_end(c, e.b, e.a, e, e.list_at_b, e.extra_at_b, position);
  }
  if (nl.osc_tank >= 0) {
    const nl_element& injection = nl.elements[at(nl.osc_switch)];
    c.nodelists.push_back(
        {injection.id, {position[at(nl.osc_injection)], position[at(nl.osc_tank)], 0}});
  }
  net_file file;
  file.circuits.push_back(std::move(c));
  return file;
}

names_file names_of(const netlist& nl, const std::vector<int>& position) {
  names_file names;
  names.nodes.resize(nl.nodes.size());
  for (std::size_t n = 0; n < nl.nodes.size(); ++n) names.nodes[at(position[n])] = nl.nodes[n].name;
  for (const nl_element& e : nl.elements) {
    names.elements.push_back(e.name);
    names.element_nodes.push_back({position[at(e.written_a)], position[at(e.written_b)]});
  }
  return names;
}

}  // namespace pss::netlist_compiler
