#include "model/arena.h"

#include <cstring>

#include "support/fatal.h"

namespace pss {

namespace {

constexpr std::size_t chunk_size = 64 * 1024;
constexpr std::size_t alignment = alignof(std::max_align_t);

std::size_t round_up(std::size_t size) {
  return (size + alignment - 1) / alignment * alignment;
}

std::byte* new_chunk(arena& memory, std::size_t size) {
  std::unique_ptr<std::byte[]> chunk(new (std::nothrow) std::byte[size]);
  if (!chunk) out_of_memory();
  std::memset(chunk.get(), 0, size);
  std::byte* base = chunk.get();
  memory.chunks.push_back(std::move(chunk));
  return base;
}

}  // namespace

void* arena_alloc(arena& memory, std::size_t size) {
  size = round_up(size == 0 ? 1 : size);
  if (size > chunk_size / 4) return new_chunk(memory, size);  // large blocks stand alone
  if (size > memory.left) {
    memory.cursor = new_chunk(memory, chunk_size);
    memory.left = chunk_size;
  }
  void* block = memory.cursor;
  memory.cursor += size;
  memory.left -= size;
  return block;
}

}  // namespace pss
