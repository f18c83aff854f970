// A saved solution as waveforms: every node's voltage in every time plane
// and solution slot, with the node's name and the period of each slot.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pss {

constexpr int max_slots = 2;

struct wave_node {
  int32_t index;                          // as in the network file
  std::string name;                       // the user's name, or n<index>
  std::vector<double> values[max_slots];  // per slot, one value per plane
};

struct waveforms {
  std::string job;
  std::string state_path;
  int planes = 0;
  int slots = 0;
  double period[max_slots] = {};  // slot 1 runs at T plus the circuit's offset
  std::vector<wave_node> nodes;   // in the network file's node order
};

// Reads JOB.net, JOB.names when there is one, and the state file. A file
// that cannot be read, or a state that does not fit the network, stops the
// process with a message (the solver's own for the latter).
waveforms load_waveforms(const std::string& job, const std::string& state_path);

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
