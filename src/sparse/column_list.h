// The sorted column lists that matrix_create gathers a row's pattern in
// before the matrix block is sized.
#pragma once

#include <cstdint>

#include "model/circuit.h"

namespace pss {

struct column_item {
  int32_t col;
  column_item* next;
};

// Columns in strictly ascending order, each once; `count` items.
struct column_list {
  int32_t count;
  column_item* head;
};

// Enters the dvar's `number` into the list at its place; a number already
// present changes nothing.
void column_list_insert(column_list* list, const dvar* d);

// Releases the list's items and leaves it empty.
void column_list_free(column_list* list);

}  // namespace pss
