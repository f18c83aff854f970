// .model NAME KIND (PARAM=value ...): a device's parameters kept by name
// for the element lines that name the card. The parentheses are optional
// and a parameter may be written PARAM=value or PARAM = value.
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

std::string upper(std::string text) {
  for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return text;
}

// The card's words after NAME and KIND, without parentheses, each
// `KEY=value` split into three.
std::vector<token> parameter_tokens(const statement& st) {
  std::vector<token> out;
  for (std::size_t i = 3; i < st.tokens.size(); ++i) {
    const token& t = st.tokens[i];
    if (t.text == "(" || t.text == ")") continue;
    const std::size_t eq = t.text.find('=');
    if (eq == std::string::npos || t.text == "=") {
      out.push_back(t);
      continue;
    }
    if (eq > 0) out.push_back({t.text.substr(0, eq), t.line});
    out.push_back({"=", t.line});
    if (eq + 1 < t.text.size()) out.push_back({t.text.substr(eq + 1), t.line});
  }
  return out;
}

}  // namespace

bool is_model_card(const statement& st) {
  return lower(st.tokens[0].text) == ".model";
}

void read_model_card(netlist& nl, const statement& st) {
  const int line = st.tokens[0].line;
  if (st.tokens.size() < 3) {
    error(nl, line, ".model needs a name and a device kind");
    return;
  }
  const std::string key = lower(st.tokens[1].text);
  if (nl.models.count(key) != 0) {
    error(nl, line,
          "duplicate .model '" + st.tokens[1].text + "' (first on " +
              line_reference(nl, nl.models[key].line) + ")");
    return;
  }
  model_card card{upper(st.tokens[2].text), line, {}};
  const std::vector<token> words = parameter_tokens(st);
  for (std::size_t i = 0; i < words.size(); i += 3) {
    if (i + 2 >= words.size() || words[i + 1].text != "=") {
      error(nl, words[i].line,
            ".model " + st.tokens[1].text + ": expected PARAM=value at '" + words[i].text + "'");
      return;
    }
    double value = 0;
    if (!value_of(nl, words[i + 2], ".model " + st.tokens[1].text, value)) return;
    card.params[upper(words[i].text)] = value;
  }
  nl.models[key] = card;
}

const model_card* model_named(netlist& nl, const nl_element& e, const std::string& name,
                              const char* kind) {
  const auto found = nl.models.find(lower(name));
  if (found == nl.models.end()) {
    error(nl, e.line, e.name + ": no .model '" + name + "'");
    return nullptr;
  }
  if (found->second.kind != kind) {
    error(nl, e.line,
          e.name + ": .model '" + name + "' is a " + found->second.kind + ", not a " + kind);
    return nullptr;
  }
  return &found->second;
}

}  // namespace pss::netlist_compiler
