// Checks of a plane count before the circuit is expanded to it.
#pragma once

#include "model/circuit.h"

namespace pss {

// Stops the job, before anything is allocated for the planes, when the
// expansion of `c` (as read) into `planes` planes and its first matrix are
// estimated to need more memory than the process has (see
// available_memory), or would number more nodes or unknowns than 32 bits
// can count.
void check_expansion_fits(const circuit* c, int planes);

// Stops the job when a source of `c` (as read) has a sine of more cycles
// per period than `planes` planes resolve: above planes / 2 it would be
// sampled as a lower frequency. A sine of exactly planes / 2 cycles gets a
// warning on standard error and the job goes on.
void check_source_harmonics(circuit* c, int planes);

// Both checks, for the solver once it knows its plane count.
void check_plane_count(circuit* c, int planes);

}  // namespace pss
