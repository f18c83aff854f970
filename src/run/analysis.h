// The sequence of solutions that makes up one job.
#pragma once

#include <string>

#include "model/circuit.h"

namespace pss {

// Runs the job's dialogue and solutions on `net.circuit`: a saved state or
// the DC solution, the expansion into time planes, the periodic solutions
// at one frequency or over a scan, and for an oscillator the double PSS and
// dV/df runs. Every converged solution is written to a state file. Returns
// the process status of a normal end; error stops end the process.
int run_analysis(const std::string& job, network& net, double accuracy);

}  // namespace pss
