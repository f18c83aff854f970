// Zero-filled memory that lives as long as its owner.
//
// The circuit's records are plain structs joined by pointers; they are
// carved from an arena owned by the `network`, so the whole circuit is
// released at once when the network goes, and nothing is freed one record
// at a time.
#pragma once

#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <vector>

namespace pss {

struct arena {
  std::vector<std::unique_ptr<std::byte[]>> chunks;
  std::byte* cursor = nullptr;
  std::size_t left = 0;
};

// `size` zero-filled bytes aligned for any record.
void* arena_alloc(arena& memory, std::size_t size);

// One zero-filled record of type T (a plain struct).
template <class T>
T* arena_new(arena& memory) {
  static_assert(std::is_trivially_destructible_v<T>);
  return new (arena_alloc(memory, sizeof(T))) T{};
}

// `count` zero-filled records of type T, contiguous.
template <class T>
T* arena_array(arena& memory, std::size_t count) {
  static_assert(std::is_trivially_destructible_v<T>);
  if (count == 0) return nullptr;
  if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
  T* first = static_cast<T*>(arena_alloc(memory, sizeof(T) * count));
  for (std::size_t i = 0; i < count; ++i) new (first + i) T{};
  return first;
}

}  // namespace pss
