// Jobs whose state files the pss-wave tests read: a resistive network with
// known waveforms and the two-slot oscillator.
#pragma once

#include <string>

#include "support/job.h"
#include "tools/pss_wave/waveforms.h"

namespace pss::test {

// Nodes gnd (0), in (1), mid (2) and R3#tap (3) in job.names. "in" is a 1 V
// sine at the fundamental of 1 kHz; a current source of amplitude `amps`
// and phase 0.3 rad at the third harmonic feeds mid, which sees 1 kΩ from
// in and 1 kΩ to ground (R2 in parallel with R3 + R4), so that
//   mid = 0.5 sin(2 pi f t) + 500 Ω amps sin(0.3 + 2 pi 3 f t),
// and R3#tap = mid / 4. Solved on 16 planes into job0.var.
job_run driven_job(double amps);

// The LC oscillator of tests/data on 32 planes; jobO0.var has two slots.
// No names file.
job_run oscillator_job();

// A netlist compiled into job.net and job.names and solved with `answers`.
job_run netlist_job(const std::string& netlist, const std::string& answers);

// The job's waveforms as pss-wave reads them.
waveforms load_job(const job_run& job, const std::string& suffix,
                   const current_request& currents = {});

}  // namespace pss::test
