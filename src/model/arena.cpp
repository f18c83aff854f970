#include "model/arena.h"

#include <algorithm>

#include "support/fatal.h"

namespace pss {

namespace {

// The first chunk suits a small circuit; each later one doubles, up to the
// largest, so that a large expansion takes few chunks.
constexpr std::size_t first_chunk = 64 * 1024;
constexpr std::size_t largest_chunk = 4 * 1024 * 1024;
// A request above this stands alone rather than waste a chunk's rest.
constexpr std::size_t largest_carved = 16 * 1024;

std::byte* new_chunk(arena& memory, std::size_t size) {
  std::unique_ptr<std::byte, arena::release> chunk(static_cast<std::byte*>(std::calloc(size, 1)));
  if (!chunk) out_of_memory();
  std::byte* base = chunk.get();
  memory.chunks.push_back(std::move(chunk));
  return base;
}

}  // namespace

void* arena_alloc_new_chunk(arena& memory, std::size_t size, std::size_t alignment) {
  if (size > largest_carved) return new_chunk(memory, size);  // calloc aligns for any record
  memory.next_chunk =
      memory.next_chunk == 0 ? first_chunk : std::min(2 * memory.next_chunk, largest_chunk);
  memory.cursor = new_chunk(memory, memory.next_chunk);
  memory.left = memory.next_chunk;
  return arena_alloc(memory, size, alignment);
}

}  // namespace pss
