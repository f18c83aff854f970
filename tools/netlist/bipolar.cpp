// Q name collector base emitter [substrate] MODEL [area | AREA=area]
//
// The Gummel-Poon bipolar transistor of a `.model NAME NPN|PNP (...)` card,
// in SPICE's syntax. It becomes three branches between the intrinsic
// collector, base and emitter, each with the node list [C, B, E]: `NAME#ce`,
// the transport current (type 220), and the junctions `NAME#be` and
// `NAME#bc` (221 and 223, or 222 and 224 when the netlist's DIFFERENCE
// option is central); a junction whose two ends are one node carries
// nothing and is left out. RC, RB and RE above 0 become resistors
// `NAME#rc`, `NAME#rb`, `NAME#re` from the terminal to an internal node
// `NAME#c`, `NAME#b`, `NAME#e`. The area multiplies IS, ISE, ISC, IKF, IKR,
// CJE and CJC and divides the resistances, as SPICE does, so that the
// network carries the device's own values. A substrate node is accepted
// and not connected: without CJS, which the model leaves out, SPICE's
// substrate carries no current either.
#include <map>
#include <string>
#include <vector>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

// How a parameter is checked and how the area scales it.
namespace scaled {
constexpr int not_at_all = 0;
constexpr int by_area = 1;
constexpr int by_inverse_area = 2;
}  // namespace scaled

struct bipolar_parameter {
  const char* key;
  int32_t id;  // 0 for the resistances, which the compiler builds
  bool zero_allowed;
  bool below_one;
  int scaling;
};

constexpr bipolar_parameter parameters[] = {
    {"IS", attr::bipolar_is, false, false, scaled::by_area},
    {"BF", attr::bipolar_bf, false, false, scaled::not_at_all},
    {"BR", attr::bipolar_br, false, false, scaled::not_at_all},
    {"NF", attr::bipolar_nf, false, false, scaled::not_at_all},
    {"NR", attr::bipolar_nr, false, false, scaled::not_at_all},
    {"VAF", attr::bipolar_vaf, true, false, scaled::not_at_all},
    {"VAR", attr::bipolar_var, true, false, scaled::not_at_all},
    {"IKF", attr::bipolar_ikf, true, false, scaled::by_area},
    {"IKR", attr::bipolar_ikr, true, false, scaled::by_area},
    {"ISE", attr::bipolar_ise, true, false, scaled::by_area},
    {"NE", attr::bipolar_ne, false, false, scaled::not_at_all},
    {"ISC", attr::bipolar_isc, true, false, scaled::by_area},
    {"NC", attr::bipolar_nc, false, false, scaled::not_at_all},
    {"RB", 0, true, false, scaled::by_inverse_area},
    {"RE", 0, true, false, scaled::by_inverse_area},
    {"RC", 0, true, false, scaled::by_inverse_area},
    {"CJE", attr::bipolar_cje, true, false, scaled::by_area},
    {"VJE", attr::bipolar_vje, false, false, scaled::not_at_all},
    {"MJE", attr::bipolar_mje, true, true, scaled::not_at_all},
    {"CJC", attr::bipolar_cjc, true, false, scaled::by_area},
    {"VJC", attr::bipolar_vjc, false, false, scaled::not_at_all},
    {"MJC", attr::bipolar_mjc, true, true, scaled::not_at_all},
    {"FC", attr::bipolar_fc, true, true, scaled::not_at_all},
    {"TF", attr::bipolar_tf, true, false, scaled::not_at_all},
    {"TR", attr::bipolar_tr, true, false, scaled::not_at_all},
};

const bipolar_parameter* parameter_named(const std::string& key) {
  for (const bipolar_parameter& p : parameters) {
    if (key == p.key) return &p;
  }
  return nullptr;
}

bool in_range(const bipolar_parameter& p, double v) {
  if (v < 0 || (v == 0 && !p.zero_allowed)) return false;
  return !p.below_one || v < 1;
}

std::string range_text(const bipolar_parameter& p) {
  std::string text = p.zero_allowed ? "at least 0" : "positive";
  if (p.below_one) text += " and below 1";
  return text;
}

// The next unused item if it can name a node or a model (a bare word or
// number); null otherwise.
item* next_name(std::vector<item>& items) {
  for (item& it : items) {
    if (it.used) continue;
    if (it.kind != item_kind::word && it.kind != item_kind::value) return nullptr;
    it.used = true;
    return &it;
  }
  return nullptr;
}

bool names_bipolar_card(const netlist& nl, const item& it) {
  const auto card = nl.models.find(lower(it.first.text));
  return card != nl.models.end() && (card->second.kind == "NPN" || card->second.kind == "PNP");
}

// The emitter, the substrate when one is written (a model name decides,
// as in SPICE), and the card; null after an error.
const model_card* read_terminals(netlist& nl, nl_element& e, std::vector<item>& items,
                                 int& emitter) {
  const item* first = next_name(items);
  if (first == nullptr) {
    error(nl, e.line, e.name + ": needs collector, base and emitter nodes and a model");
    return nullptr;
  }
  emitter = node_named(nl, first->first);
  if (emitter < 0) return nullptr;
  item* model = next_name(items);
  if (model != nullptr && !names_bipolar_card(nl, *model)) {
    item* after = next_name(items);
    if (after != nullptr && names_bipolar_card(nl, *after)) {
      model = after;  // the word before it is the substrate
    } else if (after != nullptr) {
      after->used = false;
    }
  }
  if (model == nullptr) {
    error(nl, e.line, e.name + ": needs a .model NPN or PNP card");
    return nullptr;
  }
  const auto card = nl.models.find(lower(model->first.text));
  if (card == nl.models.end()) {
    error(nl, e.line, e.name + ": no .model '" + model->first.text + "'");
    return nullptr;
  }
  if (card->second.kind != "NPN" && card->second.kind != "PNP") {
    error(nl, e.line,
          e.name + ": .model '" + model->first.text + "' is a " + card->second.kind +
              ", not an NPN or PNP");
    return nullptr;
  }
  return &card->second;
}

bool read_area(netlist& nl, const nl_element& e, std::vector<item>& items, double& area) {
  area = 1;
  bool found = false;
  if (!take_option(nl, items, e.name, "AREA", area, found)) return false;
  if (!found) {
    if (const item* bare = take_value(items)) {
      if (!value_of(nl, bare->first, e.name, area)) return false;
    }
  }
  if (area <= 0) {
    error(nl, e.line, e.name + ": the area must be positive");
    return false;
  }
  return true;
}

// The card's values, checked, with the area applied; false after an error.
bool card_values(netlist& nl, const nl_element& e, const model_card& card, double area,
                 std::map<std::string, double>& values) {
  for (const auto& [key, value] : card.params) {
    if (key == "LEVEL") {
      if (value == 1) continue;
      error(nl, e.line, e.name + ": only the Gummel-Poon model, LEVEL=1, is known");
      return false;
    }
    const bipolar_parameter* p = parameter_named(key);
    if (p == nullptr) {
      warning(nl, e.line, e.name + ": .model parameter " + key + " is not used");
      continue;
    }
    if (!in_range(*p, value)) {
      error(nl, e.line, e.name + ": " + key + " must be " + range_text(*p));
      return false;
    }
    values[key] = p->scaling == scaled::by_area           ? value * area
                  : p->scaling == scaled::by_inverse_area ? value / area
                                                          : value;
  }
  return true;
}

// A resistor from `terminal` to a new internal node when `key` is above 0;
// returns the node the intrinsic device sees.
int series_resistance(netlist& nl, const nl_element& e, const std::map<std::string, double>& values,
                      const char* key, const char* suffix, int terminal,
                      std::vector<nl_element>& added) {
  const auto r = values.find(key);
  if (r == values.end() || r->second == 0) return terminal;
  const int inner = add_internal_node(nl, e.name + "#" + suffix);
  added.push_back(added_element(e.name + "#r" + suffix, conection_type::resistor, terminal, inner,
                                {{attr::resistance, r->second}}, {}));
  return inner;
}

}  // namespace

void parse_bipolar(netlist& nl, nl_element& e, std::vector<item>& items,
                   std::vector<nl_element>& added) {
  int emitter = 0;
  const model_card* card = read_terminals(nl, e, items, emitter);
  if (card == nullptr) return;
  double area = 1;
  if (!read_area(nl, e, items, area)) return;
  std::map<std::string, double> values;
  if (!card_values(nl, e, *card, area, values)) return;

  std::vector<net_value> attributes{{attr::bipolar_polarity, card->kind == "PNP" ? -1.0 : 1.0}};
  for (const bipolar_parameter& p : parameters) {
    const auto v = values.find(p.key);
    if (v != values.end() && p.id != 0) attributes.push_back({p.id, v->second});
  }
  const int c = series_resistance(nl, e, values, "RC", "c", e.a, added);
  const int b = series_resistance(nl, e, values, "RB", "b", e.b, added);
  const int x = series_resistance(nl, e, values, "RE", "e", emitter, added);
  if (c == x) {
    error(nl, e.line, e.name + ": collector and emitter on the same node");
    return;
  }
  const std::vector<int> terminals{c, b, x};
  const bool central = nl.forms == difference_forms::central;
  if (b != x) {
    added.push_back(added_element(e.name + "#be",
                                  central ? conection_type::bipolar_base_emitter_central
                                          : conection_type::bipolar_base_emitter,
                                  b, x, attributes, terminals));
  }
  if (b != c) {
    added.push_back(added_element(e.name + "#bc",
                                  central ? conection_type::bipolar_base_collector_central
                                          : conection_type::bipolar_base_collector,
                                  b, c, attributes, terminals));
  }
  // The line's own element is the transport branch.
  e.name += "#ce";
  e.type = conection_type::bipolar_transport;
  e.a = e.written_a = c;
  e.b = e.written_b = x;
  e.attributes = std::move(attributes);
  e.list_at_a = terminals;
  e.list_at_b = terminals;
}

}  // namespace pss::netlist_compiler
