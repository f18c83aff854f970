// The sine component of a source as its model reads it, for the checks
// that a plane count resolves it.
#pragma once

#include "model/circuit.h"

namespace pss {

// The amplitude (0 when the source has no sine) and the cycles per period.
struct source_sine {
  double amplitude;
  double cycles;
};

// A current source (type 60): the first amplitude, and the first frequency
// times the first harmonic.
source_sine current_source_sine(const conection* con);

}  // namespace pss
