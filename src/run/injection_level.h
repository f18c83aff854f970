// The level at which the oscillator's injection node holds the tank at
// t = 0 in the injected runs: the dc level of the voltage source that fixes
// the first nodelist's first node.
#pragma once

#include "model/circuit.h"

namespace pss {

// That source's dc level attribute, or nullptr when the injection node has
// no such source.
tagged_value* injection_level(circuit* c);

// For a network marked with circuit param 5, the injection's level is an
// amplitude about the tank's DC operating point: adds `tank_level` to it
// once and prints the level used. Networks without the mark are left as
// they are.
void place_injection_about(circuit* c, double tank_level, const char* origin);

}  // namespace pss
