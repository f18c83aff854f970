// A saved solution as waveforms: every node's voltage in every time plane
// and solution slot, with the node's name and the period of each slot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pss {

constexpr int max_slots = 2;

// One sampled quantity: a node's voltage or an element's current
// (currents.h gives the signs).
struct wave_node {
  int32_t index;                          // as in the network file; -1 for a current
  std::string name;                       // the user's name, or n<index>; i(NAME) for a current
  std::vector<double> values[max_slots];  // per slot, one value per plane
  bool is_current = false;
};

struct waveforms {
  std::string job;
  std::string state_path;
  int planes = 0;
  int slots = 0;
  double period[max_slots] = {};   // slot 1 runs at T plus the circuit's offset
  std::vector<wave_node> nodes;    // in the network file's node order
  std::vector<wave_node> currents; // those asked for, in netlist order
};

// The branch currents to compute besides the voltages: every element the
// user wrote (`all`: those whose names hold no '#'), and those named.
struct current_request {
  bool all = false;
  std::vector<std::string> elements;
};

// Reads JOB.net, JOB.names when there is one, and the state file. A file
// that cannot be read, a state that does not fit the network, or an element
// the network does not have, stops the process with a message (the
// solver's own for a state that does not fit).
waveforms load_waveforms(const std::string& job, const std::string& state_path,
                         const current_request& currents = {});

// "V" for a voltage, "A" for a current.
inline const char* unit_of(const wave_node& n) {
  return n.is_current ? "A" : "V";
}

// Element names compare as the netlist does, ignoring case.
bool same_name(const std::string& a, const std::string& b);

// The element a trace name i(NAME) or I(NAME) asks for the current of, or
// "" when the name is not of that form.
std::string current_element(const std::string& trace);

// The time of plane `plane` in `slot`: plane j of N lies at j/N of the period.
inline double plane_time(const waveforms& w, int slot, int plane) {
  return plane * w.period[slot] / w.planes;
}

// The period's reciprocal, in hertz.
inline double frequency(const waveforms& w, int slot) {
  return 1.0 / w.period[slot];
}

// True for nodes a default listing leaves out: ground, and internal nodes,
// whose names the netlist compiler marks with '#'.
bool is_hidden_node(const wave_node& n);

}  // namespace pss
