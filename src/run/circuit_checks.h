// Checks that stop a job with a clear message before it solves something the
// element models or the equations cannot form, instead of failing inside a
// solve.
#pragma once

#include "model/circuit.h"

namespace pss {

// The circuit as read: node lists and attributes every element needs, voltage
// groups the models read, and at most one voltage source driving each fixed
// node.
void check_network(circuit* c);

// The expanded circuit: a central-difference capacitor needs three planes.
void check_expanded(circuit* c);

// Whether the circuit has the first nodelist of an oscillator, [injection,
// tank, ground, ...]: what the double runs and the oscillator search read.
bool has_oscillator_nodelist(const circuit* c);

// Before switching to two solution slots: the first nodelist and circuit
// param 4 (the period offset of slot 1) that the double runs use.
void check_double_runs(circuit* c);

// Before the double runs of the expanded circuit: every windowed element's
// window holds no plane but plane 0, and the oscillator's injection window
// holds plane 0.
void check_injection_windows(circuit* c);

// Before every solve: what the slot-coupling and period equations need.
void check_solve_preconditions(circuit* c);

}  // namespace pss
