// The time a job spends outside Newton's iterations in the phases that grow
// with its size: the plane copies and the matrix pattern, summed over the
// job. Only the benchmark's timed job reads them; pss prints nothing of it.
#pragma once

#include <chrono>

namespace pss {

struct job_phase_times {
  double expansion = 0.0;  // seconds making the plane copies and their node lists
  double pattern = 0.0;    // seconds numbering the unknowns and building the pattern
};

job_phase_times& job_phase_time_spent();

// Adds the seconds of its own life to `account`: a phase timed by a scope.
struct timed_phase {
  double& account;
  std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();

  ~timed_phase() {
    account += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

}  // namespace pss
