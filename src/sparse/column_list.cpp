// Sorted column lists of matrix_create. Items are recycled through a free
// list refilled in chunks, so building a pattern does not go to the heap
// once per coupling.
#include "sparse/column_list.h"

#include "sparse/blocks.h"

namespace pss {

namespace {

constexpr int items_per_chunk = 1024;

// A chunk's first item links the chunks; the others serve as list items.
column_item* chunks = nullptr;
column_item* free_items = nullptr;

column_item* new_item() {
  if (free_items == nullptr) {
    auto* chunk =
        static_cast<column_item*>(sparse_calloc_or_die(items_per_chunk, sizeof(column_item)));
    chunk[0].next = chunks;
    chunks = chunk;
    for (int i = 1; i < items_per_chunk; ++i) {
      chunk[i].next = free_items;
      free_items = &chunk[i];
    }
  }
  column_item* item = free_items;
  free_items = item->next;
  return item;
}

}  // namespace

void column_list_insert(column_list* list, const dvar* d) {
  const int32_t col = d->number;
  column_item* passed = nullptr;
  for (column_item* it = list->head; it != nullptr && it->col <= col; it = it->next) passed = it;
  if (passed != nullptr && passed->col == col) return;
  column_item* item = new_item();
  item->col = col;
  if (passed == nullptr) {
    item->next = list->head;
    list->head = item;
  } else {
    item->next = passed->next;
    passed->next = item;
  }
  ++list->count;
}

void column_list_free(column_list* list) {
  column_item* it = list->head;
  while (it != nullptr) {
    column_item* next = it->next;
    it->next = free_items;
    free_items = it;
    it = next;
  }
  list->head = nullptr;
  list->count = 0;
}

}  // namespace pss
