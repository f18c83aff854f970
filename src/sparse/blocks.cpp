// The process-wide registry of matrix memory blocks: a block is one
// zero-filled allocation, known by its base address, carved front to back
// and released as a whole by mat_free.
#include "sparse/blocks.h"

#include <cstdint>
#include <cstdlib>

#include "support/fatal.h"

namespace pss {

namespace {

struct block_record {
  std::byte* base;
  std::byte* cursor;  // the next free byte
  std::byte* end;     // one past the last byte
  block_record* next;
};

// New records go at the tail; at most a matrix and its profile copy are
// alive at once, so the linear lookups stay short.
block_record* registry_head = nullptr;
block_record* registry_tail = nullptr;

block_record* find_block(const void* base, block_record** before) {
  block_record* prev = nullptr;
  for (block_record* r = registry_head; r != nullptr; prev = r, r = r->next) {
    if (r->base == base) {
      if (before != nullptr) *before = prev;
      return r;
    }
  }
  return nullptr;
}

}  // namespace

void* sparse_calloc(std::size_t count, std::size_t size) {
  if (count == 0 || size == 0) count = size = 1;
  if (count > static_cast<std::size_t>(PTRDIFF_MAX) / size) return nullptr;
  return std::calloc(count, size);
}

void* sparse_calloc_or_die(std::size_t count, std::size_t size) {
  void* address = sparse_calloc(count, size);
  if (address == nullptr) out_of_memory();
  return address;
}

void sparse_free(void* address) {
  std::free(address);
}

void* block_alloc(void* key, std::size_t size) {
  if (key == nullptr) {
    auto* base = static_cast<std::byte*>(sparse_calloc(size, 1));
    if (base == nullptr) return nullptr;
    auto* record = static_cast<block_record*>(sparse_calloc_or_die(1, sizeof(block_record)));
    *record = block_record{base, base, base + size, nullptr};
    if (registry_tail == nullptr) {
      registry_head = record;
    } else {
      registry_tail->next = record;
    }
    registry_tail = record;
    return base;
  }
  block_record* r = find_block(key, nullptr);
  if (r == nullptr || size > static_cast<std::size_t>(r->end - r->cursor)) return nullptr;
  std::byte* at = r->cursor;
  r->cursor += size;
  return at;
}

void mat_free(void* address) {
  block_record* prev = nullptr;
  block_record* r = address == nullptr ? nullptr : find_block(address, &prev);
  if (r == nullptr) fatal("mat_free, error: null matrix pointer\n");
  if (prev == nullptr) {
    registry_head = r->next;
  } else {
    prev->next = r->next;
  }
  if (registry_tail == r) registry_tail = prev;
  sparse_free(r->base);
  sparse_free(r);
}

matrix* matrix_block(int32_t n, std::size_t entries, const char* failure) {
  void* block =
      block_alloc(nullptr, sizeof(matrix) + sizeof(matrix_row) * static_cast<std::size_t>(n) +
                               sizeof(matrix_entry) * entries);
  if (block == nullptr) fatal("%s", failure);
  matrix* m = carve<matrix>(block, 1);
  m->n = n;
  m->rows = carve<matrix_row>(block, static_cast<std::size_t>(n));
  return m;
}

}  // namespace pss
