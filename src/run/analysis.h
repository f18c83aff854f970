// The sequence of solutions that makes up one job.
#pragma once

#include <string>

#include "model/circuit.h"

namespace pss {

// Runs the job's dialogue and solutions on `net.circuit`. Returns the
// process status of a normal end; error stops end the process themselves.
int run_analysis(const std::string& job, network& net, double accuracy);

}  // namespace pss
