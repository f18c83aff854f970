// Walks over the planes of an expanded circuit that visit one record per
// node rather than one per node and plane.
#pragma once

#include <vector>

#include "model/circuit.h"

namespace pss {

// Plane 0's nodes, in chain order. The chain holds each node's planes in a
// row, so the one after a node's last plane (its plane 0's prev_plane) is
// the next node's plane 0.
std::vector<node*> first_plane_nodes(circuit* c);

// Whether any node of plane 0 carries an element of `type`: every plane is
// a copy of plane 0, so this answers for the whole circuit.
bool planes_carry_type(circuit* c, int32_t type);

// Whether any of `nodes` carries an element whose type is `wanted`.
bool nodes_carry(const std::vector<node*>& nodes, bool (*wanted)(int32_t type));

}  // namespace pss
