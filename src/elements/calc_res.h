// The element models: the contribution of one conection to one node row of
// the Newton system.
//
// Signs: a model returns the current the element delivers into the row node,
// and each Jacobian entry holds minus the derivative of that current with
// respect to the unknown of its column (the matrix holds -df/dx).
#pragma once

#include <cstdint>

#include "model/circuit.h"

namespace pss {

// The Jacobian entries of one model call in the order the model gives them:
// the column (negative for a fixed quantity) and minus the derivative of the
// returned current. No model gives more than `capacity`.
struct entry_list {
  static constexpr int32_t capacity = 16;
  int32_t count = 0;
  int32_t cols[capacity];
  double values[capacity];
};

// Returns the current the element delivers into `n` (the row node) in slot k,
// and sets *entries_out to the head of its Jacobian entries (tag = column,
// value = minus the derivative of the returned current), built with
// tagged_value_new; leaves *entries_out untouched when it appends none.
double calc_res(int32_t type, circuit* c, node* n, node* nb, dvar_group* group,
                dvar_group* nb_group, conection_entry* entry, tagged_value** entries_out, int k);

// The same, with the entries written into `out` (emptied first) instead of
// a list: the form the assembly takes in every iteration.
double calc_res_into(int32_t type, circuit* c, node* n, node* nb, dvar_group* group,
                     dvar_group* nb_group, conection_entry* entry, int k, entry_list& out);

// The diode law of the conection's attributes at voltage v (anode minus
// cathode): the current from anode to cathode and its conductance di/dv.
struct diode_point {
  double current;
  double conductance;
};
diode_point diode_current(const conection* con, double v);

// The characteristic polynomial that starts after attribute `start`; adds the
// slope to *slope (caller zeroes it).
double poly_characteristic(const tagged_value* start, double x, double* slope);

}  // namespace pss
