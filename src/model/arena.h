// Zero-filled memory that lives as long as its owner.
//
// The circuit's records are plain structs joined by pointers; they are
// carved from an arena owned by the `network`, so the whole circuit is
// released at once when the network goes, and nothing is freed one record
// at a time.
//
// An expansion to many time planes carves millions of small records, so the
// carving is inline and each record is aligned for its own type only. The
// chunks grow as the arena does. The large ones are fresh pages of the
// system, which arrive zeroed without a pass over them, in huge pages where
// the system offers them: a fault per 2 MB rather than per 4 KB, where page
// faults had taken a third of the processor time of a 1024-plane ladder.
// The small ones come from malloc and each record is zeroed as it is
// carved, so that a small circuit touches only the pages it uses: zeroing
// whole chunks up front had cost a small job some forty page faults, a
// fifth of its time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace pss {

struct arena {
  // Frees a chunk: a mapping of `mapped` bytes, or (0) a malloc'd block.
  struct release {
    std::size_t mapped = 0;
    void operator()(std::byte* chunk) const;
  };
  std::vector<std::unique_ptr<std::byte, release>> chunks;
  std::byte* cursor = nullptr;
  std::size_t left = 0;
  std::size_t next_chunk = 0;    // the size of the next chunk; 0 before the first
  std::size_t mapped_bytes = 0;  // in chunks mapped from the system, which the heap does not count
  bool zeroed = false;           // the present chunk is fresh zeroed pages
};

// The carving when the present chunk has no room: a new chunk, or a block
// of its own for a large request.
void* arena_alloc_new_chunk(arena& memory, std::size_t size, std::size_t alignment);

// `size` zero-filled bytes aligned to `alignment` (a power of two, at most
// that of any record).
inline void* arena_alloc(arena& memory, std::size_t size,
                         std::size_t alignment = alignof(std::max_align_t)) {
  if (size == 0) size = 1;
  const std::size_t pad =
      (alignment - (reinterpret_cast<std::uintptr_t>(memory.cursor) & (alignment - 1))) &
      (alignment - 1);
  if (memory.cursor != nullptr && pad + size <= memory.left) {
    std::byte* block = memory.cursor + pad;
    memory.cursor = block + size;
    memory.left -= pad + size;
    if (!memory.zeroed) std::memset(block, 0, size);
    return block;
  }
  return arena_alloc_new_chunk(memory, size, alignment);
}

// One zero-filled record of type T (a plain struct).
template <class T>
T* arena_new(arena& memory) {
  static_assert(std::is_trivially_destructible_v<T>);
  return new (arena_alloc(memory, sizeof(T), alignof(T))) T{};
}

// `count` zero-filled records of type T, contiguous.
template <class T>
T* arena_array(arena& memory, std::size_t count) {
  static_assert(std::is_trivially_destructible_v<T>);
  if (count == 0) return nullptr;
  if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
  T* first = static_cast<T*>(arena_alloc(memory, sizeof(T) * count, alignof(T)));
  for (std::size_t i = 0; i < count; ++i) new (first + i) T{};
  return first;
}

}  // namespace pss
