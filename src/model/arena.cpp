#include "model/arena.h"

#include <sys/mman.h>

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

// The size of a huge page where the system has them; a chunk of this size
// or more is mapped on such a boundary and offered to them.
constexpr std::size_t huge_page = 2 * 1024 * 1024;

// `size` zeroed bytes mapped from the system, starting on a huge-page
// boundary (the mapping is made larger, and its ends given back); nullptr
// when the system refuses.
std::byte* map_chunk(std::size_t size) {
  const std::size_t span = size + huge_page;
  void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(raw);
  const std::uintptr_t aligned = (start + huge_page - 1) / huge_page * huge_page;
  if (aligned > start) ::munmap(raw, aligned - start);
  const std::uintptr_t end = aligned + size;
  if (start + span > end) ::munmap(reinterpret_cast<void*>(end), start + span - end);
  auto* chunk = reinterpret_cast<std::byte*>(aligned);
  ::madvise(chunk, size, MADV_HUGEPAGE);  // advice only: without it, plain pages
  return chunk;
}

// A chunk of `size` bytes, zeroed when `zero` (a block that stands alone)
// or when it is mapped from the system; a chunk to be carved is otherwise
// left as malloc gives it, its records zeroed as they are carved.
std::byte* new_chunk(arena& memory, std::size_t size, bool zero) {
  std::unique_ptr<std::byte, arena::release> chunk;
  if (size >= huge_page) {
    chunk = std::unique_ptr<std::byte, arena::release>(map_chunk(size), arena::release{size});
    if (chunk) memory.mapped_bytes += size;
  } else if (zero) {
    chunk.reset(static_cast<std::byte*>(std::calloc(size, 1)));
  } else {
    chunk.reset(static_cast<std::byte*>(std::malloc(size)));
  }
  if (!chunk) out_of_memory();
  std::byte* base = chunk.get();
  memory.chunks.push_back(std::move(chunk));
  return base;
}

}  // namespace

void arena::release::operator()(std::byte* chunk) const {
  if (mapped != 0) {
    ::munmap(chunk, mapped);
  } else {
    std::free(chunk);
  }
}

void* arena_alloc_new_chunk(arena& memory, std::size_t size, std::size_t alignment) {
  if (size > largest_carved) return new_chunk(memory, size, true);  // aligned for any record
  memory.next_chunk =
      memory.next_chunk == 0 ? first_chunk : std::min(2 * memory.next_chunk, largest_chunk);
  memory.cursor = new_chunk(memory, memory.next_chunk, false);
  memory.zeroed = memory.next_chunk >= huge_page;
  memory.left = memory.next_chunk;
  return arena_alloc(memory, size, alignment);
}

}  // namespace pss
