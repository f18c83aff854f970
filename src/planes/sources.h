// The source dialogue: lists the values of every voltage and current source
// and, if the user declines the defaults, reads new ones.
#pragma once

#include "model/circuit.h"

namespace pss {

// Visits each source once, from its higher-numbered end, and changes its
// attribute values in place (never adds, removes or reorders attributes).
void set_contacts(circuit* c);

}  // namespace pss
