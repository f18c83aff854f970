// A mid-sized time-plane circuit for the assembly and iteration tests: 40
// RC sections driven by a sine, with a diode across every fourth section
// (every other one storing charge, so that its model reads the junctions of
// the neighbouring planes), compiled, expanded onto N planes (40 unknowns a
// plane) and with its matrix made.
#pragma once

#include <memory>

#include "sparse/matrix.h"
#include "tools/netlist/compiled_circuit.h"

namespace pss::test {

struct ladder_on_planes {
  std::unique_ptr<compiled_circuit> compiled;
  circuit* c = nullptr;
  matrix* m = nullptr;
  ~ladder_on_planes();
};

std::unique_ptr<ladder_on_planes> diode_ladder(int planes, bool diodes = true);

}  // namespace pss::test
