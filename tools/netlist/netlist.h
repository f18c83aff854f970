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
  bool is_note = false;   // a line that was read and skipped on purpose
  std::string file = {};  // the included file the line is in; empty for the netlist's own
};

// How the period of an analysis is treated: given by the drive, or found
// (an oscillator's double PSS and dV/df runs).
namespace analysis_period {
constexpr int unset = 0;
constexpr int fixed = 1;
constexpr int free = 2;
}  // namespace analysis_period

// A range of values solved in turn: `steps` + 1 values from `start` to
// `final`; a single value has steps 0.
struct value_range {
  double start = 0;
  double final = 0;
  int steps = 0;
};

// The analysis the netlist's .pss directive asks for. It leaves the network
// file as it is: pss-run turns it into answers to pss's dialogue, and its
// fundamental is the frequency that a source given in hertz is a harmonic
// of. Every part is optional; 0 (or unset) where the directive is silent.
struct analysis_plan {
  bool given = false;  // the netlist has a .pss directive
  int line = 0;
  bool has_frequency = false;
  bool scan = false;
  value_range frequency;  // hertz: one frequency, or a scan
  int period = analysis_period::unset;
  int planes = 0;
  double accuracy = 0;
  bool has_dvdf = false;
  value_range dvdf;

  // The fundamental: the one frequency, or the first of a scan; 0 if none.
  double fundamental() const { return has_frequency ? frequency.start : 0.0; }
};

struct compiled_netlist {
  bool ok = false;  // no errors: `network` and `names` are complete
  net_file network;
  names_file names;
  analysis_plan analysis;
  std::vector<netlist_message> messages;  // errors and warnings, by line
};

// How a netlist is read: in pss's own grammar, or as SPICE reads a deck
// (docs/netlist.md, "SPICE decks"). `fundamental` (hertz, 0 when not given)
// is what a SPICE sine's frequency must be a whole multiple of when the
// deck has no .pss directive. `path` is the deck's file: its .include
// lines name files relative to its folder (the current folder when empty).
struct compile_options {
  bool spice = false;
  double fundamental = 0;
  std::string path = {};
};

// Compiles a netlist. On errors `ok` is false and `network` is not to be
// written.
compiled_netlist compile_netlist(const std::string& text);
compiled_netlist compile_netlist(const std::string& text, const compile_options& options);

// A value as the netlist writes it, SPICE scale suffixes included ("4.7k",
// "10uF"); false when it is malformed.
bool parse_value(const std::string& text, double& out);

// "FILE:LINE: error: text" (or warning), without a newline; FILE is the
// message's own file when it concerns a line of an included file.
std::string message_line(const std::string& file, const netlist_message& message);

// The names file that goes with a network file: JOB.net gives JOB.names.
std::string names_path_for(const std::string& net_path);

}  // namespace pss
