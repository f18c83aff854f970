// The netlist compiler's own records and the steps that pass them along:
// statements → elements and directives → checks → network file.
//
// Nodes and elements are numbered in the order the netlist first names
// them; node 0 is ground. The network file's node order is decided only
// when it is written (network_writer.cpp).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/net_file.h"
#include "tools/netlist/netlist.h"

namespace pss::netlist_compiler {

struct token {
  std::string text;
  int line;
};

// One statement: a netlist line with its continuation lines.
struct statement {
  std::vector<token> tokens;
};

// A physical line and its line number in the netlist.
struct numbered_line {
  int line;
  std::string text;
};

// Where a line of a deck came from when the deck includes other files: the
// compiler numbers the lines as the includes expand them, and a message
// names the file and line that were read.
struct line_origin {
  int file;  // into netlist::included_files; -1 for the netlist itself
  int line;
};

namespace item_kind {
constexpr int value = 0;   // a bare number
constexpr int group = 1;   // KEY(arg ...)
constexpr int assign = 2;  // KEY=arg
constexpr int word = 3;    // a bare word: a flag, or a name where one is expected
}  // namespace item_kind

// One argument of an element line after its nodes.
struct item {
  int kind;
  std::string key;          // upper case; for a value, the text as written
  token first;              // the item's first token, as written
  std::vector<token> args;  // a group's contents; an assignment's value
  bool used;
};

struct nl_node {
  std::string name;  // as first written; "0" for ground
  int line;          // where first named; 0 for nodes the compiler adds
  int driver;        // the element that fixes its voltage, or -1
  double fixed_value;
  int twin;  // the node whose voltage it shares, or -1
  int twin_line;
};

struct nl_element {
  std::string name;
  int line;  // 0 for elements the compiler adds
  int32_t type;
  int a, b;
  std::vector<net_value> attributes;
  std::vector<int> list_at_a, list_at_b;  // node lists of the records at a and b
  std::vector<net_value> extra_at_b;      // attributes only the record at b carries
  int32_t id;                             // unique among the elements joining a and b
  // Series-source, control or window-source nodes: the solver's matrix
  // holds them only when they are fixed or next to the element's ends.
  std::vector<int> side_nodes;
  const char* side_role;
  token control;  // F: the controlling element's name
  // The ends as the line wrote them, n+ first; an element's own ends a and
  // b may differ (an inductor ends at its sense node).
  int written_a, written_b;
  // A sense resistor of the default size: the inductance it serves, else 0.
  double default_sense_of = 0.0;
};

// The difference forms a capacitor or inductor takes when its line does not
// choose: backward (CAP1, explicit inductors) or central (CAP2, trapezoidal
// inductors), set netlist-wide by .options DIFFERENCE=.
namespace difference_forms {
constexpr int backward = 0;
constexpr int central = 1;
}  // namespace difference_forms

// A .model card: its device kind (D, NPN, ...) and its parameters, upper
// case names with their values as given.
struct model_card {
  std::string kind;
  int line;
  std::map<std::string, double> params;
};

struct netlist {
  std::vector<nl_node> nodes;  // node 0 is ground
  std::vector<nl_element> elements;
  std::map<std::string, int> node_keys;  // lower-case name → node
  std::map<std::string, int> element_keys;
  std::vector<statement> directives;  // applied once every element is read
  std::vector<net_value> params;
  std::vector<int> params_lines;
  int osc_injection = -1;  // nodes the oscillator directive puts first
  int osc_tank = -1;
  int osc_line = 0;
  double osc_frequency = 0;  // hertz
  int osc_switch = -1;       // the windowed resistor that injects, an element
  // Netlist-wide settings, read before any element line wherever they stand.
  int forms = difference_forms::backward;
  int forms_line = 0;
  analysis_plan analysis;
  std::vector<netlist_message> messages;
  std::map<std::string, model_card> models;  // lower-case name → card
  bool spice = false;                        // read as a SPICE deck
  std::string path;                          // the deck's file; empty when it has none
  // By line - 1 of the deck with its includes expanded; empty when the
  // netlist includes nothing, and its lines are its own.
  std::vector<line_origin> origins;
  std::vector<std::string> included_files;  // as their paths resolve
  double given_fundamental = 0;             // hertz, from the command line; 0 if none
  // The fundamental a SPICE sine's frequency is a multiple of: the .pss
  // directive's, else the command line's; 0 if neither gives one.
  double fundamental() const {
    return analysis.fundamental() > 0 ? analysis.fundamental() : given_fundamental;
  }
};

// models.cpp: .model cards, read before any element line wherever they stand.
bool is_model_card(const statement& st);
void read_model_card(netlist& nl, const statement& st);
// The card an element line names; null, with an error, when there is none
// of that kind.
const model_card* model_named(netlist& nl, const nl_element& e, const std::string& name,
                              const char* kind);

// messages.cpp
void error(netlist& nl, int line, const std::string& text);
void warning(netlist& nl, int line, const std::string& text);
void note(netlist& nl, int line, const std::string& text);
int error_count(const netlist& nl);
// "line N", or "line N of FILE" for a line of an included file: how a
// message refers to a line other than its own.
std::string line_reference(const netlist& nl, int line);
// The messages' lines turned back into the lines of the files they were
// read from.
void locate_messages(const netlist& nl, std::vector<netlist_message>& messages);

// statements.cpp
std::vector<statement> read_statements(const std::string& text, netlist& nl);
std::vector<statement> read_statements(const std::vector<numbered_line>& lines, netlist& nl);

// spice_deck.cpp: a deck's statements as SPICE reads them, with its
// includes read, its subcircuits expanded, the lines pss has no use for
// skipped (one note each) and mil values rewritten.
std::vector<statement> spice_statements(const std::string& text, netlist& nl);
// A line's first word in lower case; "" for a blank line.
std::string first_word(const std::string& line);
// The directives that have no meaning for a periodic steady state.
bool is_skipped_directive(const std::string& lower_name);
// `2mil` → metres; other tokens stay as written.
void rewrite_mil(token& t);

// spice_include.cpp: the deck's text with the files its .include lines
// name in their place, title and `$` comments cut; fills nl.origins.
std::string deck_with_includes(const std::string& text, netlist& nl);

// spice_params.cpp
using param_values = std::map<std::string, double>;  // lower-case name → value
// The deck without its .param lines, each {expression} replaced by its
// value; `params` gets the deck's params.
std::string with_params_substituted(const std::string& text, netlist& nl, param_values& params);
bool evaluate_expression(netlist& nl, int line, const std::string& text, const param_values& params,
                         double& out);
// The line with each {expression} replaced by its value.
std::string with_expressions_replaced(netlist& nl, int line, const std::string& text,
                                      const param_values& params);
// NAME=VALUE ... after `.param`, evaluated in order into `params`.
void read_param_line(netlist& nl, int line, const std::string& rest, param_values& params);

// spice_subckt.cpp: .subckt definitions, taken out of the deck's text, and
// X lines, expanded into the statements of their subcircuits.
struct subckt_definition {
  std::string name;  // as written
  int line;
  std::vector<std::string> ports;
  std::vector<std::pair<std::string, std::string>> params;  // lower name, default expression
  std::vector<numbered_line> body;                          // between the header and .ends
};
using subckt_table = std::map<std::string, subckt_definition>;  // by lower-case name
// The text with every definition's lines blanked, so that line numbers
// stay; `.end` ends the search.
std::string without_subckt_definitions(const std::string& text, netlist& nl, subckt_table& out);
// The deck's statements with each X line replaced by its subcircuit's,
// renamed for the instance.
std::vector<statement> with_instances_expanded(netlist& nl, std::vector<statement> statements,
                                               const subckt_table& subckts,
                                               const param_values& params);

// values.cpp
bool parse_number(const std::string& text, double& out);
bool value_of(netlist& nl, const token& t, const std::string& what, double& out);

// items.cpp
bool read_items(netlist& nl, const std::vector<token>& tokens, std::size_t from,
                std::vector<item>& out);
item* take(std::vector<item>& items, int kind, const char* key);
item* take_value(std::vector<item>& items);
// The next unused item, whatever its kind; null at the end.
item* take_next(std::vector<item>& items);
// The element's value, its first bare number: nullptr with an error when it
// is missing ("missing WHAT") or malformed.
const item* take_number(netlist& nl, std::vector<item>& items, const nl_element& e,
                        const char* what, double& out);
// As take_number, for a value that must not be 0 ("WHAT must not be 0").
bool take_nonzero(netlist& nl, std::vector<item>& items, const nl_element& e, const char* what,
                  double& out);
bool take_flag(std::vector<item>& items, const char* key);
// KEY=v or KEY(v): false with an error when present but malformed; `found`
// tells whether it was there.
bool take_option(netlist& nl, std::vector<item>& items, const std::string& element, const char* key,
                 double& out, bool& found);
// A group's arguments as numbers; false with an error when one is malformed
// or their count is outside [least, most].
bool group_values(netlist& nl, const item& group, const std::string& element, std::size_t least,
                  std::size_t most, std::vector<double>& out);
// The nodes a group names; false with an error unless there are `count`.
bool group_nodes(netlist& nl, const item& group, const std::string& element, std::size_t count,
                 std::vector<int>& out);
void report_unused(netlist& nl, const std::vector<item>& items, const std::string& element);

// nodes.cpp
std::string lower(const std::string& text);
bool is_fixed(const netlist& nl, int node);
int find_node(const netlist& nl, const std::string& name);
int node_named(netlist& nl, const token& t);
int add_internal_node(netlist& nl, const std::string& name);
std::string quoted_node(const netlist& nl, int node);

// element_line.cpp
void parse_element(netlist& nl, const statement& st);
int find_element(const netlist& nl, const std::string& name);
// An element the compiler adds, with the same node list at both ends.
nl_element added_element(const std::string& name, int32_t type, int a, int b,
                         std::vector<net_value> attributes, std::vector<int> list);

// The element parsers: each fills `e` (already named, with its nodes) from
// the line's items and may add the elements it needs to `added`.
using element_parser = void (*)(netlist& nl, nl_element& e, std::vector<item>& items,
                                std::vector<nl_element>& added);
void parse_resistor(netlist& nl, nl_element& e, std::vector<item>& items,
                    std::vector<nl_element>& added);
void parse_capacitor(netlist& nl, nl_element& e, std::vector<item>& items,
                     std::vector<nl_element>& added);
void parse_inductor(netlist& nl, nl_element& e, std::vector<item>& items,
                    std::vector<nl_element>& added);
void parse_diode(netlist& nl, nl_element& e, std::vector<item>& items,
                 std::vector<nl_element>& added);
void parse_clipped_diode(netlist& nl, nl_element& e, std::vector<item>& items,
                         std::vector<nl_element>& added);
void parse_junction_diode(netlist& nl, nl_element& e, std::vector<item>& items,
                          std::vector<nl_element>& added);
void parse_current_source(netlist& nl, nl_element& e, std::vector<item>& items,
                          std::vector<nl_element>& added);
void parse_voltage_source(netlist& nl, nl_element& e, std::vector<item>& items,
                          std::vector<nl_element>& added);
// A source's DC level and sine, as a line writes them.
struct spice_waveform {
  double dc = 0;
  bool has_sine = false;
  double amplitude = 0, phase_degrees = 0, harmonic = 1;
};
// spice_sine.cpp: the waveform in SPICE's form; false after an error.
bool read_spice_waveform(netlist& nl, const nl_element& e, std::vector<item>& items,
                         spice_waveform& w);
// Makes the source's non-ground node a fixed node, once the source is in.
void fix_driven_node(netlist& nl, int element);
void parse_generator(netlist& nl, nl_element& e, std::vector<item>& items,
                     std::vector<nl_element>& added);
void parse_window_resistor(netlist& nl, nl_element& e, std::vector<item>& items,
                           std::vector<nl_element>& added);
void parse_vccs(netlist& nl, nl_element& e, std::vector<item>& items,
                std::vector<nl_element>& added);
// A MOS line's nodes d and g stand where other lines have their two ends
// (e.a, e.b); its parser reads s and b from the items.
void parse_mos(netlist& nl, nl_element& e, std::vector<item>& items,
               std::vector<nl_element>& added);
void parse_bipolar(netlist& nl, nl_element& e, std::vector<item>& items,
                   std::vector<nl_element>& added);

// Which of an element line's tokens after its name are nodes, so that a
// subcircuit's lines are renamed per instance without being parsed: first
// `least` to `most` nodes (KEY(...) groups among them are passed over, as
// G's POLY(1)); with fewer than `most`, the nodes end at the first word
// that names a .model card. `node_groups` lists the KEY(...) groups whose
// arguments are nodes, blank-separated; `names_element` says that the
// first word after the nodes names another element (F's control). The
// parser of a letter whose node count varies (Q's substrate) must end the
// nodes the same way.
struct letter_nodes {
  int least;
  int most;
  const char* node_groups;
  bool names_element;
};

// The element letters, their parsers and their nodes: the netlist's one
// table of what a line's first letter means (element_line.cpp). Null for a
// letter that names no element.
element_parser parser_of_letter(char letter);
const letter_nodes* nodes_of_letter(char letter);

// characteristic.cpp: the limits and coefficients after attribute `start`.
bool append_characteristic(netlist& nl, const nl_element& e, std::vector<item>& items,
                           const item& coefficients, std::size_t least, int32_t start,
                           std::vector<net_value>& attributes);

// settings.cpp: .options and .pss, which shape the whole netlist.
bool is_setting(const statement& st);
void apply_setting(netlist& nl, const statement& st);
// Checks the settings against what the netlist turned out to hold.
void check_settings(netlist& nl);

// directives.cpp, oscillator.cpp
// Keeps a directive for later, or reports one the compiler does not know.
void take_directive(netlist& nl, const statement& st);
void apply_directives(netlist& nl);
void add_oscillator(netlist& nl, const statement& st);
// Sizes the sense resistors that no RSENSE set for the oscillator's frequency.
void size_oscillator_sense_resistors(netlist& nl);

// generator.cpp
void resolve_controls(netlist& nl);
void set_control_ids(netlist& nl);

// checks.cpp (errors for side nodes, warnings for one-sided resistors), dc_paths.cpp
void check_elements(netlist& nl);
void warn_floating_nodes(netlist& nl);

// network_writer.cpp
// Node order of the network file: ground, the oscillator's injection and
// tank nodes, then the others as first named. Checks that each twin comes
// before the node that shares it.
std::vector<int> node_positions(netlist& nl);
void assign_ids(netlist& nl);
net_file network_of(const netlist& nl, const std::vector<int>& position);
names_file names_of(const netlist& nl, const std::vector<int>& position);

}  // namespace pss::netlist_compiler
