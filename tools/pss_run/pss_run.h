// pss-run as a whole: netlist in, summary out. Each stage's error names the
// stage (compile, dialogue, solve, output) and ends the run with a status:
// pss's own when it failed, else 1.
#pragma once

#include <string>
#include <vector>

namespace pss {

// Runs pss-run with the arguments after the program name; returns its exit
// status.
int run_pss_run(const std::vector<std::string>& args);

}  // namespace pss
