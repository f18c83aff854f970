// The injected runs of the oscillator search: the injected double PSS,
// moved in frequency and injection level by continuation, and settled
// where its ringing puts the natural frequency and where it makes no step
// at the injection.
#pragma once

#include <vector>

#include "model/circuit.h"
#include "run/dvar_snapshot.h"
#include "run/oscillator_start.h"

namespace pss {

// The injected solution the search holds and moves.
struct search_state {
  search_state(circuit* circ, double acc, oscillator_start& s) : c(circ), accuracy(acc), start(s) {}
  circuit* c;
  double accuracy;
  oscillator_start& start;
  double frequency = 0.0;  // of the injected solution in `injected`
  dvar_snapshot injected;
  bool injected_is_cycle = false;   // `injected` holds a coupled cycle instead
  std::vector<double> rest_levels;  // per node as read
  double tank_rest = 0.0;
};

// The search holding the circuit's present solution, at its present period.
search_state held_at_present(circuit* c, double accuracy, oscillator_start& start);

// Node `n`'s level at rest: the DC solution when the job made one, else its
// slot-0 mean over the planes when the search began.
double rest_level(const search_state& s, const node* n);

// One injected solve, with damped steps.
int solve_injected(search_state& s);

// Where the injected runs go next: a frequency and an injection level.
struct injected_target {
  double frequency;
  double level;
};

// Moves the injected solution held towards `target` in steps that halve on
// failure; true when it gets there.
bool continue_injected(search_state& s, injected_target target);

// Follows the ringing to the natural frequency, then closes the jump.
void settle_injected_cycle(search_state& s);

}  // namespace pss
