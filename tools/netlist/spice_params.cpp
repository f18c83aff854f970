// A deck's .param lines and the {expressions} that use them, replaced by
// their values before the deck is read: + - * / and parentheses over
// numbers (with SPICE's suffixes) and param names, in any case. A param
// may use those defined above it. What cannot be evaluated is an error on
// its line, never a guess. A subcircuit's lines are evaluated the same way
// for each of its instances (spice_subckt.cpp).
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>
#include <regex>

#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

struct expression_reader {
  const std::string& text;
  const param_values& params;
  std::size_t at = 0;
  std::string failure;

  void skip_blanks() {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  }
  bool next_is(char ch) {
    skip_blanks();
    if (at < text.size() && text[at] == ch) {
      ++at;
      return true;
    }
    return false;
  }
  double word() {
    const std::size_t start = at;
    while (at < text.size() && (std::isalnum(static_cast<unsigned char>(text[at])) ||
                                text[at] == '_' || text[at] == '.')) {
      ++at;
    }
    // An exponent's sign belongs to the number: 1e-3.
    if (at > start && at < text.size() && (text[at] == '-' || text[at] == '+') &&
        std::isdigit(static_cast<unsigned char>(text[start])) &&
        (text[at - 1] == 'e' || text[at - 1] == 'E')) {
      ++at;
      while (at < text.size() && std::isalnum(static_cast<unsigned char>(text[at]))) ++at;
    }
    const std::string w = text.substr(start, at - start);
    double value = 0;
    if (w.empty()) {
      if (failure.empty()) failure = "cannot evaluate '" + text + "'";
    } else if (parse_number(w, value)) {
      return value;
    } else if (const auto found = params.find(lower(w)); found != params.end()) {
      return found->second;
    } else if (failure.empty()) {
      failure = "unknown param '" + w + "' in '" + text + "'";
    }
    return 0;
  }
  double factor() {
    if (next_is('-')) return -factor();
    if (next_is('+')) return factor();
    if (next_is('(')) {
      const double value = sum();
      if (!next_is(')') && failure.empty()) failure = "a missing ')' in '" + text + "'";
      return value;
    }
    skip_blanks();
    return word();
  }
  double product() {
    double value = factor();
    for (;;) {
      if (next_is('*')) {
        value *= factor();
      } else if (next_is('/')) {
        value /= factor();
      } else {
        return value;
      }
    }
  }
  double sum() {
    double value = product();
    for (;;) {
      if (next_is('+')) {
        value += product();
      } else if (next_is('-')) {
        value -= product();
      } else {
        return value;
      }
    }
  }
};

std::string number_text(double value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", value);
  return buffer;
}

}  // namespace

bool evaluate_expression(netlist& nl, int line, const std::string& text, const param_values& params,
                         double& out) {
  expression_reader r{text, params, 0, {}};
  out = r.sum();
  r.skip_blanks();
  if (r.failure.empty() && r.at < text.size()) r.failure = "cannot evaluate '" + text + "'";
  if (r.failure.empty() && !std::isfinite(out)) r.failure = "'" + text + "' is not finite";
  if (r.failure.empty()) return true;
  error(nl, line, r.failure);
  return false;
}

void read_param_line(netlist& nl, int line, const std::string& rest, param_values& params) {
  static const std::regex assignment(R"(([A-Za-z_][A-Za-z0-9_]*)\s*=\s*(\{[^}]*\}|[^\s{}]+))");
  std::size_t matched = 0;
  for (std::sregex_iterator m(rest.begin(), rest.end(), assignment), end; m != end; ++m) {
    std::string value = (*m)[2];
    if (value.front() == '{') value = value.substr(1, value.size() - 2);
    double v = 0;
    if (!evaluate_expression(nl, line, value, params, v)) return;
    params[lower((*m)[1])] = v;
    ++matched;
  }
  if (matched == 0) error(nl, line, ".param: expected NAME=VALUE");
}

std::string with_expressions_replaced(netlist& nl, int line, const std::string& text,
                                      const param_values& params) {
  std::string out;
  std::size_t from = 0;
  for (std::size_t open = text.find('{'); open != std::string::npos; open = text.find('{', from)) {
    const std::size_t close = text.find('}', open);
    if (close == std::string::npos) {
      error(nl, line, "a '{' without its '}'");
      return text;
    }
    double v = 0;
    if (!evaluate_expression(nl, line, text.substr(open + 1, close - open - 1), params, v)) {
      return text;
    }
    out += text.substr(from, open - from) + number_text(v);
    from = close + 1;
  }
  return out + text.substr(from);
}

std::string with_params_substituted(const std::string& text, netlist& nl, param_values& params) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int line = static_cast<int>(i) + 1;
    const std::size_t first = lines[i].find_first_not_of(" \t");
    const std::size_t after = lines[i].find_first_of(" \t", first);
    const bool is_param =
        first != std::string::npos && lower(lines[i].substr(first, after - first)) == ".param";
    if (is_param) {
      read_param_line(nl, line, after == std::string::npos ? "" : lines[i].substr(after), params);
    } else {
      out += with_expressions_replaced(nl, line, lines[i], params);
    }
    if (i + 1 < lines.size()) out += '\n';
  }
  return out;
}

}  // namespace pss::netlist_compiler
