// V name n+ n- [DC] value [SIN(amplitude [phase [harmonic]])]
// I name n+ n- [DC] value [SIN(amplitude [phase [harmonic]])]
//
// A DC level and at most one sine component: amplitude, phase in degrees
// (default 0), harmonic as a whole multiple of the fundamental (default
// 1). The solver reads only a source's first sine component, so a second
// one is refused rather than dropped.
//
// A voltage source fixes its non-ground node: one end must be ground. The
// source's record lists n+ at both ends, and the solver gives the listed
// node the source's value, so `V1 0 p ...` drives p to minus the value, as
// V(n+) - V(n-) = value asks. A current source drives its current out of
// n+ into n-, through the source from n+ to n-, as SPICE counts it.
#include <cmath>
#include <numbers>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

using waveform = spice_waveform;

// The plain grammar's third value is a harmonic; a SPICE deck's is a
// frequency in hertz, and a deck read without --spice would otherwise be
// solved at the wrong harmonic without a word.
const char* const spice_hint = " (a SPICE SIN(VO VA FREQ ...) needs pss-net compile --spice)";

bool read_sine(netlist& nl, const nl_element& e, std::vector<item>& items, waveform& w) {
  const item* sine = take(items, item_kind::group, "SIN");
  if (sine == nullptr) return true;
  if (const item* second = take(items, item_kind::group, "SIN")) {
    error(nl, second->first.line, e.name + ": a second sine component (only one is allowed)");
    return false;
  }
  std::vector<double> v;
  if (!group_values(nl, *sine, e.name, 1, 3, v)) return false;
  w.has_sine = true;
  w.amplitude = v[0];
  w.phase_degrees = v.size() > 1 ? v[1] : 0.0;
  w.harmonic = v.size() > 2 ? v[2] : 1.0;
  if (w.harmonic < 1 || w.harmonic != std::floor(w.harmonic)) {
    error(nl, sine->first.line,
          e.name + ": the harmonic must be a whole number, 1 or more" + spice_hint);
    return false;
  }
  if (w.harmonic >= 1000) {
    warning(nl, sine->first.line,
            e.name + ": harmonic " + sine->args[2].text + " is read as SIN(amplitude phase " +
                "harmonic)" + spice_hint);
  }
  return true;
}

bool read_waveform(netlist& nl, const nl_element& e, std::vector<item>& items, waveform& w) {
  if (nl.spice) return read_spice_waveform(nl, e, items, w);
  w = waveform{0.0, false, 0.0, 0.0, 1.0};
  const bool dc_keyword = take_flag(items, "DC");
  const item* value = take_value(items);
  if (value != nullptr && !value_of(nl, value->first, e.name, w.dc)) return false;
  if (!read_sine(nl, e, items, w)) return false;
  if ((value == nullptr && !w.has_sine) || (dc_keyword && value == nullptr)) {
    error(nl, e.line, e.name + ": missing value");
    return false;
  }
  return true;
}

// The dc level, then the sine component: amplitude, phase, harmonic, the
// order the source dialogue walks them in.
void append_waveform(const waveform& w, double phase, std::vector<net_value>& attributes) {
  attributes.push_back({attr::dc_level, w.dc});
  if (!w.has_sine) return;
  attributes.push_back({attr::ac_amplitude, w.amplitude});
  attributes.push_back({attr::phase, phase});
  attributes.push_back({attr::harmonic, w.harmonic});
}

}  // namespace

void parse_current_source(netlist& nl, nl_element& e, std::vector<item>& items,
                          std::vector<nl_element>&) {
  e.type = conection_type::isource;
  waveform w;
  if (!read_waveform(nl, e, items, w)) return;
  append_waveform(w, w.phase_degrees * std::numbers::pi / 180.0, e.attributes);  // radians
  e.list_at_a = {e.a};
  e.list_at_b = {e.a};
}

void parse_voltage_source(netlist& nl, nl_element& e, std::vector<item>& items,
                          std::vector<nl_element>&) {
  e.type = conection_type::vsource;
  if (e.a != 0 && e.b != 0) {
    error(nl, e.line, e.name + ": a voltage source must have ground (0) as one of its nodes");
    return;
  }
  waveform w;
  if (!read_waveform(nl, e, items, w)) return;
  append_waveform(w, w.phase_degrees / 360.0, e.attributes);  // periods
  e.list_at_a = {e.a};
  e.list_at_b = {e.a};
}

void fix_driven_node(netlist& nl, int element) {
  const nl_element& e = nl.elements[static_cast<std::size_t>(element)];
  const int driven = e.a == 0 ? e.b : e.a;
  nl_node& n = nl.nodes[static_cast<std::size_t>(driven)];
  if (n.driver >= 0) {
    const nl_element& first = nl.elements[static_cast<std::size_t>(n.driver)];
    error(nl, e.line,
          e.name + ": node " + quoted_node(nl, driven) + " is already driven by " + first.name +
              (first.line > 0 ? " (line " + std::to_string(first.line) + ")" : ""));
    return;
  }
  n.driver = element;
  // The solver writes the source's value before every solve; the file's
  // value is where it starts.
  const double dc = e.attributes.front().value;
  n.fixed_value = e.a == 0 ? -dc : dc;
}

}  // namespace pss::netlist_compiler
