#include "tools/netlist/compiled_circuit.h"

#include <gtest/gtest.h>

#include "model/read_network.h"
#include "run/circuit_checks.h"

namespace pss::test {

int32_t compiled_circuit::index(const std::string& name) const {
  const std::vector<std::string>& nodes = result.names.nodes;
  for (std::size_t i = 0; i < nodes.size(); ++i) {
    if (nodes[i] == name) return static_cast<int32_t>(i);
  }
  return -1;
}

node* compiled_circuit::node_named(const std::string& name) const {
  for (node* n : each(c->nodes)) {
    if (n->index == index(name)) return n;
  }
  ADD_FAILURE() << "no node " << name;
  return nullptr;
}

std::unique_ptr<compiled_circuit> compile_and_read(const std::string& text) {
  auto compiled = std::make_unique<compiled_circuit>();
  compiled->result = compile_netlist(text);
  for (const netlist_message& m : compiled->result.messages) {
    if (m.is_error) ADD_FAILURE() << text << message_line("t.cir", m);
  }
  if (!compiled->result.ok) return compiled;
  read_network_bytes(compiled->net, write_network(compiled->result.network));
  compiled->c = compiled->net.circuit;
  check_network(compiled->c);  // what pss checks before it starts a job
  return compiled;
}

std::vector<element_end> ends_of(const circuit* c, const std::string& name) {
  std::vector<element_end> ends;
  for (node* n : each(c->nodes)) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        if (std::string(e->conection->name, e->conection->name_len) == name) {
          ends.push_back({n, nb->node, e});
        }
      }
    }
  }
  return ends;
}

attributes attributes_of(const conection* con) {
  attributes out;
  for (tagged_value* a : each(con->attributes)) out.emplace_back(a->tag, a->value);
  return out;
}

std::vector<int32_t> list_of(const conection_entry* entry) {
  std::vector<int32_t> out;
  for (node_ref* r : each(entry->nodes)) out.push_back(r->node->index);
  return out;
}

}  // namespace pss::test
