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

}  // namespace netlist_compiler

std::string message_line(const std::string& file, const netlist_message& message) {
  std::string text = file + ":";
  if (message.line > 0) text += std::to_string(message.line) + ":";
  const char* kind = message.is_error ? " error: " : message.is_note ? " note: " : " warning: ";
  return text + kind + message.text;
}

}  // namespace pss
