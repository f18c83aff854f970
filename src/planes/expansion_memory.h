// What the expansion into time planes will cost, known before it is made.
#pragma once

#include <cstdint>

#include "model/circuit.h"

namespace pss {

// The bytes that expanding the one-plane circuit `c` into `planes` planes
// and building the first matrix of the expanded circuit will take: the node
// copies with their groups, neighbours, conection entries and node lists,
// the index table of the expansion, and the matrix pattern with its column
// lists. A double, so that any plane count gives a finite answer.
double expansion_bytes(const circuit* c, int64_t planes);

}  // namespace pss
