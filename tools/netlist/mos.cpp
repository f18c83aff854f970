// M name d g s b MODEL [W=m] [L=m] [AD=m2] [AS=m2]
//
// The level-1 MOS transistor, its parameters on a `.model NAME NMOS|PMOS`
// card read as ngspice's level-1 MOSFET reads them. It becomes branches
// the solver knows:
//   NAME      the channel (type 240) from the drain to the source, node
//             list [D, G, S, B] at both ends;
//   NAME#bd   the bulk-drain and bulk-source junctions, junction diodes
//   NAME#bs   (210, or 211 under DIFFERENCE=CENTRAL) from the bulk to the
//             drain and source of an n-channel device, the other way round
//             for a p-channel one, with IS (or JS times AD and AS), CBD
//             and CBS (or CJ times AD and AS), PB, MJ and FC;
//   NAME#cgs  the overlap capacitances CGSO W, CGDO W and CGBO L, CAP1 or
//   NAME#cgd  CAP2 as the netlist's capacitors;
//   NAME#cgb
//   NAME#rd   RD and RS (or RSH, one square each, as ngspice takes it) in
//   NAME#rs   series with drain and source, to the internal nodes NAME#d
//             and NAME#s where the other branches end.
// A branch whose two ends are the same node (the bulk tied to the source)
// is left out.

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

// How the compiler treats a card parameter of ngspice's level-1 MOSFET.
namespace use {
constexpr int channel = 0;   // written on the channel as attribute `id`
constexpr int compiler = 1;  // read here to build the other branches
constexpr int unused = 2;    // no effect here: a warning
constexpr int refused = 3;   // changes ngspice's answer and is not modelled
}  // namespace use

struct mos_parameter {
  const char* key;
  int use;
  int32_t id;
  const char* why;  // for refused ones
};

constexpr mos_parameter parameters[] = {
    {"LEVEL", use::compiler, 0, nullptr},
    {"VTO", use::channel, attr::mos_vto, nullptr},
    {"VT0", use::channel, attr::mos_vto, nullptr},
    {"KP", use::channel, attr::mos_kp, nullptr},
    {"GAMMA", use::channel, attr::mos_gamma, nullptr},
    {"PHI", use::channel, attr::mos_phi, nullptr},
    {"LAMBDA", use::channel, attr::mos_lambda, nullptr},
    {"TOX", use::compiler, 0, nullptr},
    {"U0", use::compiler, 0, nullptr},
    {"UO", use::compiler, 0, nullptr},
    {"LD", use::compiler, 0, nullptr},
    {"RD", use::compiler, 0, nullptr},
    {"RS", use::compiler, 0, nullptr},
    {"RSH", use::compiler, 0, nullptr},
    {"IS", use::compiler, 0, nullptr},
    {"JS", use::compiler, 0, nullptr},
    {"CBD", use::compiler, 0, nullptr},
    {"CBS", use::compiler, 0, nullptr},
    {"CJ", use::compiler, 0, nullptr},
    {"PB", use::compiler, 0, nullptr},
    {"MJ", use::compiler, 0, nullptr},
    {"FC", use::compiler, 0, nullptr},
    {"CGSO", use::compiler, 0, nullptr},
    {"CGDO", use::compiler, 0, nullptr},
    {"CGBO", use::compiler, 0, nullptr},
    {"TNOM", use::compiler, 0, nullptr},
    // Sidewall capacitance needs the perimeters PD and PS, which M lines do
    // not take here; noise has no steady state.
    {"CJSW", use::unused, 0, nullptr},
    {"MJSW", use::unused, 0, nullptr},
    {"KF", use::unused, 0, nullptr},
    {"AF", use::unused, 0, nullptr},
    {"NSUB", use::refused, 0, "give VTO, GAMMA and PHI instead of the doping"},
    {"NSS", use::refused, 0, "give VTO instead of the surface state density"},
    {"TPG", use::refused, 0, "give VTO instead of the gate type"},
};

const mos_parameter* parameter_named(const std::string& key) {
  for (const mos_parameter& p : parameters) {
    if (key == p.key) return &p;
  }
  return nullptr;
}

// A bare word or number in the line's order: a node, or the model's name
// (2N7000 reads as a number).
const item* next_name(netlist& nl, const nl_element& e, std::vector<item>& items,
                      const char* what) {
  const item* it = take_next(items);
  if (it == nullptr || it->kind == item_kind::group || it->kind == item_kind::assign) {
    error(nl, e.line, e.name + ": needs " + what);
    return nullptr;
  }
  return it;
}

const model_card* mos_card_named(netlist& nl, const nl_element& e, const std::string& name) {
  const auto found = nl.models.find(lower(name));
  if (found == nl.models.end()) {
    error(nl, e.line, e.name + ": no .model '" + name + "'");
    return nullptr;
  }
  const std::string& kind = found->second.kind;
  if (kind != "NMOS" && kind != "PMOS") {
    error(nl, e.line, e.name + ": .model '" + name + "' is a " + kind + ", not a NMOS or PMOS");
    return nullptr;
  }
  return &found->second;
}

// The card's parameters, checked; false after an error. VT0 and UO are
// kept under ngspice's other spellings VTO and U0.
bool card_values(netlist& nl, const nl_element& e, const model_card& card,
                 std::map<std::string, double>& values) {
  for (const auto& [key, value] : card.params) {
    const mos_parameter* p = parameter_named(key);
    if (p == nullptr || p->use == use::unused) {
      warning(nl, e.line, e.name + ": .model parameter " + key + " is not used");
      continue;
    }
    if (p->use == use::refused) {
      error(nl, e.line, e.name + ": .model parameter " + key + " is not modelled; " + p->why);
      return false;
    }
    values[key == "VT0" ? "VTO" : key == "UO" ? "U0" : key] = value;
  }
  return true;
}

double value_or(const std::map<std::string, double>& values, const char* key, double otherwise) {
  const auto v = values.find(key);
  return v == values.end() ? otherwise : v->second;
}

struct range_rule {
  const char* key;
  double least;
  bool least_allowed;
  double below;  // 0: no upper bound
};

constexpr range_rule ranges[] = {
    {"KP", 0, true, 0},   {"PHI", 0, false, 0}, {"TOX", 0, false, 0}, {"U0", 0, false, 0},
    {"LD", 0, true, 0},   {"RD", 0, true, 0},   {"RS", 0, true, 0},   {"RSH", 0, true, 0},
    {"IS", 0, false, 0},  {"JS", 0, true, 0},   {"CBD", 0, true, 0},  {"CBS", 0, true, 0},
    {"CJ", 0, true, 0},   {"PB", 0, false, 0},  {"MJ", 0, true, 1},   {"FC", 0, true, 1},
    {"CGSO", 0, true, 0}, {"CGDO", 0, true, 0}, {"CGBO", 0, true, 0}, {"W", 0, false, 0},
    {"L", 0, false, 0},   {"AD", 0, true, 0},   {"AS", 0, true, 0},
};

bool in_range(netlist& nl, const nl_element& e, const std::map<std::string, double>& values) {
  for (const range_rule& r : ranges) {
    const auto v = values.find(r.key);
    if (v == values.end()) continue;
    const double x = v->second;
    if (x < r.least || (x == r.least && !r.least_allowed) || (r.below != 0 && x >= r.below)) {
      std::string text = r.least_allowed ? "at least 0" : "positive";
      if (r.below != 0) text += " and below 1";
      error(nl, e.line, e.name + ": " + r.key + " must be " + text);
      return false;
    }
  }
  const double level = value_or(values, "LEVEL", 1);
  if (level != 1) {
    error(nl, e.line, e.name + ": only LEVEL=1, Shichman-Hodges, is known");
    return false;
  }
  if (value_or(values, "TNOM", 27) != 27) {
    error(nl, e.line, e.name + ": TNOM other than 27 is not modelled; the circuit runs at 27 C");
    return false;
  }
  return true;
}

// One end's bulk junction and its capacitance: IS, or JS times the area
// when both areas are given, as ngspice takes them.
struct junction_sizes {
  double is;
  double cap;
};

junction_sizes junction_of_end(const std::map<std::string, double>& v, double area, bool js_applies,
                               const char* cap_key) {
  const double is = js_applies ? value_or(v, "JS", 0) * area : value_or(v, "IS", 1e-14);
  const double cap = v.count(cap_key) != 0 ? v.at(cap_key) : value_or(v, "CJ", 0) * area;
  return {is, cap};
}

void add_junction(std::vector<nl_element>& added, const std::string& name, int anode, int cathode,
                  int32_t type, const std::map<std::string, double>& v, const junction_sizes& j) {
  if (anode == cathode) return;
  std::vector<net_value> at = {{attr::junction_is, j.is}};
  if (j.cap > 0) {
    at.push_back({attr::junction_cjo, j.cap});
    at.push_back({attr::junction_vj, value_or(v, "PB", 0.8)});
    if (v.count("MJ") != 0) at.push_back({attr::junction_m, v.at("MJ")});
    if (v.count("FC") != 0) at.push_back({attr::junction_fc, v.at("FC")});
  }
  added.push_back(added_element(name, type, anode, cathode, at, {anode}));
}

void add_capacitor(std::vector<nl_element>& added, const std::string& name, int a, int b,
                   int32_t type, double c) {
  if (a == b || c <= 0) return;
  added.push_back(added_element(name, type, a, b, {{attr::capacitance, c}}, {a}));
}

// A series resistance from `outer` to a new internal node; the node the
// intrinsic branches end at.
int series_end(netlist& nl, std::vector<nl_element>& added, const std::string& name, int outer,
               double r, const char* suffix) {
  if (r <= 0) return outer;
  const int inner = add_internal_node(nl, name + "#" + suffix);
  added.push_back(added_element(name + "#r" + suffix, conection_type::resistor, outer, inner,
                                {{attr::resistance, r}}, {}));
  return inner;
}

}  // namespace

void parse_mos(netlist& nl, nl_element& e, std::vector<item>& items,
               std::vector<nl_element>& added) {
  const int drain = e.a;
  const int gate = e.b;
  const item* source_item = next_name(nl, e, items, "four nodes: drain, gate, source, bulk");
  if (source_item == nullptr) return;
  const int source = node_named(nl, source_item->first);
  if (source < 0) return;
  const item* bulk_item = next_name(nl, e, items, "four nodes: drain, gate, source, bulk");
  if (bulk_item == nullptr) return;
  const int bulk = node_named(nl, bulk_item->first);
  if (bulk < 0) return;
  const item* model = next_name(nl, e, items, "a .model name after its four nodes");
  if (model == nullptr) return;
  if (drain == source) {
    error(nl, e.line, e.name + ": drain and source on node " + quoted_node(nl, drain));
    return;
  }
  const model_card* card = mos_card_named(nl, e, model->first.text);
  if (card == nullptr) return;
  std::map<std::string, double> v;
  if (!card_values(nl, e, *card, v)) return;
  for (const char* key : {"W", "L", "AD", "AS"}) {
    double x = 0;
    bool found = false;
    if (!take_option(nl, items, e.name, key, x, found)) return;
    if (found) v[key] = x;
  }
  if (!in_range(nl, e, v)) return;

  const double w = value_or(v, "W", 100e-6);  // ngspice's default W and L
  const double l = value_or(v, "L", 100e-6) - 2 * value_or(v, "LD", 0);
  if (l <= 0) {
    error(nl, e.line, e.name + ": L - 2 LD must be positive");
    return;
  }
  const double polarity = card->kind == "NMOS" ? 1.0 : -1.0;
  e.type = conection_type::mos_channel;
  e.attributes.push_back({attr::mos_polarity, polarity});
  for (const mos_parameter& p : parameters) {
    if (p.use == use::channel && p.key != std::string("VT0") && v.count(p.key) != 0) {
      e.attributes.push_back({p.id, v.at(p.key)});
    }
  }
  // KP from the oxide when the card gives TOX and no KP, as ngspice derives
  // it: U0 (cm^2/Vs, 600 by default) times eps_ox / TOX.
  if (v.count("TOX") != 0 && v.count("KP") == 0) {
    const double cox = 3.9 * 8.854214871e-12 / v.at("TOX");
    e.attributes.push_back({attr::mos_kp, value_or(v, "U0", 600) * 1e-4 * cox});
  }
  if (v.count("TOX") != 0) {
    warning(nl, e.line,
            e.name +
                ": with TOX ngspice adds Meyer's gate capacitances, which pss does not "
                "model; only the overlap capacitances CGSO, CGDO and CGBO are in");
  }
  if (v.count("W") != 0) e.attributes.push_back({attr::mos_w, w});
  if (v.count("L") != 0 || v.count("LD") != 0) e.attributes.push_back({attr::mos_l, l});

  const double rsh = value_or(v, "RSH", 0);
  const int d = series_end(nl, added, e.name, drain, value_or(v, "RD", rsh), "d");
  const int s = series_end(nl, added, e.name, source, value_or(v, "RS", rsh), "s");
  e.a = d;
  e.b = s;
  e.written_a = drain;
  e.written_b = source;
  e.list_at_a = {d, gate, s, bulk};
  e.list_at_b = e.list_at_a;

  const bool central = nl.forms == difference_forms::central;
  const int32_t diode =
      central ? conection_type::junction_diode_central : conection_type::junction_diode;
  const double ad = value_or(v, "AD", 0);
  const double as = value_or(v, "AS", 0);
  const bool js_applies = value_or(v, "JS", 0) > 0 && ad > 0 && as > 0;
  const junction_sizes jd = junction_of_end(v, ad, js_applies, "CBD");
  const junction_sizes js = junction_of_end(v, as, js_applies, "CBS");
  if (polarity > 0) {
    add_junction(added, e.name + "#bd", bulk, d, diode, v, jd);
    add_junction(added, e.name + "#bs", bulk, s, diode, v, js);
  } else {
    add_junction(added, e.name + "#bd", d, bulk, diode, v, jd);
    add_junction(added, e.name + "#bs", s, bulk, diode, v, js);
  }
  const int32_t cap = central ? conection_type::cap2 : conection_type::cap1;
  add_capacitor(added, e.name + "#cgs", gate, s, cap, value_or(v, "CGSO", 0) * w);
  add_capacitor(added, e.name + "#cgd", gate, d, cap, value_or(v, "CGDO", 0) * w);
  add_capacitor(added, e.name + "#cgb", gate, bulk, cap, value_or(v, "CGBO", 0) * l);
}

}  // namespace pss::netlist_compiler
