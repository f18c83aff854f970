// A start for Newton's method on a driven circuit with junctions: transient
// sweeps through the time planes from the DC solution.
//
// Newton on the whole period, started from the DC solution, frees the planes
// where a junction switches one plane per iteration (a rectifier's diode
// takes as many iterations as it has planes to leave). A sweep solves the
// planes in turn, each with the planes before it held, much as a transient
// marches through time, so that every junction starts on its own side.
#pragma once

#include "model/circuit.h"
#include "sparse/matrix.h"

namespace pss {

// The most unknowns per plane a sweep solves densely.
constexpr int32_t sweep_plane_limit = 32;

// Whether sweeps apply to `c` numbered for `m`: expanded into planes, one
// solution slot, a fixed period, no twinned node, at most sweep_plane_limit
// unknowns in each plane, and a junction model among its elements.
bool sweep_start_applies(circuit* c, const matrix* m);

// Sweeps from plane 0: each plane starts from a straight line through the
// two before it and is solved by Newton's method with its own unknowns only.
// A second sweep follows when the first does not end near where it began.
// Returns whether every plane converged; if one does not, every unknown is
// put back as it was (the junctions' models keep their last voltages, from
// which Newton's first steps are limited). prep_mat_res must have run.
bool sweep_planes(circuit* c, const matrix* m);

}  // namespace pss
