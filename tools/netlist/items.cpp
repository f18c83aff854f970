// The arguments of an element line after its nodes, as items: bare values,
// words (flags such as TRAP, or a name), KEY(args) groups and KEY=value
// options. Each element parser takes the items it understands; whatever is
// left over is reported, so a misspelt option never passes unnoticed.
#include <cctype>

#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool is_punctuation(const token& t) {
  return t.text == "(" || t.text == ")" || t.text == "=";
}

bool looks_numeric(const std::string& text) {
  const char ch = text[0];
  return std::isdigit(static_cast<unsigned char>(ch)) || ch == '.' || ch == '+' || ch == '-';
}

std::string upper(const std::string& text) {
  std::string out = text;
  for (char& ch : out) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  return out;
}

// Reads the group whose keyword stands at tokens[i]; returns the index after
// its closing parenthesis, or 0 after an error.
std::size_t read_group(netlist& nl, const std::vector<token>& tokens, std::size_t i, item& out) {
  out.kind = item_kind::group;
  for (std::size_t j = i + 2; j < tokens.size(); ++j) {
    if (tokens[j].text == ")") return j + 1;
    if (is_punctuation(tokens[j])) {
      error(nl, tokens[j].line, "unexpected '" + tokens[j].text + "' inside " + out.key + "(...)");
      return 0;
    }
    out.args.push_back(tokens[j]);
  }
  error(nl, tokens[i].line, "missing ')' after " + out.key + "(");
  return 0;
}

}  // namespace

bool read_items(netlist& nl, const std::vector<token>& tokens, std::size_t from,
                std::vector<item>& out) {
  std::size_t i = from;
  while (i < tokens.size()) {
    const token& t = tokens[i];
    if (is_punctuation(t)) {
      error(nl, t.line, "unexpected '" + t.text + "'");
      return false;
    }
    item it{item_kind::word, upper(t.text), t, {}, false};
    const std::string next = i + 1 < tokens.size() ? tokens[i + 1].text : "";
    if (next == "(") {
      i = read_group(nl, tokens, i, it);
      if (i == 0) return false;
    } else if (next == "=") {
      if (i + 2 >= tokens.size() || is_punctuation(tokens[i + 2])) {
        error(nl, t.line, "missing value after " + it.key + "=");
        return false;
      }
      it.kind = item_kind::assign;
      it.args.push_back(tokens[i + 2]);
      i += 3;
    } else {
      if (looks_numeric(t.text)) {
        it.kind = item_kind::value;
        it.key = t.text;
      }
      ++i;
    }
    out.push_back(std::move(it));
  }
  return true;
}

item* take(std::vector<item>& items, int kind, const char* key) {
  for (item& it : items) {
    if (!it.used && it.kind == kind && (key == nullptr || it.key == key)) {
      it.used = true;
      return &it;
    }
  }
  return nullptr;
}

item* take_value(std::vector<item>& items) {
  return take(items, item_kind::value, nullptr);
}

item* take_next(std::vector<item>& items) {
  for (item& it : items) {
    if (!it.used) {
      it.used = true;
      return &it;
    }
  }
  return nullptr;
}

const item* take_number(netlist& nl, std::vector<item>& items, const nl_element& e,
                        const char* what, double& out) {
  const item* value = take_value(items);
  if (value == nullptr) {
    error(nl, e.line, e.name + ": missing " + what);
    return nullptr;
  }
  return value_of(nl, value->first, e.name, out) ? value : nullptr;
}

bool take_nonzero(netlist& nl, std::vector<item>& items, const nl_element& e, const char* what,
                  double& out) {
  const item* value = take_number(nl, items, e, what, out);
  if (value == nullptr) return false;
  if (out == 0) {
    error(nl, value->first.line, e.name + ": " + what + " must not be 0");
    return false;
  }
  return true;
}

bool take_flag(std::vector<item>& items, const char* key) {
  return take(items, item_kind::word, key) != nullptr;
}

bool take_option(netlist& nl, std::vector<item>& items, const std::string& element, const char* key,
                 double& out, bool& found) {
  const item* it = take(items, item_kind::assign, key);
  if (it == nullptr) it = take(items, item_kind::group, key);
  found = it != nullptr;
  if (!found) return true;
  if (it->args.size() != 1) {
    error(nl, it->first.line, element + ": " + key + " takes one value");
    return false;
  }
  return value_of(nl, it->args[0], element, out);
}

bool group_values(netlist& nl, const item& group, const std::string& element, std::size_t least,
                  std::size_t most, std::vector<double>& out) {
  if (group.args.size() < least || group.args.size() > most) {
    const std::string count = least == most ? std::to_string(least)
                                            : std::to_string(least) + " to " + std::to_string(most);
    error(nl, group.first.line, element + ": " + group.key + "(...) takes " + count + " values");
    return false;
  }
  out.clear();
  for (const token& t : group.args) {
    double v = 0;
    if (!value_of(nl, t, element, v)) return false;
    out.push_back(v);
  }
  return true;
}

bool group_nodes(netlist& nl, const item& group, const std::string& element, std::size_t count,
                 std::vector<int>& out) {
  if (group.args.size() != count) {
    error(nl, group.first.line,
          element + ": " + group.key + "(...) takes " + std::to_string(count) + " node" +
              (count == 1 ? "" : "s"));
    return false;
  }
  out.clear();
  for (const token& t : group.args) {
    const int node = node_named(nl, t);
    if (node < 0) return false;
    out.push_back(node);
  }
  return true;
}

void report_unused(netlist& nl, const std::vector<item>& items, const std::string& element) {
  for (const item& it : items) {
    if (it.used) continue;
    std::string shown = it.first.text;
    if (it.kind == item_kind::group) shown += "(...)";
    if (it.kind == item_kind::assign) shown += "=";
    error(nl, it.first.line, element + ": unexpected '" + shown + "'");
  }
}

}  // namespace pss::netlist_compiler
