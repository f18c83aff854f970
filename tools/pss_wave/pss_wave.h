// pss-wave as a whole: the command line in, the chosen text out.
#pragma once

#include <string>
#include <vector>

#include "tools/pss_wave/options.h"

namespace pss {

// The text that `options` ask for, and in `warnings` (when given) a line
// for each trace shown that alternates between even and odd planes. Stops
// the process with a message on a file that cannot be read or a node or
// slot the state file does not have.
std::string wave_output(const wave_options& options, std::vector<std::string>* warnings = nullptr);

// Runs pss-wave with the arguments after the program name and returns its
// exit status: 0, or 1 after a message on standard error.
int run_pss_wave(const std::vector<std::string>& args);

}  // namespace pss
