// L name a b value [TRAP] [RSENSE=r]
//
// The solver has no branch currents: an inductor's current is read through
// a sense resistor in series. The compiler adds a node m, puts the inductor
// between a and m and the sense resistor (id 0, the one the inductor looks
// up) between m and b. The explicit form (the default) reads the sensed
// current one plane late, which shifts frequencies by about
// +pi * Rs / (Z0 * N) on N planes, so Rs must stay small against the
// circuit's impedance Z0; RSENSE overrides the default. With .osc the
// default is sized from the oscillator's frequency instead (oscillator.cpp).
#include <cmath>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

constexpr double default_sense_resistance = 1e-4;  // ohms

}  // namespace

void parse_inductor(netlist& nl, nl_element& e, std::vector<item>& items,
                    std::vector<nl_element>& added) {
  e.type = take_flag(items, "TRAP") ? conection_type::inductor_trap : conection_type::inductor;
  double sense = default_sense_resistance;
  bool has_sense = false;
  if (!take_option(nl, items, e.name, "RSENSE", sense, has_sense)) return;
  if (sense <= 0) {
    error(nl, e.line, e.name + ": RSENSE must be positive");
    return;
  }
  double l = 0;
  if (!take_nonzero(nl, items, e, "inductance", l)) return;
  const int b = e.b;
  const int m = add_internal_node(nl, e.name + "#sense");
  e.b = m;
  e.attributes = {{attr::inductance, l}};
  // The model adds (V(S1) - V(S2)) / Rs to the current into its row node:
  // at a that is the current from b back to m, at m the current from m on
  // to b.
  e.list_at_a = {b, m};
  e.list_at_b = {m, b};
  added.push_back(added_element(e.name + "#rs", conection_type::resistor, m, b,
                                {{attr::resistance, sense}}, {}));
  if (!has_sense) added.back().default_sense_of = std::fabs(l);
}

}  // namespace pss::netlist_compiler
