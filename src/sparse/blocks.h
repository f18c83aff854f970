// Memory of the sparse subsystem, for its own files only: the one place that
// obtains and returns heap memory, and the typed carve from a registered
// block.
#pragma once

#include <cassert>
#include <cstddef>

#include "sparse/matrix.h"

namespace pss {

// `count` zero-filled records of `size` bytes; nullptr when they cannot be had.
void* sparse_calloc(std::size_t count, std::size_t size);

// As sparse_calloc, but a failure ends the process through out_of_memory().
void* sparse_calloc_or_die(std::size_t count, std::size_t size);

void sparse_free(void* address);

// `count` records of type T carved from the front of the block `base`. The
// caller has sized the block for every carve it makes, and every record
// type carved here is a multiple of 8 bytes long, so carves stay aligned.
template <class T>
T* carve(void* base, std::size_t count) {
  static_assert(sizeof(T) % alignof(T) == 0 && alignof(T) <= 8);
  void* at = block_alloc(base, sizeof(T) * count);
  assert(at != nullptr);
  return static_cast<T*>(at);
}

// A registered block sized for a matrix of `n` rows and `entries` entries in
// all, with the matrix record and its rows carved (rows zero, `n` set); the
// caller carves each row's entries in row order. `failure` is the message
// printed, with status 1, when the block cannot be had.
matrix* matrix_block(int32_t n, std::size_t entries, const char* failure);

}  // namespace pss
