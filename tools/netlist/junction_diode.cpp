// D name anode cathode [MODEL] [IS] [IS=a] [N=n] [RS=ohm] [CJO=F] [VJ=V]
//   [M=m] [FC=f] [TT=s] [BV=V] [IBV=A]
//
// The SPICE level-1 junction diode (type 210, or 211 when the netlist's
// DIFFERENCE option is central). A bare word names a `.model NAME D` card;
// parameters on the line override the card's; a bare number is IS. Absent
// parameters take SPICE's defaults in the solver. RS becomes a resistor
// from the anode to an internal node `NAME#a`, where the junction starts.
#include <cctype>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

struct junction_parameter {
  const char* key;
  int32_t id;  // 0 for RS, which the compiler builds
  double least;
  bool least_allowed;
  double below;  // 0: no upper bound
};

constexpr junction_parameter parameters[] = {
    {"IS", attr::junction_is, 0, false, 0},
    {"N", attr::junction_n, 0, false, 0},
    {"RS", 0, 0, true, 0},
    {"CJO", attr::junction_cjo, 0, true, 0},
    {"VJ", attr::junction_vj, 0, false, 0},
    {"M", attr::junction_m, 0, true, 1},
    {"FC", attr::junction_fc, 0, true, 1},
    {"TT", attr::junction_tt, 0, true, 0},
    {"BV", attr::junction_bv, 0, true, 0},
    {"IBV", attr::junction_ibv, 0, false, 0},
};

bool in_range(const junction_parameter& p, double v) {
  if (v < p.least || (v == p.least && !p.least_allowed)) return false;
  return p.below == 0 || v < p.below;
}

std::string range_text(const junction_parameter& p) {
  std::string text = p.least_allowed ? "at least 0" : "positive";
  if (p.below != 0) text += " and below 1";
  return text;
}

// The card's values, then the line's; false after an error.
bool collect(netlist& nl, const nl_element& e, std::vector<item>& items,
             std::map<std::string, double>& values) {
  if (const item* name = take(items, item_kind::word, nullptr)) {
    const model_card* card = model_named(nl, e, name->first.text, "D");
    if (card == nullptr) return false;
    for (const auto& [key, value] : card->params) {
      bool known = false;
      for (const junction_parameter& p : parameters) known = known || key == p.key;
      if (!known) warning(nl, e.line, e.name + ": .model parameter " + key + " is not used");
      values[key] = value;
    }
  }
  if (const item* is = take_value(items)) {
    double v = 0;
    if (!value_of(nl, is->first, e.name, v)) return false;
    values["IS"] = v;
  }
  for (const junction_parameter& p : parameters) {
    double v = 0;
    bool found = false;
    if (!take_option(nl, items, e.name, p.key, v, found)) return false;
    if (found) values[p.key] = v;
  }
  return true;
}

}  // namespace

void parse_junction_diode(netlist& nl, nl_element& e, std::vector<item>& items,
                          std::vector<nl_element>& added) {
  std::map<std::string, double> values;
  if (!collect(nl, e, items, values)) return;
  e.type = nl.forms == difference_forms::central ? conection_type::junction_diode_central
                                                 : conection_type::junction_diode;
  for (const junction_parameter& p : parameters) {
    const auto v = values.find(p.key);
    if (v == values.end()) continue;
    if (!in_range(p, v->second)) {
      error(nl, e.line, e.name + ": " + p.key + " must be " + range_text(p));
      return;
    }
    if (p.id != 0) e.attributes.push_back({p.id, v->second});
  }
  const auto rs = values.find("RS");
  if (rs != values.end() && rs->second > 0) {
    const int inner = add_internal_node(nl, e.name + "#a");
    added.push_back(added_element(e.name + "#rs", conection_type::resistor, e.a, inner,
                                  {{attr::resistance, rs->second}}, {}));
    e.a = inner;
  }
  e.list_at_a = {e.a};
  e.list_at_b = {e.a};
}

}  // namespace pss::netlist_compiler
