// The oscillator runs: the double PSS, in which every voltage has a second
// solution slot solved at the period T + param 4, and the coupled runs in
// which the period is an unknown fixed by the prescribed dV/df.
#pragma once

#include <string>

#include "model/circuit.h"
#include "run/oscillator_start.h"

namespace pss {

// Switches the circuit to two solution slots: every node dvar group gets a
// second dvar equal to its first, and the first nodelist gains the previous
// planes of its second and third nodes. A circuit that has two slots
// already is left as it is.
void make_double_dvars(circuit* c);

// The independent double PSS at the present period, then the coupled runs.
int run_independent_double(const std::string& job, circuit* c, double accuracy,
                           oscillator_start& start);

// The coupled double PSS over the dV/df values asked for.
int run_coupled_double(const std::string& job, circuit* c, double accuracy,
                       oscillator_start& start);

// The injected double PSS: the period and the injection node (the first
// nodelist's first node) held fixed in both slots.
void hold_injection(circuit* c);

// The coupled double PSS: the period and both slots of the injection node's
// plane-0 voltage are unknowns.
void free_injection(circuit* c);

}  // namespace pss
