// What the oscillator runs carry from the job's start to its end: the
// frequency it started from, the DC solution, and the search's tallies.
#pragma once

#include <vector>

namespace pss {

struct oscillator_start {
  double frequency = 0.0;         // Hz: the frequency the job started from
  std::vector<double> dc_levels;  // the DC solution per node as read; empty from a saved state
  // The search's progress lines and solves so far, and its best estimate of
  // the natural frequency (0 while it has none).
  int search_steps = 0;
  int injected_solves = 0;
  int coupled_solves = 0;
  double best_estimate = 0.0;
};

}  // namespace pss
