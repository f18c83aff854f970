// Subcircuits in a SPICE deck, expanded as ngspice expands them:
//
//   .subckt NAME N1 N2 ... [params:] [P=DEFAULT ...]
//   ...element lines, X lines, .model and .param...
//   .ends [NAME]
//   X1 A B ... NAME [params:] [P=VALUE ...]
//
// Each instance copies the definition's lines with names made
// hierarchical, as ngspice makes them: inside X1, a node n3 becomes X1.n3,
// an element R1 becomes R.X1.R1 (its letter first, so that it stays an R),
// a .model card dm becomes X1:dm, and an instance X2 nests its names under
// X1.X2. The definition's nodes become the instance's; ground (0 or gnd)
// and the nodes of .global lines stay global. A .model card inside a
// definition is local to it: its elements use it before a deck card of
// the same name. A param's value is the instance's, else its default
// (evaluated after the instance's values, so a default may use them);
// the definition's own .param lines follow; the deck's params are seen
// too. Which tokens of a line are nodes comes from the table of element
// letters (element_line.cpp), so that a new letter expands without more.
#include <algorithm>
#include <cctype>
#include <regex>
#include <set>

#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool is_punctuation(const token& t) {
  return t.text == "(" || t.text == ")" || t.text == "=";
}

std::string upper(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return text;
}

std::vector<std::string> words_of(const std::string& text) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t start = text.find_first_not_of(" \t\r,", i);
    if (start == std::string::npos) break;
    const std::size_t end = std::min(text.find_first_of(" \t\r,", start), text.size());
    out.push_back(text.substr(start, end - start));
    i = end;
  }
  return out;
}

const std::regex& assignment() {
  static const std::regex pattern(R"(([A-Za-z_][A-Za-z0-9_]*)\s*=\s*(\{[^}]*\}|[^\s{}]+))");
  return pattern;
}

// The header's name, nodes and param defaults; false after an error.
bool read_header(netlist& nl, int line, const std::string& header, subckt_definition& d) {
  std::size_t cut = header.size();
  std::smatch first;
  if (std::regex_search(header, first, assignment())) {
    cut = static_cast<std::size_t>(first.position(0));
  }
  const std::size_t keyword = lower(header).find("params:");
  if (keyword != std::string::npos && keyword < cut) cut = keyword;
  const std::vector<std::string> words = words_of(header.substr(0, cut));
  if (words.size() < 2) {
    error(nl, line, ".subckt needs a name");
    return false;
  }
  d.name = words[1];
  d.line = line;
  for (std::size_t i = 2; i < words.size(); ++i) {
    const std::string key = lower(words[i]);
    if (key.find_first_of("={}") != std::string::npos) {
      error(nl, line, ".subckt " + d.name + ": expected P=VALUE at '" + words[i] + "'");
      return false;
    }
    if (key == "0" || key == "gnd") {
      error(nl, line, ".subckt " + d.name + ": ground cannot be one of its nodes");
      return false;
    }
    for (const std::string& p : d.ports) {
      if (lower(p) != key) continue;
      error(nl, line, ".subckt " + d.name + ": node '" + words[i] + "' listed twice");
      return false;
    }
    d.ports.push_back(words[i]);
  }
  std::string rest = header.substr(cut);
  if (lower(rest).rfind("params:", 0) == 0) rest = rest.substr(7);
  std::string left;
  std::size_t from = 0;
  for (std::sregex_iterator m(rest.begin(), rest.end(), assignment()), end; m != end; ++m) {
    left += rest.substr(from, static_cast<std::size_t>(m->position(0)) - from);
    from = static_cast<std::size_t>(m->position(0) + m->length(0));
    std::string value = (*m)[2];
    if (value.front() == '{') value = value.substr(1, value.size() - 2);
    d.params.emplace_back(lower((*m)[1]), value);
  }
  left += rest.substr(from);
  const std::vector<std::string> stray = words_of(left);
  if (!stray.empty()) {
    error(nl, line, ".subckt " + d.name + ": expected P=VALUE at '" + stray[0] + "'");
    return false;
  }
  return true;
}

void close_definition(netlist& nl, subckt_definition& d, const std::string& header,
                      const std::string& ends_line, int ends_number, subckt_table& out) {
  if (!read_header(nl, d.line, header, d)) return;
  const std::vector<std::string> ends = words_of(ends_line);
  if (ends.size() > 1 && lower(ends[1]) != lower(d.name)) {
    error(nl, ends_number, ".ends " + ends[1] + " closes .subckt " + d.name);
    return;
  }
  const std::string key = lower(d.name);
  if (out.count(key) != 0) {
    error(
        nl, d.line,
        "duplicate .subckt '" + d.name + "' (first on " + line_reference(nl, out[key].line) + ")");
    return;
  }
  out[key] = std::move(d);
}

bool is_comment_or_blank(const std::string& line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  return first == std::string::npos || line[first] == '*';
}

bool is_continuation(const std::string& line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  return first != std::string::npos && line[first] == '+';
}

// The instance line's parts: nodes, the subcircuit's name, its params.
struct instance_line {
  std::size_t subckt = 0;  // the token that names the subcircuit; its nodes stand before it
  std::vector<std::pair<token, std::string>> params;  // name, value expression
};

// `name` is the instance's path, which messages call it by.
bool read_instance(netlist& nl, const statement& st, const std::string& name, instance_line& out) {
  const std::vector<token>& t = st.tokens;
  std::size_t k = 1;
  while (k < t.size() && lower(t[k].text) != "params:" &&
         !(k + 1 < t.size() && t[k + 1].text == "=")) {
    ++k;
  }
  if (k < 2) {
    error(nl, t[0].line, name + ": missing the subckt name");
    return false;
  }
  out.subckt = k - 1;
  for (std::size_t i = 1; i <= out.subckt; ++i) {
    if (!is_punctuation(t[i])) continue;
    error(nl, t[i].line, name + ": unexpected '" + t[i].text + "'");
    return false;
  }
  if (k < t.size() && lower(t[k].text) == "params:") ++k;
  while (k < t.size()) {
    if (is_punctuation(t[k]) || k + 2 >= t.size() || t[k + 1].text != "=") {
      error(nl, t[k].line, name + ": expected P=VALUE at '" + t[k].text + "'");
      return false;
    }
    std::string value;
    std::size_t j = k + 2;
    for (; j < t.size() && !(j + 1 < t.size() && t[j + 1].text == "="); ++j) {
      value += (value.empty() ? "" : " ") + t[j].text;
    }
    out.params.emplace_back(t[k], value);
    k = j;
  }
  return true;
}

struct expander {
  netlist& nl;
  const subckt_table& subckts;
  const param_values& params;            // the deck's
  std::set<std::string> global_nodes;    // lower case, from .global lines
  std::set<std::string> models;          // lower case names of the deck's .model cards
  std::map<std::string, int> instances;  // lower-case path → line
  std::set<int> told;                    // body lines already given their message
  std::vector<std::string> open;         // the subcircuits being expanded, outermost first
  std::vector<statement> out;
};

// One instance's renaming.
struct scope {
  std::string path;                          // X1, X1.X2, ...
  std::map<std::string, std::string> ports;  // lower-case port → the instance's node
  std::set<std::string> models, elements;    // lower-case local names
};

std::string node_in(const expander& x, const scope& s, const std::string& name) {
  const std::string key = lower(name);
  if (key == "0" || key == "gnd" || x.global_nodes.count(key) != 0) return name;
  const auto port = s.ports.find(key);
  return port != s.ports.end() ? port->second : s.path + "." + name;
}

std::string element_in(const scope& s, const std::string& name) {
  return name.substr(0, 1) + "." + s.path + "." + name;
}

// The positions of an element line's nodes.
std::vector<std::size_t> node_positions(const std::vector<token>& t, const letter_nodes& n,
                                        const expander& x, const scope& s) {
  std::vector<std::size_t> out;
  std::size_t i = 1;
  while (i < t.size() && out.size() < static_cast<std::size_t>(n.most)) {
    if (i + 1 < t.size() && t[i + 1].text == "(") {
      while (i < t.size() && t[i].text != ")") ++i;
      ++i;
      continue;
    }
    if (is_punctuation(t[i]) || (i + 1 < t.size() && t[i + 1].text == "=")) break;
    const std::string key = lower(t[i].text);
    if (out.size() >= static_cast<std::size_t>(n.least) &&
        (s.models.count(key) != 0 || x.models.count(key) != 0)) {
      break;
    }
    out.push_back(i++);
  }
  return out;
}

bool is_node_group(const letter_nodes& n, const std::string& key) {
  for (const std::string& g : words_of(n.node_groups)) {
    if (g == key) return true;
  }
  return false;
}

// An element line of the definition, renamed for the instance.
statement renamed_element(const expander& x, const scope& s, statement st) {
  std::vector<token>& t = st.tokens;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(t[0].text[0])));
  t[0].text = element_in(s, t[0].text);
  const letter_nodes* n = nodes_of_letter(letter);
  if (n == nullptr) return st;  // refused by the element reader, with its name
  const std::vector<std::size_t> nodes = node_positions(t, *n, x, s);
  for (std::size_t i : nodes) t[i].text = node_in(x, s, t[i].text);
  bool element_named = !n->names_element;
  for (std::size_t i = nodes.empty() ? 1 : nodes.back() + 1; i < t.size(); ++i) {
    if (i + 1 < t.size() && t[i + 1].text == "(") {
      const bool rename = is_node_group(*n, upper(t[i].text));
      for (i += 2; i < t.size() && t[i].text != ")"; ++i) {
        if (rename) t[i].text = node_in(x, s, t[i].text);
      }
      continue;
    }
    if (is_punctuation(t[i]) || (i + 1 < t.size() && t[i + 1].text == "=")) {
      if (t[i].text == "=") ++i;  // the value of an assignment names nothing
      continue;
    }
    const std::string key = lower(t[i].text);
    const bool numeric = std::isdigit(static_cast<unsigned char>(key[0])) || key[0] == '.' ||
                         key[0] == '+' || key[0] == '-';
    if (!element_named && !numeric) {
      element_named = true;
      if (s.elements.count(key) != 0) t[i].text = element_in(s, t[i].text);
    } else if (s.models.count(key) != 0) {
      t[i].text = s.path + ":" + t[i].text;
    }
  }
  return st;
}

void expand(expander& x, const statement& st, const std::string& path, const param_values& context);

// The definition's lines for one instance: its params evaluated, its
// .param lines applied in order, each {expression} replaced.
// `local` gets the instance's params, which its nested instances' values
// are evaluated in.
std::vector<statement> body_statements(expander& x, const subckt_definition& d,
                                       const instance_line& inst, const param_values& context,
                                       const std::string& path, param_values& local) {
  netlist& nl = x.nl;
  local = x.params;
  param_values given;
  for (const auto& [name, value] : inst.params) {
    const std::string key = lower(name.text);
    const bool known = std::any_of(d.params.begin(), d.params.end(),
                                   [&](const auto& p) { return p.first == key; });
    if (!known) {
      error(nl, name.line, path + ": subckt '" + d.name + "' has no param '" + name.text + "'");
      return {};
    }
    double v = 0;
    if (!evaluate_expression(nl, name.line, value, context, v)) return {};
    given[key] = v;
  }
  const std::size_t before = nl.messages.size();
  for (const auto& [key, expression] : d.params) {
    double v = 0;
    if (given.count(key) != 0) {
      v = given[key];
    } else if (!evaluate_expression(nl, d.line, expression, local, v)) {
      break;
    }
    local[key] = v;
  }
  std::vector<numbered_line> lines;
  for (const numbered_line& l : d.body) {
    if (first_word(l.text) == ".param") {
      const std::size_t at = lower(l.text).find(".param");
      read_param_line(nl, l.line, l.text.substr(at + 6), local);
    } else {
      lines.push_back({l.line, with_expressions_replaced(nl, l.line, l.text, local)});
    }
  }
  std::vector<statement> out = read_statements(lines, nl);
  // The same line evaluates differently in each instance: say which.
  for (std::size_t i = before; i < nl.messages.size(); ++i) {
    if (nl.messages[i].is_error) nl.messages[i].text += " (in " + path + ")";
  }
  return out;
}

void expand(expander& x, const statement& st, const std::string& path,
            const param_values& context) {
  netlist& nl = x.nl;
  const token& name = st.tokens[0];
  instance_line inst;
  if (!read_instance(nl, st, path, inst)) return;
  const token& subckt = st.tokens[inst.subckt];
  const std::string key = lower(subckt.text);
  const auto found = x.subckts.find(key);
  if (found == x.subckts.end()) {
    error(nl, subckt.line, path + ": unknown subckt '" + subckt.text + "'");
    return;
  }
  const subckt_definition& d = found->second;
  if (std::find(x.open.begin(), x.open.end(), key) != x.open.end()) {
    error(nl, name.line, path + ": subckt '" + d.name + "' would contain itself");
    return;
  }
  if (inst.subckt - 1 != d.ports.size()) {
    error(nl, name.line,
          path + ": subckt '" + d.name + "' has " + std::to_string(d.ports.size()) +
              " nodes, the line gives " + std::to_string(inst.subckt - 1));
    return;
  }
  const auto [earlier, is_new] = x.instances.emplace(lower(path), name.line);
  if (!is_new) {
    error(
        nl, name.line,
        "duplicate instance '" + path + "' (first on " + line_reference(nl, earlier->second) + ")");
    return;
  }
  scope s{path, {}, {}, {}};
  for (std::size_t i = 0; i < d.ports.size(); ++i) {
    s.ports[lower(d.ports[i])] = st.tokens[i + 1].text;
  }
  const int errors = error_count(nl);
  param_values local;
  std::vector<statement> body = body_statements(x, d, inst, context, path, local);
  if (error_count(nl) > errors) return;
  for (const statement& b : body) {
    const std::string word = lower(b.tokens[0].text);
    if (word == ".model" && b.tokens.size() > 1) s.models.insert(lower(b.tokens[1].text));
    if (word[0] != '.' && word[0] != 'x') s.elements.insert(word);
  }
  x.open.push_back(key);
  for (statement& b : body) {
    const std::string word = lower(b.tokens[0].text);
    const int line = b.tokens[0].line;
    for (token& t : b.tokens) rewrite_mil(t);
    if (word == ".model") {
      if (b.tokens.size() > 1) b.tokens[1].text = path + ":" + b.tokens[1].text;
      x.out.push_back(std::move(b));
    } else if (word[0] == 'x') {
      instance_line nested;
      const std::string nested_path = path + "." + b.tokens[0].text;
      if (!read_instance(nl, b, nested_path, nested)) continue;
      for (std::size_t i = 1; i < nested.subckt; ++i) {
        b.tokens[i].text = node_in(x, s, b.tokens[i].text);
      }
      expand(x, b, nested_path, local);
    } else if (word[0] != '.') {
      x.out.push_back(renamed_element(x, s, std::move(b)));
    } else if (!x.told.insert(line).second) {
      // One message for the line, however many instances it has.
    } else if (is_skipped_directive(word)) {
      note(nl, line, b.tokens[0].text + " skipped: it has no meaning for a periodic steady state");
    } else {
      error(nl, line, b.tokens[0].text + " is not read inside a .subckt");
    }
  }
  x.open.pop_back();
}

}  // namespace

std::string without_subckt_definitions(const std::string& text, netlist& nl, subckt_table& out) {
  std::string kept;
  bool ended = false;
  bool inside = false, in_header = false;
  int depth = 0;  // definitions opened inside the one being read
  subckt_definition d;
  std::string header;
  int number = 0;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    const bool last = end == text.size();
    start = end + 1;
    ++number;
    const std::string word = ended ? "" : first_word(line);
    bool keep = !inside;
    if (!inside && word == ".subckt") {
      inside = in_header = true;
      d = subckt_definition{};
      d.line = number;
      header = line;
      keep = false;
    } else if (!inside && word == ".ends") {
      error(nl, number, ".ends without .subckt");
      keep = false;
    } else if (!inside) {
      if (word == ".end") ended = true;
    } else if (in_header && is_continuation(line)) {
      // Appended in two steps: g++ 12 at -O3 reports a bogus overflow for
      // " " + substr.
      header += ' ';
      header.append(line, line.find('+') + 1);
    } else if (in_header && is_comment_or_blank(line)) {
      // A comment may stand between the header and its continuations.
    } else if (word == ".end") {
      error(nl, d.line, ".subckt without .ends");
      inside = false;
      ended = keep = true;
    } else {
      in_header = false;
      if (word == ".subckt") {
        if (depth++ == 0) {
          error(nl, number, "a .subckt inside another is not read: define it at the top level");
        }
      } else if (word == ".ends" && depth > 0) {
        --depth;
      } else if (word == ".ends") {
        inside = false;
        close_definition(nl, d, header, line, number, out);
      } else {
        d.body.push_back({number, line});
      }
    }
    if (keep) kept += line;
    if (!last) kept += '\n';
  }
  if (inside) error(nl, d.line, ".subckt without .ends");
  return kept;
}

std::vector<statement> with_instances_expanded(netlist& nl, std::vector<statement> statements,
                                               const subckt_table& subckts,
                                               const param_values& params) {
  expander x{nl, subckts, params, {}, {}, {}, {}, {}, {}};
  for (const statement& st : statements) {
    const std::string word = lower(st.tokens[0].text);
    if (word == ".global") {
      for (std::size_t i = 1; i < st.tokens.size(); ++i) {
        x.global_nodes.insert(lower(st.tokens[i].text));
      }
    }
    if (word == ".model" && st.tokens.size() > 1) x.models.insert(lower(st.tokens[1].text));
  }
  for (statement& st : statements) {
    const std::string word = lower(st.tokens[0].text);
    if (word[0] == 'x') {
      expand(x, st, st.tokens[0].text, params);
    } else if (word != ".global") {
      x.out.push_back(std::move(st));
    }
  }
  return std::move(x.out);
}

}  // namespace pss::netlist_compiler
