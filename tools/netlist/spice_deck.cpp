// A SPICE deck's text → statements, as ngspice reads it: the first line is
// the title; `*` comment lines, `;` and `$` inline comments (a `$` only
// after a blank, so that it may stand inside a name); `+` continuations.
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

// Blanks the title line and cuts `$` comments, keeping every newline so
// that line numbers stay those of the file.
std::string without_title_and_dollar_comments(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  bool title = true;
  bool comment = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\n') {
      title = false;
      comment = false;
      out += ch;
      continue;
    }
    if (ch == '$' && (i == 0 || text[i - 1] == ' ' || text[i - 1] == '\t')) comment = true;
    if (!title && !comment) out += ch;
  }
  return out;
}

// A comment line `*pss .pss ...` or `*pss .osc ...` carries pss's own
// analysis in a deck that ngspice runs too, which reads it as a comment:
// the marker is blanked so that the directive is read; any other directive
// after the marker is an error.
std::string with_pss_lines_read(const std::string& text, netlist& nl) {
  std::string out = text;
  int line = 1;
  for (std::size_t start = 0; start < out.size(); ++line) {
    std::size_t end = out.find('\n', start);
    if (end == std::string::npos) end = out.size();
    const std::string head = lower(out.substr(start, 5));
    if (head == "*pss " || head == "*pss\t") {
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

// What a deck may hold that this compiler does not read yet: refused, not
// dropped, since the circuit would not be the deck's.
const std::set<std::string> unread_directives = {".param",  ".include", ".inc",
                                                 ".subckt", ".ends",    ".func"};

// Directives that shape a transient or a small-signal run, or its output:
// nothing of them carries over to a periodic steady state.
const std::set<std::string> skipped_directives = {
    ".tran",   ".ac",     ".dc",    ".op",   ".noise",   ".ic",   ".nodeset", ".options",
    ".option", ".opt",    ".print", ".plot", ".save",    ".meas", ".measure", ".probe",
    ".temp",   ".global", ".width", ".four", ".csparam", ".lib"};

}  // namespace

std::vector<statement> spice_statements(const std::string& text, netlist& nl) {
  std::vector<statement> kept;
  int control_line = 0;
  for (statement& st :
       read_statements(with_params_substituted(
                           with_pss_lines_read(without_title_and_dollar_comments(text), nl), nl),
                       nl)) {
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
      error(nl, line, st.tokens[0].text + " is not read in SPICE decks yet");
    } else if (skipped_directives.count(name) > 0) {
      note(nl, line, st.tokens[0].text + " skipped: it has no meaning for a periodic steady state");
    } else {
      for (token& t : st.tokens) rewrite_mil(t);
      kept.push_back(std::move(st));
    }
  }
  if (control_line > 0) error(nl, control_line, ".control block without .endc");
  return kept;
}

}  // namespace pss::netlist_compiler
