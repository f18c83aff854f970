// A source's waveform as a SPICE deck writes it:
//   [DC x] [AC mag [phase]] SIN(VO VA FREQ [TD [THETA [PHASE]]])
// SPICE's sine is VO + VA sin(2 pi FREQ t + PHASE), PHASE in degrees; pss's
// is dc + amplitude sin(2 pi harmonic t / T + phase), the same sign, so
// PHASE carries over as it stands. FREQ must be a whole multiple of the
// fundamental 1/T. The AC part belongs to a small-signal run and is
// skipped; a DC value beside a sine is SPICE's operating point only, the
// transient runs about VO, so VO is the level.
#include <cmath>

#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

void skip_ac(netlist& nl, const nl_element& e, std::vector<item>& items) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (items[i].used || items[i].kind != item_kind::word || items[i].key != "AC") continue;
    items[i].used = true;
    for (std::size_t k = i + 1; k < items.size() && k <= i + 2; ++k) {
      if (items[k].kind != item_kind::value) break;
      items[k].used = true;
    }
    note(nl, items[i].first.line, e.name + ": AC part skipped: it belongs to a small-signal run");
    return;
  }
}

bool refuse_other_waveforms(netlist& nl, const nl_element& e, std::vector<item>& items) {
  for (const char* form : {"PULSE", "PWL", "EXP", "SFFM", "AM"}) {
    if (const item* it = take(items, item_kind::group, form)) {
      error(nl, it->first.line,
            e.name + ": pss cannot represent a " + form + " waveform, only a DC level and a sine");
      return false;
    }
  }
  return true;
}

// FREQ as a harmonic of the fundamental, within a relative 1e-9.
bool harmonic_of(netlist& nl, const nl_element& e, const item& sine, double freq,
                 double& harmonic) {
  const double fundamental = nl.fundamental();
  if (fundamental <= 0) {
    error(nl, sine.first.line,
          e.name +
              ": a SPICE sine needs the fundamental: give a .pss directive or "
              "pss-net compile --fundamental F");
    return false;
  }
  harmonic = std::round(freq / fundamental);
  if (harmonic < 1 || std::fabs(freq / fundamental - harmonic) > 1e-9 * harmonic) {
    error(nl, sine.first.line,
          e.name + ": the sine's frequency " + sine.args[2].text +
              " is not a whole multiple of the fundamental");
    return false;
  }
  return true;
}

}  // namespace

bool read_spice_waveform(netlist& nl, const nl_element& e, std::vector<item>& items,
                         spice_waveform& w) {
  w = spice_waveform{};
  skip_ac(nl, e, items);
  if (!refuse_other_waveforms(nl, e, items)) return false;
  take_flag(items, "DC");
  const item* value = take_value(items);
  if (value != nullptr && !value_of(nl, value->first, e.name, w.dc)) return false;
  const item* sine = take(items, item_kind::group, "SIN");
  if (sine == nullptr) {
    if (value != nullptr) return true;
    error(nl, e.line, e.name + ": missing value");
    return false;
  }
  std::vector<double> v;
  if (!group_values(nl, *sine, e.name, 3, 6, v)) return false;
  if ((v.size() > 3 && v[3] != 0) || (v.size() > 4 && v[4] != 0)) {
    error(nl, sine->first.line,
          e.name + ": a sine's delay TD and damping THETA must be 0 in a periodic steady state");
    return false;
  }
  if (!harmonic_of(nl, e, *sine, v[2], w.harmonic)) return false;
  if (value != nullptr && w.dc != v[0]) {
    note(nl, value->first.line,
         e.name + ": DC value skipped: the steady state runs about the sine's offset VO");
  }
  w.dc = v[0];
  w.has_sine = true;
  w.amplitude = v[1];
  w.phase_degrees = v.size() > 5 ? v[5] : 0.0;
  return true;
}

}  // namespace pss::netlist_compiler
