// LC tanks kept going by a saturating negative resistor, written as
// netlists with .osc and solved end to end through the compiler and pss:
// the oscillators of the search's tests.
#pragma once

#include <string>

namespace pss::test {

struct tank_design {
  double q = 50;           // the parallel loss Rp against Z0
  bool megahertz = false;  // L = 10 uH, C = 1 nF (1.59 MHz, Z0 = 100 ohm); else 1 Hz, Z0 = 1 ohm
  double supply = 0;       // not 0: the tank hangs from a supply node at this voltage
  bool inductor_from_supply = false;  // L1 vdd o rather than L1 o vdd
  // The negative resistor's small-signal conductance against the loss 1/Rp.
  double gain_over_loss = 2;
  bool central = false;  // .options DIFFERENCE=CENTRAL
};

// R(u) = -(R0 + a u^2): R0 = Rp / gain_over_loss, and `a` such that the
// describing function puts the amplitude at `describing_amplitude`.
std::string tank_netlist(const tank_design& tank, double osc_amplitude);
double tank_frequency(const tank_design& tank);  // 1 / (2 pi sqrt(L C))
double describing_amplitude(const tank_design& tank);

// The discrete natural period of the CAP1 and explicit-inductor pair on N
// planes: T_N = (N / pi) sin(pi / N) / f0.
double discrete_period(const tank_design& tank, int planes);

struct tank_outcome {
  int status;
  std::string out;
  bool has_cycle;  // JOBO0.var was written
  double period;
  double amplitude;    // of the tank voltage's fundamental, slot 0
  double alternation;  // its DFT bin N/2: the step between even and odd planes
  double dc_level;
  double seconds;
};

// Compiles the tank with `.osc o f0 amplitude` and runs pss from `start`
// hertz on `planes` planes to natural oscillation (dV/df = 0).
tank_outcome run_tank(const tank_design& tank, double start, double osc_amplitude, int planes);

}  // namespace pss::test
