// How much memory the process may still take, for refusing a job whose
// estimate exceeds it before anything grows towards it.
#pragma once

#include <cstdint>
#include <string>

namespace pss {

struct memory_budget {
  uint64_t bytes;      // UINT64_MAX when nothing limits the process
  const char* source;  // what sets the limit, for the refusal message
};

// PSS_MEMORY_LIMIT when it is set and not empty (bytes, or a number
// followed by K, M or G); otherwise the smallest of the machine's available memory, the memory
// limit of the process's control group and the room left under its
// address-space limit. A PSS_MEMORY_LIMIT that is not a size stops the job.
memory_budget available_memory();

// A size for messages: "512 KiB", "3.21 MiB", "1350 GiB".
std::string memory_text(double bytes);

// Sets the heap up for a job that builds and frees large temporaries one
// after another; the programs call it first thing.
void keep_freed_memory();

// Offers what the heap has grown by since the last call to huge pages,
// when the system being solved has `unknowns` enough to fill them; called
// before a phase that fills large arrays. Nothing before keep_freed_memory.
void advise_huge_heap(std::int64_t unknowns);

}  // namespace pss
