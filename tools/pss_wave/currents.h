// Branch currents of a saved solution, from the element models themselves:
// the current an element delivers into its first node, as the solver's
// residual counts it, turned into the current through the element.
//
// Signs, as SPICE counts them: an element's current flows from its first
// node (n+) through the element to its second (n-), the nodes in the order
// the netlist wrote them. So a resistor's current is (V(n+) - V(n-)) / R, a
// current source's is its own value, and a voltage source's is the current
// that enters it at n+, negative while the source delivers power. An
// inductor's current is the one its sense resistor carries.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "model/circuit.h"

namespace pss {

// An element's name and the chain positions of its two nodes, n+ first.
struct branch {
  std::string name;
  std::array<int, 2> ends;
};

// The elements of the circuit as read (before any expansion): every
// conection name once, in chain order of its first record, its ends by
// position with the lower one first. `c` must not be expanded yet.
std::vector<branch> circuit_branches(const circuit* c);

// The current of `b` from its first node to its second in every plane of
// `slot`, of the expanded circuit with its solution loaded. False, with
// `error` set, when the element has no record at its first node.
bool branch_current(circuit* c, const branch& b, int slot, std::vector<double>& out,
                    std::string& error);

}  // namespace pss
