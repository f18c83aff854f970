// One element line: its name, whose first letter says what it is, its two
// nodes, then the arguments that the element's parser gives meaning to. An
// element with an error is left out, so later checks see only whole ones.
#include <cctype>

#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool is_punctuation(const token& t) {
  return t.text == "(" || t.text == ")" || t.text == "=";
}

struct element_letter {
  char letter;
  element_parser parse;
  letter_nodes nodes;
};

// A new element letter is one row: its parser, and its nodes so that it
// may stand inside a subcircuit.
constexpr element_letter letters[] = {
    {'R', parse_resistor, {2, 2, "SERIES CTRL", false}},
    {'C', parse_capacitor, {2, 2, "", false}},
    {'L', parse_inductor, {2, 2, "", false}},
    {'D', parse_diode, {2, 2, "", false}},
    {'I', parse_current_source, {2, 2, "", false}},
    {'V', parse_voltage_source, {2, 2, "", false}},
    {'F', parse_generator, {2, 2, "", true}},
    {'W', parse_window_resistor, {2, 2, "SOURCE", false}},
    {'G', parse_vccs, {4, 4, "", false}},
    {'Q', parse_bipolar, {3, 4, "", false}},
    {'M', parse_mos, {4, 4, "", false}},
};

// An inductor line chooses its form with TRAP (read by the inductor's
// parser) or EXPLICIT; without either it takes the netlist's DIFFERENCE
// option. Returns false after an error; `central` tells whether the option
// makes it trapezoidal.
bool take_inductor_form(netlist& nl, const nl_element& e, std::vector<item>& items, bool& central) {
  const bool explicit_form = take_flag(items, "EXPLICIT");
  bool trap = false;
  for (const item& it : items) trap = trap || (it.kind == item_kind::word && it.key == "TRAP");
  if (explicit_form && trap) {
    error(nl, e.line, e.name + ": EXPLICIT and TRAP exclude each other");
    return false;
  }
  central = !explicit_form && !trap && nl.forms == difference_forms::central;
  return true;
}

// The element's name is new, and free of the `#` kept for added elements.
bool name_is_free(netlist& nl, const token& name) {
  if (name.text.find('#') != std::string::npos) {
    error(nl, name.line, "element name '" + name.text + "' may not contain '#'");
    return false;
  }
  const int earlier = find_element(nl, name.text);
  if (earlier < 0) return true;
  error(nl, name.line,
        "duplicate element name '" + name.text + "' (first on " +
            line_reference(nl, nl.elements[static_cast<std::size_t>(earlier)].line) + ")");
  return false;
}

// A transistor's first two nodes may be one: a bipolar's collector and
// base (a diode-connected transistor), a MOS's drain and gate, whose parser
// refuses drain and source on one node. Any other element's two ends may
// not be one node.
bool read_ends(netlist& nl, const statement& st, nl_element& e, bool same_allowed) {
  if (st.tokens.size() < 3 || is_punctuation(st.tokens[1]) || is_punctuation(st.tokens[2])) {
    const bool is_mos = std::toupper(static_cast<unsigned char>(e.name[0])) == 'M';
    error(
        nl, st.tokens[0].line,
        e.name + (is_mos ? ": needs four nodes: drain, gate, source, bulk" : ": needs two nodes"));
    return false;
  }
  e.a = node_named(nl, st.tokens[1]);
  e.b = node_named(nl, st.tokens[2]);
  if (e.a < 0 || e.b < 0) return false;
  if (e.a == e.b && !same_allowed) {
    error(nl, st.tokens[2].line, e.name + ": both ends on node " + quoted_node(nl, e.a));
    return false;
  }
  return true;
}

}  // namespace

element_parser parser_of_letter(char letter) {
  for (const element_letter& l : letters) {
    if (l.letter == letter) return l.parse;
  }
  return nullptr;
}

const letter_nodes* nodes_of_letter(char letter) {
  for (const element_letter& l : letters) {
    if (l.letter == letter) return &l.nodes;
  }
  return nullptr;
}

int find_element(const netlist& nl, const std::string& name) {
  const auto found = nl.element_keys.find(lower(name));
  return found == nl.element_keys.end() ? -1 : found->second;
}

nl_element added_element(const std::string& name, int32_t type, int a, int b,
                         std::vector<net_value> attributes, std::vector<int> list) {
  return {name, 0, type, a, b, std::move(attributes), list, list, {}, 0, {}, nullptr, {}, a, b};
}

void parse_element(netlist& nl, const statement& st) {
  const token& name = st.tokens[0];
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name.text[0])));
  const element_parser parse = parser_of_letter(letter);
  if (nl.spice && (letter == 'E' || letter == 'H')) {
    error(nl, name.line, name.text + ": pss cannot represent a controlled voltage source");
    return;
  }
  if (parse == nullptr) {
    error(nl, name.line,
          "unknown element letter '" + name.text.substr(0, 1) + "' in '" + name.text + "'");
    return;
  }
  if (!name_is_free(nl, name)) return;
  nl_element e{name.text, name.line, 0, 0, 0, {}, {}, {}, {}, 0, {}, nullptr, {}, 0, 0};
  if (!read_ends(nl, st, e, letter == 'Q' || letter == 'M')) return;
  e.written_a = e.a;
  e.written_b = e.b;
  std::vector<item> items;
  if (!read_items(nl, st.tokens, 3, items)) return;
  const int errors = error_count(nl);
  bool central_inductor = false;
  if (letter == 'L' && !take_inductor_form(nl, e, items, central_inductor)) return;
  std::vector<nl_element> added;
  parse(nl, e, items, added);
  // A parser stops at its first error, leaving items it never looked at.
  if (error_count(nl) > errors) return;
  if (central_inductor) e.type = conection_type::inductor_trap;
  report_unused(nl, items, e.name);
  if (error_count(nl) > errors) return;

  const int index = static_cast<int>(nl.elements.size());
  // The line's name, whatever its parser named the records it made.
  nl.element_keys[lower(name.text)] = index;
  nl.elements.push_back(std::move(e));
  for (nl_element& extra : added) nl.elements.push_back(std::move(extra));
  if (nl.elements[static_cast<std::size_t>(index)].type == conection_type::vsource) {
    fix_driven_node(nl, index);
  }
}

}  // namespace pss::netlist_compiler
