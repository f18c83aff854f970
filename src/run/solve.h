// One solution of the circuit at its present period and numbering.
#pragma once

#include "model/circuit.h"
#include "run/dvar_snapshot.h"

namespace pss {

// The period dvar: the first dvar of global group 20.
dvar* period_dvar(circuit* c);

// Aims the delayed controls at the present period, numbers the unknowns,
// builds the matrix and runs Newton's method; returns its result code.
// Stops the job when the circuit has no unknowns, or when the double-slot
// or period equations it would assemble cannot be formed. With `sweep_first`
// and a circuit that sweeps apply to (newton/sweep_start.h), Newton starts
// from transient sweeps through the planes instead of the values as they are.
int solve_circuit(circuit* c, double accuracy, bool sweep_first = false);

// A root to deflate, as snapshots of every dvar: its values, and the weight
// of each dvar in the distance from it (0 leaves the dvar out).
struct deflated_dvars {
  dvar_snapshot values;
  dvar_snapshot weights;
};

struct solve_guards {
  bool damp = false;
  const deflated_dvars* deflated = nullptr;
};

// As solve_circuit with Newton's guards.
int solve_circuit_guarded(circuit* c, double accuracy, const solve_guards& g);

}  // namespace pss
