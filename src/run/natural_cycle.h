// pss's own check of a coupled oscillator solution: whether slot 0 holds a
// natural cycle that a user can be given, or a root of the equations that
// means nothing (the equilibrium, a cycle at a harmonic, a runaway period).
#pragma once

#include <vector>

#include "model/circuit.h"

namespace pss {

// The tank: the first nodelist's second node, whose voltage the period
// equation observes. Its slot-`slot` voltage in planes 0 .. N-1.
std::vector<double> tank_samples(circuit* c, int slot);

struct cycle_report {
  bool natural;
  const char* problem;  // why it is not, when it is not
  double frequency;     // 1 / period
  double amplitude;     // of the tank voltage's fundamental
  double dc_level;      // the tank voltage's mean
  int strongest;        // the harmonic with the largest AC component
};

// Judges the circuit's present solution against the frequency the search
// started from: the period must be finite and positive with a frequency
// within half to twice the start's; every voltage finite; the tank's AC
// part at least 1e-6 of (1 + |its DC level|); its largest AC component
// the fundamental; and no alternation between even and odd planes above
// 1 % of the fundamental.
cycle_report check_natural_cycle(circuit* c, double start_frequency);

// The amplitude of harmonic k of samples of one period (k = N/2: the
// alternating component).
double harmonic_amplitude(const std::vector<double>& samples, std::size_t k);

}  // namespace pss
