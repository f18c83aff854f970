#include "model/arena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace pss {
namespace {

bool all_zero(const std::byte* p, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (p[i] != std::byte{0}) return false;
  }
  return true;
}

// The small chunks come from malloc unzeroed and each block is zeroed as it
// is carved. The heap is dirtied first, so that malloc hands back used
// memory; blocks of every size class (within a chunk, across a chunk's end,
// standing alone, in a mapped chunk) must still read as zeros.
TEST(arena, every_block_is_zero_filled_whatever_the_heap_held) {
  for (int round = 0; round < 4; ++round) {
    std::vector<void*> dirty;
    for (std::size_t size : {64u << 10, 128u << 10, 256u << 10, 512u << 10}) {
      void* p = std::malloc(size);
      std::memset(p, 0xA5, size);
      dirty.push_back(p);
    }
    for (void* p : dirty) std::free(p);

    arena memory;
    const std::size_t sizes[] = {1, 7, 24, 100, 4000, 16 * 1024, 20 * 1024, 300 * 1024};
    std::size_t carved = 0;
    while (carved < (8u << 20)) {  // past the first mapped chunk
      for (std::size_t size : sizes) {
        auto* block = static_cast<std::byte*>(arena_alloc(memory, size, 8));
        ASSERT_TRUE(all_zero(block, size)) << "block of " << size << " after " << carved;
        std::memset(block, 0x5A, size);  // the next block must not see this
        carved += size;
      }
    }
  }
}

}  // namespace
}  // namespace pss
