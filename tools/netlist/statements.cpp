// Netlist text → statements. A line whose first non-blank character is `*`
// is a comment; `;` starts a comment that runs to the end of the line; a
// line that starts with `+` continues the statement above it (comment and
// blank lines may stand between). Tokens are words and the characters
// ( ) =, which stand alone so that `SIN(1 0 1)` and `RSENSE=1m` need no
// blanks; commas separate like blanks.
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool is_blank(char ch) {
  return ch == ' ' || ch == '\t' || ch == '\r' || ch == ',';
}

bool stands_alone(char ch) {
  return ch == '(' || ch == ')' || ch == '=';
}

void tokenize(const std::string& text, std::size_t from, int line, std::vector<token>& out) {
  std::size_t i = from;
  while (i < text.size() && text[i] != ';') {
    if (is_blank(text[i])) {
      ++i;
    } else if (stands_alone(text[i])) {
      out.push_back({std::string(1, text[i]), line});
      ++i;
    } else {
      std::size_t j = i;
      while (j < text.size() && !is_blank(text[j]) && !stands_alone(text[j]) && text[j] != ';') {
        ++j;
      }
      out.push_back({text.substr(i, j - i), line});
      i = j;
    }
  }
}

}  // namespace

std::vector<statement> read_statements(const std::vector<numbered_line>& lines, netlist& nl) {
  std::vector<statement> statements;
  for (const numbered_line& l : lines) {
    const std::string& physical = l.text;
    const std::size_t first = physical.find_first_not_of(" \t\r");
    if (first == std::string::npos || physical[first] == '*') continue;
    if (physical[first] == '+') {
      if (statements.empty()) {
        error(nl, l.line, "a continuation line with no statement above it");
        continue;
      }
      tokenize(physical, first + 1, l.line, statements.back().tokens);
      continue;
    }
    statement st;
    tokenize(physical, first, l.line, st.tokens);
    if (!st.tokens.empty()) statements.push_back(std::move(st));
  }
  return statements;
}

std::vector<statement> read_statements(const std::string& text, netlist& nl) {
  std::vector<numbered_line> lines;
  std::size_t start = 0;
  for (int line = 1; start < text.size(); ++line) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back({line, text.substr(start, end - start)});
    start = end + 1;
  }
  return read_statements(lines, nl);
}

}  // namespace pss::netlist_compiler
