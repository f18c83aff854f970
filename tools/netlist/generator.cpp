// F name n+ n- control gain [DELAY=seconds]
//
// A current generator driving gain times the current of the control
// element, a linear resistor or a diode named elsewhere in the netlist,
// out of n+ into n-. The control current flows through the control from
// its first node to its second (anode to cathode for a diode), so the
// generator's record lists n+ and then the control's two nodes in that
// order. DELAY (at most the period) delays the control current.
#include "elements/element_kinds.h"
#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

// The generator reads the control's resistance alone: a nonlinear
// resistor has none and a series source would go unseen.
bool can_control(const nl_element& c) {
  const element_kind* kind = element_kind_of(c.type);
  if (kind == nullptr || kind->control == nullptr) return false;
  if (c.type != conection_type::resistor) return true;
  if (!c.list_at_a.empty()) return false;
  for (const net_value& a : c.attributes) {
    if (a.tag == attr::resistance) return true;
  }
  return false;
}

}  // namespace

void parse_generator(netlist& nl, nl_element& e, std::vector<item>& items,
                     std::vector<nl_element>&) {
  e.type = conection_type::igen;
  const item* control = take(items, item_kind::word, nullptr);
  if (control == nullptr) {
    error(nl, e.line, e.name + ": missing control element");
    return;
  }
  e.control = control->first;
  double g = 0;
  if (take_number(nl, items, e, "gain", g) == nullptr) return;
  e.attributes = {{attr::gain, g}};
  double delay = 0;
  bool has_delay = false;
  if (!take_option(nl, items, e.name, "DELAY", delay, has_delay)) return;
  if (has_delay && delay < 0) {
    error(nl, e.line, e.name + ": DELAY must not be negative");
    return;
  }
  if (has_delay) e.attributes.push_back({attr::control_delay, delay});
}

void resolve_controls(netlist& nl) {
  for (nl_element& e : nl.elements) {
    if (e.type != conection_type::igen) continue;
    const int c = find_element(nl, e.control.text);
    if (c < 0) {
      error(nl, e.control.line, e.name + ": unknown control element '" + e.control.text + "'");
      continue;
    }
    const nl_element& control = nl.elements[static_cast<std::size_t>(c)];
    if (!can_control(control)) {
      error(nl, e.control.line,
            e.name + ": control element '" + control.name +
                "' is neither a linear resistor without SERIES nor a diode");
      continue;
    }
    e.list_at_a = {e.a, control.a, control.b};
    e.list_at_b = e.list_at_a;
  }
}

// The control is named by its conection id between its two nodes, which
// is known once every element has its id.
void set_control_ids(netlist& nl) {
  for (nl_element& e : nl.elements) {
    if (e.type != conection_type::igen) continue;
    const nl_element& control =
        nl.elements[static_cast<std::size_t>(find_element(nl, e.control.text))];
    e.attributes.push_back({attr::control_id, static_cast<double>(control.id)});
  }
}

}  // namespace pss::netlist_compiler
