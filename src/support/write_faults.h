// A test seam in the file layer: the environment variable
// PSS_FAIL_WRITE_STEP=N makes the Nth step (counted from 1 over the whole
// process) of an atomic write fail as a full disk would. The steps are each
// write, flush, fsync, close and rename, and the fsync of the folder, so a
// test that tries every N from 1 up meets every point where a job's writing
// can break. Unset, nothing fails and nothing is counted.
#pragma once

namespace pss {

// Counts one step of an atomic write. Returns 0 when the step may go on, or
// the errno value it is to fail with.
int injected_write_fault();

}  // namespace pss
