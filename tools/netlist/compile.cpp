// The compiler's steps in order. Each step runs only when the ones before
// it found no error, so every message is about the netlist as written and
// none is an echo of an earlier one.
#include <algorithm>

#include "tools/netlist/compiler.h"

namespace pss {

namespace {

using namespace netlist_compiler;

// The statements before `.end`: as in SPICE, the rest is not read.
std::vector<statement> netlist_statements(const std::string& text, netlist& nl) {
  std::vector<statement> statements =
      nl.spice ? spice_statements(text, nl) : read_statements(text, nl);
  for (std::size_t i = 0; i < statements.size(); ++i) {
    if (lower(statements[i].tokens[0].text) == ".end") statements.resize(i);
  }
  return statements;
}

void read_lines(netlist& nl, const std::string& text) {
  const std::vector<statement> statements = netlist_statements(text, nl);
  for (const statement& st : statements) {
    if (is_setting(st)) apply_setting(nl, st);
    if (is_model_card(st)) read_model_card(nl, st);
  }
  for (const statement& st : statements) {
    if (st.tokens[0].text[0] != '.') {
      parse_element(nl, st);
    } else if (!is_setting(st) && !is_model_card(st)) {
      take_directive(nl, st);
    }
  }
  if (error_count(nl) == 0 && nl.elements.empty()) error(nl, 0, "the netlist has no elements");
}

void link_circuit(netlist& nl) {
  apply_directives(nl);
  check_settings(nl);
  resolve_controls(nl);
  if (error_count(nl) == 0) check_elements(nl);
}

}  // namespace

compiled_netlist compile_netlist(const std::string& text) {
  return compile_netlist(text, compile_options{});
}

compiled_netlist compile_netlist(const std::string& text, const compile_options& options) {
  netlist nl;
  nl.spice = options.spice;
  nl.given_fundamental = options.fundamental;
  nl.path = options.path;
  nl.nodes.push_back({"0", 0, -1, 0.0, -1, 0});
  compiled_netlist out;
  read_lines(nl, text);
  if (error_count(nl) == 0) link_circuit(nl);
  std::vector<int> position;
  if (error_count(nl) == 0) position = node_positions(nl);
  if (error_count(nl) == 0) {
    warn_floating_nodes(nl);
    assign_ids(nl);
    set_control_ids(nl);
    out.network = network_of(nl, position);
    out.names = names_of(nl, position);
    out.ok = true;
  }
  out.analysis = nl.analysis;
  out.messages = std::move(nl.messages);
  std::stable_sort(
      out.messages.begin(), out.messages.end(),
      [](const netlist_message& x, const netlist_message& y) { return x.line < y.line; });
  locate_messages(nl, out.messages);
  return out;
}

std::string names_path_for(const std::string& net_path) {
  const std::string suffix = ".net";
  if (net_path.size() > suffix.size() &&
      net_path.compare(net_path.size() - suffix.size(), suffix.size(), suffix) == 0) {
    return net_path.substr(0, net_path.size() - suffix.size()) + ".names";
  }
  return net_path + ".names";
}

}  // namespace pss
