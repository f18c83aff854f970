// Directives, applied once every element has been read, so that they may
// name nodes the netlist introduces further down:
//   .param ID VALUE        a circuit param (param 4: the period offset of
//                          the oscillator's second solution slot, seconds)
//   .twin NODE TWIN        NODE shares TWIN's voltage (pss asks how, per
//                          time plane, when it expands the circuit)
//   .osc TANK FREQ AMPL    the oscillator set-up (oscillator.cpp)
#include <charconv>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool argument_count(netlist& nl, const statement& st, std::size_t count, const char* form) {
  if (st.tokens.size() == count + 1) return true;
  error(nl, st.tokens[0].line, std::string("expected ") + form);
  return false;
}

int known_node(netlist& nl, const token& t, const std::string& directive) {
  const int node = find_node(nl, t.text);
  if (node < 0) error(nl, t.line, directive + ": unknown node '" + t.text + "'");
  return node;
}

void apply_param(netlist& nl, const statement& st) {
  if (!argument_count(nl, st, 2, ".param ID VALUE")) return;
  const token& id_token = st.tokens[1];
  int32_t id = 0;
  const auto r =
      std::from_chars(id_token.text.data(), id_token.text.data() + id_token.text.size(), id);
  if (r.ec != std::errc() || r.ptr != id_token.text.data() + id_token.text.size()) {
    error(nl, id_token.line, ".param: malformed param id '" + id_token.text + "'");
    return;
  }
  double value = 0;
  if (!value_of(nl, st.tokens[2], ".param", value)) return;
  for (std::size_t i = 0; i < nl.params.size(); ++i) {
    if (nl.params[i].tag != id) continue;
    error(nl, id_token.line,
          ".param: param " + std::to_string(id) + " given twice (first on " +
              line_reference(nl, nl.params_lines[i]) + ")");
    return;
  }
  nl.params.push_back({id, value});
  nl.params_lines.push_back(id_token.line);
}

void apply_twin(netlist& nl, const statement& st) {
  if (!argument_count(nl, st, 2, ".twin NODE TWIN")) return;
  const int node = known_node(nl, st.tokens[1], ".twin");
  const int twin = known_node(nl, st.tokens[2], ".twin");
  if (node < 0 || twin < 0) return;
  const int line = st.tokens[0].line;
  if (node == twin) {
    error(nl, line, ".twin: a node cannot be its own twin");
  } else if (is_fixed(nl, node) || is_fixed(nl, twin)) {
    error(nl, line, ".twin: ground and fixed nodes cannot be twinned");
  } else if (nl.nodes[static_cast<std::size_t>(node)].twin >= 0) {
    error(nl, line, ".twin: node " + quoted_node(nl, node) + " already has a twin");
  } else {
    nl.nodes[static_cast<std::size_t>(node)].twin = twin;
    nl.nodes[static_cast<std::size_t>(node)].twin_line = line;
  }
}

// A node that shares another's voltage holds no voltage of its own, so it
// cannot be shared in turn.
void check_twin_chains(netlist& nl) {
  for (const nl_node& n : nl.nodes) {
    if (n.twin < 0 || nl.nodes[static_cast<std::size_t>(n.twin)].twin < 0) continue;
    error(nl, n.twin_line,
          ".twin: '" + n.name + "' cannot share the voltage of " + quoted_node(nl, n.twin) +
              ", which shares another node's");
  }
}

bool has_param(const netlist& nl, int32_t id) {
  for (const net_value& p : nl.params) {
    if (p.tag == id) return true;
  }
  return false;
}

}  // namespace

void take_directive(netlist& nl, const statement& st) {
  const std::string name = lower(st.tokens[0].text);
  if (name == ".param" || name == ".twin" || name == ".osc") {
    nl.directives.push_back(st);
  } else {
    error(nl, st.tokens[0].line, "unknown directive '" + st.tokens[0].text + "'");
  }
}

void apply_directives(netlist& nl) {
  for (const statement& st : nl.directives) {
    const std::string name = lower(st.tokens[0].text);
    if (name == ".param") apply_param(nl, st);
    if (name == ".twin") apply_twin(nl, st);
    if (name == ".osc") add_oscillator(nl, st);
  }
  check_twin_chains(nl);
  // The double PSS compares solutions at T and T + param 4; a thousandth of
  // the expected period keeps the difference quotient well conditioned.
  if (nl.osc_tank >= 0 && !has_param(nl, param_id::slot1_period_offset)) {
    nl.params.push_back({param_id::slot1_period_offset, 1e-3 / nl.osc_frequency});
    nl.params_lines.push_back(nl.osc_line);
  }
  // .osc's amplitude is about the tank's DC operating point, which pss adds
  // once it has solved the DC circuit.
  if (nl.osc_tank >= 0 && !has_param(nl, param_id::injection_about_dc)) {
    nl.params.push_back({param_id::injection_about_dc, 1.0});
    nl.params_lines.push_back(nl.osc_line);
  }
  if (nl.osc_tank >= 0) size_oscillator_sense_resistors(nl);
}

}  // namespace pss::netlist_compiler
