// Errors and warnings of a compilation, kept with their netlist lines so
// that they can be shown in line order however late a check finds them.
#include "tools/netlist/compiler.h"

namespace pss {

namespace netlist_compiler {

void error(netlist& nl, int line, const std::string& text) {
  nl.messages.push_back({line, true, text});
}

void warning(netlist& nl, int line, const std::string& text) {
  nl.messages.push_back({line, false, text});
}

void note(netlist& nl, int line, const std::string& text) {
  nl.messages.push_back({line, false, text, true});
}

int error_count(const netlist& nl) {
  int count = 0;
  for (const netlist_message& m : nl.messages) count += m.is_error ? 1 : 0;
  return count;
}

std::string line_reference(const netlist& nl, int line) {
  if (line < 1 || static_cast<std::size_t>(line) > nl.origins.size()) {
    return "line " + std::to_string(line);
  }
  const line_origin& o = nl.origins[static_cast<std::size_t>(line) - 1];
  const std::string own = "line " + std::to_string(o.line);
  return o.file < 0 ? own : own + " of " + nl.included_files[static_cast<std::size_t>(o.file)];
}

void locate_messages(const netlist& nl, std::vector<netlist_message>& messages) {
  for (netlist_message& m : messages) {
    if (m.line < 1 || static_cast<std::size_t>(m.line) > nl.origins.size()) continue;
    const line_origin& o = nl.origins[static_cast<std::size_t>(m.line) - 1];
    if (o.file >= 0) m.file = nl.included_files[static_cast<std::size_t>(o.file)];
    m.line = o.line;
  }
}

}  // namespace netlist_compiler

std::string message_line(const std::string& file, const netlist_message& message) {
  std::string text = (message.file.empty() ? file : message.file) + ":";
  if (message.line > 0) text += std::to_string(message.line) + ":";
  const char* kind = message.is_error ? " error: " : message.is_note ? " note: " : " warning: ";
  return text + kind + message.text;
}

}  // namespace pss
