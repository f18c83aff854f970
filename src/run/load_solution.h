// A saved solution read back into the expanded circuit of its network, for
// tools that look at solutions after a job.
#pragma once

#include <string>
#include <vector>

#include "model/circuit.h"

namespace pss {

// Expands `c` (as read from its network file) to the plane count of the
// state file at `path`, with every twin undone so that each node reads its
// own values, switches to two slots for a two-slot file, and reads the
// state. Stops with a message when the file does not fit the network.
void load_solution(circuit* c, const std::string& path);

// The voltage dvar of the node at chain position `position` as read, in
// `plane` and `slot`.
dvar* solution_voltage(circuit* c, int position, int plane, int slot);

// A fixed node voltage of a loaded solution that is not what the network's
// voltage source gives it: the file was written for another circuit of the
// same shape, or with source values changed in the dialogue.
struct source_mismatch {
  int position;  // the node's chain position as read
  int plane;
  int slot;
  double in_file;
  double from_source;
  const conection* source;
};

// The first plane and slot in which each source-driven node of the loaded
// circuit `c` differs from its source, in chain order.
std::vector<source_mismatch> fixed_values_off_source(circuit* c);

}  // namespace pss
