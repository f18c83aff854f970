// D name anode cathode IS [N=n] [BV=v] [NBV=n] CLIPPED
//
// The clipped law of type 200; without CLIPPED a D line is the SPICE
// junction diode (junction_diode.cpp).
// IS (also IS=) is the saturation current in amperes; N and NBV are the
// emission coefficients of the forward and the breakdown exponent, as in
// SPICE: the current grows as exp(V / (N * 25.85 mV)). BV is the breakdown
// voltage; only its magnitude counts.
#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

// The solver's exponent factors multiply 38.6815 per volt (1 / Vt), so an
// emission coefficient n becomes the factor 1 / n.
bool append_coefficient(netlist& nl, const nl_element& e, std::vector<item>& items, const char* key,
                        int32_t id, std::vector<net_value>& attributes) {
  double n = 0;
  bool found = false;
  if (!take_option(nl, items, e.name, key, n, found)) return false;
  if (!found) return true;
  if (n <= 0) {
    error(nl, e.line, e.name + ": " + key + " must be positive");
    return false;
  }
  attributes.push_back({id, 1.0 / n});
  return true;
}

bool saturation_current(netlist& nl, const nl_element& e, std::vector<item>& items, double& is) {
  bool found = false;
  if (!take_option(nl, items, e.name, "IS", is, found)) return false;
  if (!found && take_number(nl, items, e, "saturation current", is) == nullptr) return false;
  if (is <= 0) {
    error(nl, e.line, e.name + ": IS must be positive");
    return false;
  }
  return true;
}

}  // namespace

void parse_diode(netlist& nl, nl_element& e, std::vector<item>& items,
                 std::vector<nl_element>& added) {
  if (take_flag(items, "CLIPPED")) {
    parse_clipped_diode(nl, e, items, added);
  } else {
    parse_junction_diode(nl, e, items, added);
  }
}

void parse_clipped_diode(netlist& nl, nl_element& e, std::vector<item>& items,
                         std::vector<nl_element>&) {
  e.type = conection_type::diode;
  double is = 0;
  if (!saturation_current(nl, e, items, is)) return;
  e.attributes = {{attr::saturation_current, is}};
  if (!append_coefficient(nl, e, items, "N", attr::exponent_factor, e.attributes)) return;
  double bv = 0;
  bool has_bv = false;
  if (!take_option(nl, items, e.name, "BV", bv, has_bv)) return;
  if (has_bv) e.attributes.push_back({attr::breakdown_voltage, bv});
  if (!append_coefficient(nl, e, items, "NBV", attr::breakdown_factor, e.attributes)) return;
  e.list_at_a = {e.a};
  e.list_at_b = {e.a};
}

}  // namespace pss::netlist_compiler
