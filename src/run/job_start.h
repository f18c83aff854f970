// The process entry: `pss <job>`.
#pragma once

namespace pss {

// Reads `<job>.net`, asks for the convergence accuracy and runs the job.
// Returns the process status when the job ends normally; error stops end
// the process themselves.
int job_start(int argc, char** argv);

}  // namespace pss
