#include "support/circuit_plan.h"

#include <map>

#include "model/codes.h"

namespace pss::test {

int circuit_plan::fixed(double value) {
  nodes.push_back({true, value, -1});
  return static_cast<int>(nodes.size()) - 1;
}

int circuit_plan::unknown(double start) {
  nodes.push_back({false, start, -1});
  return static_cast<int>(nodes.size()) - 1;
}

int circuit_plan::twin_of(int node) {
  nodes.push_back({false, 0.0, node});
  return static_cast<int>(nodes.size()) - 1;
}

void circuit_plan::resistor(const std::string& name, int a, int b, double ohms, int32_t id) {
  add({name, conection_type::resistor, a, b, id, {{attr::resistance, ohms}}, {}, {}, {}});
}

net_file circuit_plan::file() const {
  net_circuit c{1, static_cast<int32_t>(nodes.size()), 1, params, {}, {}, nodelists};
  c.globals.push_back({group_id::period, {{period_number, period}}});
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    net_node n{static_cast<int32_t>(i),
               {{param_id::plane_time, 0.0}},
               nodes[i].twin,
               {},
               {},
               -1,
               -1,
               -1,
               -1};
    if (nodes[i].twin == -1) {
      n.groups.push_back({group_id::voltage, {{nodes[i].fixed ? -1 : 0, nodes[i].value}}});
    }
    n.next = i + 1 < nodes.size() ? static_cast<int32_t>(i + 1) : -1;
    n.prev = static_cast<int32_t>(i) - 1;
    c.nodes.push_back(n);
  }
  auto add_end = [&](int at, int other, const element_plan& e, const std::vector<int>& list,
                     bool extra) {
    net_conection con{e.id, e.name, e.type, e.attributes, {}};
    if (extra)
      con.attributes.insert(con.attributes.end(), e.extra_at_b.begin(), e.extra_at_b.end());
    for (int p : list) con.nodes.push_back(p);
    append_conection(c.nodes[static_cast<std::size_t>(at)], other, std::move(con));
  };
  for (const element_plan& e : elements) {
    add_end(e.a, e.b, e, e.nodes_at_a, false);
    add_end(e.b, e.a, e, e.nodes_at_b, true);
  }
  net_file file;
  file.circuits.push_back(c);
  return file;
}

std::vector<uint8_t> circuit_plan::bytes() const {
  return write_network(file());
}

}  // namespace pss::test
