// Control delays of the controlled current generators.
#pragma once

#include "model/circuit.h"

namespace pss {

// Re-aims the control nodes of generator entry `e` (in `x`'s neighbour list,
// node list [L1, C1, C2, C1', C2']) at the two planes that bracket the
// instant one control delay before x's plane: C1, C2 at the later plane,
// C1', C2' at the earlier one. The delay is in seconds, so this runs again
// whenever the period changes. Only for circuits of more than one plane.
void igen_mods(circuit* c, node* x, conection_entry* e);

// Re-aims every generator of the circuit (nothing on one plane).
void aim_generator_controls(circuit* c);

}  // namespace pss
