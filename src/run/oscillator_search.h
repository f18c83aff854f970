// The search for an oscillator's natural cycle, when the coupled double PSS
// started from the user's frequency does not end on one.
//
// The injected runs ring at the tank's own frequency between two
// injections; the search reads that frequency from the ringing, and the
// injection level at which the ringing neither grows nor decays, solves the
// injected runs again there until both settle, and then solves the coupled
// runs with the equilibrium deflated and growing steps damped. Each step
// prints one line before the runs it makes. A search that finds no natural
// cycle stops the job with one message and status 1.
#pragma once

#include <string>

#include "model/circuit.h"
#include "run/dvar_snapshot.h"
#include "run/oscillator_start.h"

namespace pss {

struct search_request {
  const std::string& job;
  circuit* c;
  double accuracy;
  oscillator_start& start;  // its tallies advance
  // Run 0: the injected double PSS the coupled run started from. Later dV/df
  // runs: the previous run's cycle.
  const dvar_snapshot& from;
  int run;
};

// On return the circuit holds a natural cycle, in the coupled runs' mode.
void search_natural_cycle(const search_request& request);

// A fixed-period run of an oscillator whose plain Newton iteration failed:
// tries damped steps from `start_values`, then starts detuned from
// `frequency` continued back to it. Returns with the injected solution at
// `frequency` in the circuit; else the job stops with the search's message.
void recover_injected_run(circuit* c, double accuracy, double frequency, oscillator_start& start,
                          const dvar_snapshot& start_values);

// Stops the job: no natural cycle was found.
[[noreturn]] void oscillator_search_failed(const oscillator_start& start, double frequency);

}  // namespace pss
