// The periodic solutions at one frequency or at each step of a scan.
#pragma once

#include <string>

#include "model/circuit.h"
#include "run/oscillator_start.h"

namespace pss {

struct frequency_plan {
  double start;  // a single frequency is `start` with no steps
  double final;
  int steps;
};

// Solves each step, writing `<job><run>.var`; run numbers grow with the
// frequency in both scan directions. A step after the first that fails is
// continued from the previous step's frequency by halving towards the last
// converged frequency. For an oscillator (`oscillator` not null) a first
// step that fails goes on to the search's recovery of the injected run. A
// driven circuit's first step starts from sweeps through the planes when
// the planes hold the DC solution (`from_dc`) and sweeps apply to it.
void run_frequencies(const std::string& job, circuit* c, double accuracy,
                     const frequency_plan& plan, oscillator_start* oscillator, bool from_dc);

}  // namespace pss
