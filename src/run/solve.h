// One solution of the circuit at its present period and numbering.
#pragma once

#include "model/circuit.h"

namespace pss {

// The period dvar: the first dvar of global group 20.
dvar* period_dvar(circuit* c);

// Aims the delayed controls at the present period, numbers the unknowns,
// builds the matrix and runs Newton's method; returns its result code.
// Stops the job when the circuit has no unknowns, or when the double-slot
// or period equations it would assemble cannot be formed.
int solve_circuit(circuit* c, double accuracy);

}  // namespace pss
