// The values of every dvar of a circuit, kept so that the oscillator search
// can go back to a solution after a solve that led nowhere.
#pragma once

#include <vector>

#include "model/circuit.h"

namespace pss {

struct dvar_snapshot {
  std::vector<double> values;  // node chain order, groups and dvars in list order, then globals
};

dvar_snapshot take_snapshot(circuit* c);

// Puts the values back into the circuit the snapshot was taken of (same
// planes and slots).
void restore_snapshot(circuit* c, const dvar_snapshot& snapshot);

}  // namespace pss
