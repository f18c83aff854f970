// .osc TANK FREQUENCY AMPLITUDE: sets up the double PSS of an oscillator.
//
// pss finds an oscillator's period by injecting the tank at t = 0: a fixed
// injection node s, held at AMPLITUDE by a voltage source, hands its value
// to the tank through a 1-ohm windowed switch (type 103) whose window holds
// plane 0 alone. The switch's record at the tank carries dV/df, and the
// first nodelist [s, tank, ground] names the nodes the period equation
// observes. AMPLITUDE is about the tank's DC operating point: param 5 asks
// pss to add that level once it has solved the DC circuit. FREQUENCY sizes
// param 4 (unless .param 4 is given) and the inductors' default sense
// resistors; pss asks for the frequency itself.
#include <numbers>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

// The window (-w, w) around t = 0 must hold no plane but plane 0: up to
// 1 / w planes, far more than any solve can hold.
constexpr double window_half_width = 1e-9;
constexpr double injection_resistance = 1.0;  // ohms
// An inductor's sense resistance, as a share of its reactance at the
// oscillator's frequency (for a tank: its characteristic impedance Z0). The
// resistor adds a loss that shifts a tank's amplitude by about Q Rs / Z0;
// this share keeps that below 1e-5 up to Q = 10^4.
constexpr double oscillator_sense_share = 1e-9;

bool valid_oscillator(netlist& nl, const statement& st, int& tank, double& frequency,
                      double& amplitude) {
  const int line = st.tokens[0].line;
  if (nl.osc_tank >= 0) {
    error(nl, line,
          ".osc: a second oscillator directive (first on " + line_reference(nl, nl.osc_line) + ")");
    return false;
  }
  if (st.tokens.size() != 4) {
    error(nl, line, "expected .osc TANK FREQUENCY AMPLITUDE");
    return false;
  }
  tank = find_node(nl, st.tokens[1].text);
  if (tank < 0) {
    error(nl, st.tokens[1].line, ".osc: unknown node '" + st.tokens[1].text + "'");
    return false;
  }
  if (is_fixed(nl, tank)) {
    error(nl, line, ".osc: the tank node " + quoted_node(nl, tank) + " must not be fixed");
    return false;
  }
  if (!value_of(nl, st.tokens[2], ".osc", frequency) ||
      !value_of(nl, st.tokens[3], ".osc", amplitude)) {
    return false;
  }
  if (frequency <= 0) error(nl, line, ".osc: the frequency must be positive");
  if (amplitude == 0) error(nl, line, ".osc: the amplitude must not be 0");
  return frequency > 0 && amplitude != 0;
}

}  // namespace

void size_oscillator_sense_resistors(netlist& nl) {
  for (nl_element& e : nl.elements) {
    if (!(e.default_sense_of > 0)) continue;
    const double reactance = 2 * std::numbers::pi * nl.osc_frequency * e.default_sense_of;
    for (net_value& a : e.attributes) {
      if (a.tag == attr::resistance) a.value = oscillator_sense_share * reactance;
    }
  }
}

void add_oscillator(netlist& nl, const statement& st) {
  int tank = -1;
  double frequency = 0, amplitude = 0;
  if (!valid_oscillator(nl, st, tank, frequency, amplitude)) return;
  const int s = add_internal_node(nl, "osc#inject");
  const int source = static_cast<int>(nl.elements.size());
  // The source lists s alone: a second list node would make it couple into
  // s's rows once the double PSS frees s.
  nl.elements.push_back(added_element("osc#source", conection_type::vsource, s, 0,
                                      {{attr::dc_level, amplitude}}, {s}));
  nl.nodes[static_cast<std::size_t>(s)].driver = source;
  nl.nodes[static_cast<std::size_t>(s)].fixed_value = amplitude;
  nl.osc_switch = static_cast<int>(nl.elements.size());
  nl_element injection = added_element("osc#switch", conection_type::window_switch, s, tank,
                                       {{attr::window_start, -window_half_width},
                                        {attr::window_end, window_half_width},
                                        {attr::resistance, injection_resistance}},
                                       {s});
  // dV/df belongs to the record the first nodelist names: the tank's.
  injection.extra_at_b = {{attr::dvdf, 0.0}};
  nl.elements.push_back(std::move(injection));
  nl.osc_injection = s;
  nl.osc_tank = tank;
  nl.osc_line = st.tokens[0].line;
  nl.osc_frequency = frequency;
}

}  // namespace pss::netlist_compiler
