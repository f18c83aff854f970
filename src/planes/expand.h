// Expansion of the one-plane circuit into N time planes.
//
// The network file describes the circuit once (the DC circuit). The periodic
// steady state is sought on N planes at times 0, 1/N, ..., (N-1)/N of the
// period; the expansion makes N copies of every node, joined per node into a
// ring by next_plane/prev_plane (plane N-1 is followed by plane 0, since the
// solution is periodic), renumbers the chain so that node p as read has index
// p*N and its copy in plane j index p*N + j, asks how each twinned node is to
// share its unknowns across planes, and extends the node lists of the
// elements that look at neighbouring planes.
//
// All new records are carved from the circuit's arena (`c->memory`).
#pragma once

#include <initializer_list>

#include "model/circuit.h"

namespace pss {

// Twinning answer that means: ask the user for each twinned node.
constexpr int ask_twinning = -1000;

// The twinning options of the dialogue, for one twinned node: what its
// copies share with its twin's ring. A negative answer acts as `at_zero`.
namespace twin_option {
constexpr int undo = 0;          // "undo twinning": own groups in every plane
constexpr int at_zero = 1;       // "t=0 twinning": plane 0 stays twinned
constexpr int at_zero_half = 2;  // "t=0 & t=0.5 twinning": plane N/2 too
constexpr int half_period = 3;   // "t, t-0.5 twinning": every plane, half a period away
}  // namespace twin_option

// Expands `c` in place into `c->planes` planes. Runs once per job. Each
// twinned node's option is asked on the console, or is `twinning` for all
// of them without a word when that is not `ask_twinning`.
void expand_time_planes(circuit* c, int twinning = ask_twinning);

// Makes the plane copies, renumbers the chain and runs the twinning dialogue.
void expand_node_planes(circuit* c, int twinning);

// Gives every copy the neighbours of its node as read, in its own plane.
void copy_plane_neighbours(circuit* c);

// Extends the node lists of the time-difference elements.
void extend_node_lists(circuit* c);

// The copies of the neighbours in every plane, each node's lists extended
// as soon as its copies are made, on two threads for a large circuit. For
// a circuit without windowed switches, whose relinks must come before any
// list is extended: copy_plane_neighbours and extend_node_lists in one.
void copy_and_extend_plane_neighbours(circuit* c);

// Whether an entry of this element type has its node list extended, and
// the extension of every such entry of `n`, carved from `memory`.
bool extends_node_list(int32_t type);
void extend_lists_of(arena& memory, node* n);

// Node-list extensions for the entry `e` of `n`'s neighbour entry `nb`,
// their node references carved from `memory`.
void mod_neighbour_conection(arena& memory, node* n, neighbour* nb, conection_entry* e);
void mod_cap_conection(arena& memory, node* n, neighbour* nb, conection_entry* e, bool central);
void mod_ind_conection(arena& memory, node* n, neighbour* nb, conection_entry* e, bool trapezoidal);
void mod_igen_conection(arena& memory, conection_entry* e);
void mod_terminals_conection(arena& memory, conection_entry* e, bool central);
void mod_window_conection(node* n, conection_entry* e);

// A node_ref list naming `nodes` in order, followed by `tail`.
node_ref* node_ref_list(circuit* c, std::initializer_list<node*> nodes, node_ref* tail);
node_ref* node_ref_list(arena& memory, std::initializer_list<node*> nodes, node_ref* tail);

}  // namespace pss
