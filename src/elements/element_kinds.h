// One descriptor per element type: everything the solver's layers ask of a
// conection's type code, found by the one switch in element_kinds.cpp.
//
// Adding an element is one model file and one entry there: the dispatch of
// calc_res, the network checks, the node-list extension across time
// planes, the sparse pattern, the text form's comments and the netlist's
// DC-path warning all read the descriptor.
#pragma once

#include <cstdint>

#include "model/circuit.h"

namespace pss {

struct element_call;
struct entry_list;

// How the expansion extends an entry's node list across the time planes.
namespace plane_lists {
constexpr int none = 0;
constexpr int backward = 1;           // [nb.prev, row.prev] in front (CAP1)
constexpr int central = 2;            // [nb.prev, row.prev, nb.next, row.next] in front (CAP2)
constexpr int inductor_explicit = 3;  // [S1.prev, S2.prev, nb.prev, row.prev]
constexpr int inductor_trap = 4;      // [S1, S2, S1.prev, S2.prev, nb.prev, row.prev]
constexpr int earlier_control = 5;    // [L1, C1, C2, C1.prev, C2.prev] (I_IGEN)
constexpr int window_relink = 6;      // relinks the holding node's previous plane (type 103)
// The list as read, then the previous-plane copy of each of its nodes
// (and, central, the next-plane copy of each): a transistor's terminals.
constexpr int terminals_backward = 7;
constexpr int terminals_central = 8;
}  // namespace plane_lists

// Whether the element ties its two nodes together in the DC circuit.
namespace dc_path {
constexpr int open = 0;
constexpr int conducts = 1;
constexpr int with_leakage = 2;  // only when it carries attribute 101
}  // namespace dc_path

// The current of an element read as the control of an I_IGEN: gain times
// the current from C1 to C2 through it, v12 = V(C1) - V(C2), and the
// derivative of that by V(C1).
struct control_point {
  double current;
  double conductance;
};

struct element_kind {
  int32_t type = 0;
  const char* name = nullptr;   // what pss-net dump writes beside the code
  const char* label = nullptr;  // the element's short name in messages ("CAP2")
  double (*model)(const element_call& call, entry_list& out) = nullptr;
  // Its list nodes hold positions in the sparse pattern: the model reads
  // their unknowns.
  bool list_in_pattern = false;
  int planes = plane_lists::none;
  // Refuses, with a message, a record of the network as read that the
  // model could not evaluate; null when every record will do.
  void (*check)(const node* n, const node* other, const conection_entry* e) = nullptr;
  int dc = dc_path::open;
  // The attribute an inductor reads as its sense resistance when this
  // element carries its current, or 0 when it cannot sense one.
  int32_t sense_resistance = 0;
  // The element as the control of an I_IGEN; null when it cannot be one.
  control_point (*control)(const conection_entry* control, const node* c1, double v12,
                           double gain) = nullptr;
  const char* source_label = nullptr;  // "V" or "I" in the source dialogue; null for no source
  bool windowed = false;               // present only inside its window of the period
  bool gates_vsource = false;          // as a voltage source's partner, shuts it outside the window
  bool needs_three_planes = false;     // its time step is 0 on two planes
};

// The conection id by which an inductor finds its sense resistor between
// its list nodes 1 and 2, and a voltage source its partner between its list
// nodes 2 and 1.
constexpr int32_t sense_resistor_id = 0;
constexpr int32_t vsource_partner_id = 0;

// Whether the element's model keeps junction states between evaluations
// (made on its first one): junction diodes, bipolar and MOS transistors.
bool keeps_junction_state(int32_t type);

// The descriptor of a type code, or null for a code no element has.
const element_kind* element_kind_of(int32_t type);

// A code that no element has but that lies in the range of the
// time-difference elements (above 500): the expansion and the pattern treat
// it as one of them, so that the expansion names it as unrecognised.
bool unknown_time_difference_code(int32_t type);

}  // namespace pss
