// Answers of the dialogue that are numbers of the right kind and still
// cannot be meant: refused with one line before anything is solved.
#pragma once

#include "model/circuit.h"

namespace pss {

// The most steps a scan may have: each step writes a state file of its own.
constexpr int max_scan_steps = 1000000;

// Stops the job when a scan of `steps` steps (asked with `question`) would
// write more state files than max_scan_steps + 1.
void check_step_count(const char* question, int steps);

// Stops the job when the period that a saved state at `path` left in `c`
// is not finite and above 0: a job that goes on from it would solve on
// planes with no time between them or running backwards.
void check_saved_period(circuit* c, const char* path);

}  // namespace pss
