// Small circuit fragments for the element model tests, built record by
// record, and the one checker that runs calc_res on them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "model/circuit.h"

namespace pss::test {

struct slot_init {
  int32_t number;
  double value;
};

using attribute_list = std::vector<std::pair<int32_t, double>>;

// The period column when the period is an unknown. Every fragment frees the
// period unless a row says otherwise, so that a model which appends a
// period entry where it must not shows it in its entry list.
constexpr int32_t period_column = 99;
constexpr int32_t period_fixed = -2;

struct fragment {
  arena memory;
  circuit c{};

  // A circuit of `planes` planes with period T (global group 20, its dvar
  // numbered `period_number`) and circuit param 4 = `slot1_offset`.
  explicit fragment(int planes = 1, double period = 1e-3, int32_t period_number = period_column,
                    double slot1_offset = 0.0);

  // A node at plane time `time` whose voltage group holds the slots given.
  node* add_node(double time, std::initializer_list<slot_init> slots);
  node* add_node(int32_t number, double value, double time = 0.0) {
    return add_node(time, {{number, value}});
  }

  // One node in every plane, plane j at time j/planes, joined in a ring by
  // next_plane/prev_plane. Plane j's voltage is values[j] (0 past the end)
  // in every slot; its dvar in slot s is numbered first_number + j + 100 s.
  std::vector<node*> add_ring(int32_t first_number, const std::vector<double>& values,
                              int slots = 1);

  // An element with conection id `id` between `from` and `to`, entered in
  // from's neighbour entry for `to`; returns that conection entry.
  conection_entry* add_element(node* from, node* to, int32_t type, const attribute_list& attributes,
                               const std::vector<node*>& list, int32_t id = 0);
};

struct expected_entry {
  int32_t column;
  double value;
};

struct expected_res {
  double current;
  std::vector<expected_entry> entries;  // in the order the model appends them
};

// Runs calc_res for `row`'s voltage in slot k toward `nb` through `entry`
// and compares the current and the entry list, order and values, to 1e-12
// relative. A model that appends nothing must leave the list head alone.
void check_res(fragment& f, node* row, node* nb, conection_entry* entry, int k,
               const expected_res& want, const std::string& label);

}  // namespace pss::test
