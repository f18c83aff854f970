// The netlist compiler: a SPICE-like text description of a circuit turned
// into the network file that pss reads, and the names file beside it.
// The language is described in docs/netlist.md.
#pragma once

#include <string>
#include <vector>

#include "model/net_file.h"
#include "tools/common/names_file.h"

namespace pss {

struct netlist_message {
  int line;  // 0 when the message concerns the netlist as a whole
  bool is_error;
  std::string text;
};

struct compiled_netlist {
  bool ok = false;  // no errors: `network` and `names` are complete
  net_file network;
  names_file names;
  std::vector<netlist_message> messages;  // errors and warnings, by line
};

// Compiles a netlist. On errors `ok` is false and `network` is not to be
// written.
compiled_netlist compile_netlist(const std::string& text);

// "FILE:LINE: error: text" (or warning), without a newline.
std::string message_line(const std::string& file, const netlist_message& message);

// The names file that goes with a network file: JOB.net gives JOB.names.
std::string names_path_for(const std::string& net_path);

}  // namespace pss
