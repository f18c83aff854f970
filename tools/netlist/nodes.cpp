// The node table. Node names are case-insensitive, as in SPICE; `0` and
// `gnd` name ground, node 0. `#` is kept for the names of nodes the
// compiler adds (an inductor's sense node, the oscillator's injection
// node), so no user name can clash with them.
#include <cctype>

#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

std::string lower(const std::string& text) {
  std::string out = text;
  for (char& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

bool is_fixed(const netlist& nl, int node) {
  return node == 0 || nl.nodes[static_cast<std::size_t>(node)].driver >= 0;
}

int find_node(const netlist& nl, const std::string& name) {
  const std::string key = lower(name);
  if (key == "0" || key == "gnd") return 0;
  const auto found = nl.node_keys.find(key);
  return found == nl.node_keys.end() ? -1 : found->second;
}

int add_internal_node(netlist& nl, const std::string& name) {
  nl.nodes.push_back({name, 0, -1, 0.0, -1, 0});
  return static_cast<int>(nl.nodes.size()) - 1;
}

int node_named(netlist& nl, const token& t) {
  const int known = find_node(nl, t.text);
  if (known >= 0) return known;
  if (t.text.find('#') != std::string::npos) {
    error(nl, t.line, "node name '" + t.text + "' may not contain '#'");
    return -1;
  }
  const int node = add_internal_node(nl, t.text);
  nl.nodes.back().line = t.line;
  nl.node_keys[lower(t.text)] = node;
  return node;
}

std::string quoted_node(const netlist& nl, int node) {
  return "'" + nl.nodes[static_cast<std::size_t>(node)].name + "'";
}

}  // namespace pss::netlist_compiler
