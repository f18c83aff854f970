// A SPICE deck's text → statements, as ngspice reads it: the first line is
// the title; `*` comment lines, `;` and `$` inline comments (a `$` only
// after a blank, so that it may stand inside a name); `+` continuations;
// .include lines read (spice_include.cpp), .param lines and {expressions}
// evaluated (spice_params.cpp), subcircuits expanded (spice_subckt.cpp).
// Lines that mean nothing to a periodic steady state are dropped here, one
// note each, so that the element and directive readers see only what pss
// represents. `mil` (a thousandth of an inch) is rewritten to metres here
// because the plain grammar reads `m` as milli.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

// What a deck may hold that this compiler does not read: refused, not
// dropped, since the circuit would not be the deck's.
const std::set<std::string> unread_directives = {".func"};

// Directives that shape a transient or a small-signal run, or its output:
// nothing of them carries over to a periodic steady state.
const std::set<std::string> skipped_directives = {
    ".tran",    ".ac",     ".dc",   ".op",    ".noise", ".ic",      ".nodeset",
    ".options", ".option", ".opt",  ".print", ".plot",  ".save",    ".meas",
    ".measure", ".probe",  ".temp", ".width", ".four",  ".csparam", ".lib"};

}  // namespace

std::string first_word(const std::string& line) {
  const std::size_t first = line.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  const std::size_t end = line.find_first_of(" \t\r", first);
  return lower(line.substr(first, end == std::string::npos ? std::string::npos : end - first));
}

bool is_skipped_directive(const std::string& lower_name) {
  return skipped_directives.count(lower_name) > 0;
}

// A comment line `*pss .pss ...` or `*pss .osc ...` carries pss's own
// analysis in a deck that ngspice runs too, which reads it as a comment:
// the marker is blanked so that the directive is read; any other directive
// after the marker is an error. The first line is the deck's title.
std::string with_pss_lines_read(const std::string& text, netlist& nl) {
  std::string out = text;
  int line = 1;
  for (std::size_t start = 0; start < out.size(); ++line) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    const std::string head = lower(out.substr(start, 5));
    if (line > 1 && (head == "*pss " || head == "*pss\t")) {
      const std::size_t word = std::min(out.find_first_not_of(" \t", start + 5), end);
      const std::size_t stop = std::min(out.find_first_of(" \t\r\n", word), end);
      const std::string directive = lower(out.substr(word, stop - word));
      if (directive == ".pss" || directive == ".osc") {
        out.replace(start, 4, "    ");
      } else {
        error(nl, line, "a *pss line carries .pss or .osc, not '" + directive + "'");
      }
    }
    start = end + 1;
  }
  return out;
}

// `2mil` → metres; other tokens stay as written.
void rewrite_mil(token& t) {
  const std::string low = lower(t.text);
  const std::size_t at = low.find("mil");
  if (at == 0 || at == std::string::npos) return;
  double number = 0;
  if (!parse_number(t.text.substr(0, at), number)) return;
  for (std::size_t k = at; k < low.size(); ++k) {
    if (!std::isalpha(static_cast<unsigned char>(low[k]))) return;
  }
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.17g", number * 25.4e-6);
  t.text = buffer;
}

std::vector<statement> spice_statements(const std::string& text, netlist& nl) {
  subckt_table subckts;
  const std::string deck =
      without_subckt_definitions(deck_with_includes(with_pss_lines_read(text, nl), nl), nl, subckts);
  param_values params;
  std::vector<statement> kept;
  int control_line = 0;
  for (statement& st : read_statements(with_params_substituted(deck, nl, params), nl)) {
    const std::string name = lower(st.tokens[0].text);
    const int line = st.tokens[0].line;
    if (control_line > 0) {
      if (name == ".endc") control_line = 0;
      continue;
    }
    if (name == ".end") {
      kept.push_back(std::move(st));
      break;
    }
    if (name == ".control") {
      note(nl, line, ".control block skipped up to its .endc: pss runs no ngspice commands");
      control_line = line;
    } else if (unread_directives.count(name) > 0) {
      error(nl, line,
            st.tokens[0].text + " is not read in SPICE decks: write its expression out in braces");
    } else if (skipped_directives.count(name) > 0) {
      note(nl, line, st.tokens[0].text + " skipped: it has no meaning for a periodic steady state");
    } else {
      for (token& t : st.tokens) rewrite_mil(t);
      kept.push_back(std::move(st));
    }
  }
  if (control_line > 0) error(nl, control_line, ".control block without .endc");
  return with_instances_expanded(nl, std::move(kept), subckts, params);
}

}  // namespace pss::netlist_compiler
