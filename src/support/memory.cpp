#include "support/memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "support/fatal.h"

namespace pss {

namespace {

constexpr uint64_t unlimited = UINT64_MAX;

constexpr int heap_growth = 64 << 20;
// A smaller system touches less than a megabyte or two of heap, where the
// kernel's clearing of a whole 2 MiB page at its first touch costs more
// than the small pages' faults it saves; a larger one is faster on huge
// pages from its expansion on. Alternated with the heap offered from the
// start: the rectifier on 64 and on 1024 planes (64 and 1024 unknowns)
// 3 to 5 % faster, the 10-section ladder on 256 planes (2560) and the
// oscillator on 1024 planes (4099) as fast.
constexpr std::int64_t huge_heap_unknowns = 2048;
// The end of the heap as last offered to huge pages; 0 until the program
// sets its heap up.
std::uintptr_t heap_advised = 0;

// Control groups report "no limit" as "max" (v2) or as a huge number (v1).
constexpr uint64_t no_limit_above = uint64_t{1} << 60;

void take_smaller(memory_budget& budget, uint64_t bytes, const char* source) {
  if (bytes < budget.bytes) budget = {bytes, source};
}

// The first number in `path`, in bytes; unlimited when the file is missing,
// says "max" or holds a value that means no limit.
uint64_t limit_in_file(const std::string& path) {
  std::ifstream in(path);
  uint64_t value = 0;
  if (!(in >> value) || value >= no_limit_above) return unlimited;
  return value;
}

// The "MemAvailable:" line of /proc/meminfo, in bytes.
uint64_t machine_available() {
  std::ifstream in("/proc/meminfo");
  std::string key;
  uint64_t kib = 0;
  std::string unit;
  while (in >> key >> kib >> unit) {
    if (key == "MemAvailable:") return kib * 1024;
  }
  return unlimited;
}

// A control group's path and those of the groups above it, up to the root.
std::vector<std::string> upward(std::string path) {
  std::vector<std::string> paths;
  for (;;) {
    paths.push_back(path);
    const std::size_t slash = path.rfind('/');
    if (path.empty() || slash == std::string::npos) return paths;
    path.resize(slash);
  }
}

// The smallest memory limit of the process's control group and of the
// groups above it, for both versions of control groups.
uint64_t control_group_limit() {
  uint64_t smallest = unlimited;
  std::ifstream in("/proc/self/cgroup");
  for (std::string line; std::getline(in, line);) {
    // "<id>:<controllers>:<path>": version 2 has no controllers.
    const std::size_t first = line.find(':');
    const std::size_t second = line.find(':', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    const std::string controllers = line.substr(first + 1, second - first - 1);
    std::vector<std::string> files;
    for (const std::string& group : upward(line.substr(second + 1))) {
      if (controllers.empty()) {
        files.push_back("/sys/fs/cgroup" + group + "/memory.max");
        files.push_back("/sys/fs/cgroup/unified" + group + "/memory.max");
      } else if (controllers == "memory") {
        files.push_back("/sys/fs/cgroup/memory" + group + "/memory.limit_in_bytes");
      }
    }
    for (const std::string& file : files) {
      const uint64_t limit = limit_in_file(file);
      if (limit < smallest) smallest = limit;
    }
  }
  return smallest;
}

// The address space left under RLIMIT_AS, from the process's present size.
uint64_t address_space_left() {
  rlimit limit{};
  if (getrlimit(RLIMIT_AS, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return unlimited;
  std::ifstream in("/proc/self/status");
  uint64_t used = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("VmSize:", 0) == 0) used = std::strtoull(line.c_str() + 7, nullptr, 10) * 1024;
  }
  return limit.rlim_cur > used ? limit.rlim_cur - used : 0;
}

uint64_t parse_limit(const char* text) {
  errno = 0;
  char* end = nullptr;
  const double number = std::strtod(text, &end);
  uint64_t scale = 1;
  if (end != text) {
    const int unit = std::toupper(static_cast<unsigned char>(*end));
    const int shift = unit == 'K' ? 10 : unit == 'M' ? 20 : unit == 'G' ? 30 : 0;
    if (shift > 0) {
      scale = uint64_t{1} << shift;
      ++end;
    }
  }
  const double bytes = number * static_cast<double>(scale);
  if (end == text || *end != '\0' || errno != 0 || !(bytes >= 0.0) || bytes >= 1.8e19) {
    fatal(
        "error, PSS_MEMORY_LIMIT: \"%s\" is not a size (a number of bytes, or of K, M or G "
        "bytes)\n",
        text);
  }
  return static_cast<uint64_t>(bytes);
}

}  // namespace

memory_budget available_memory() {
  const char* text = std::getenv("PSS_MEMORY_LIMIT");
  if (text != nullptr && *text != '\0') {
    return {parse_limit(text), "PSS_MEMORY_LIMIT"};
  }
  memory_budget budget{unlimited, "nothing"};
  take_smaller(budget, machine_available(), "the machine's available memory");
  take_smaller(budget, control_group_limit(), "the control group's limit");
  take_smaller(budget, address_space_left(), "the address-space limit");
  return budget;
}

std::string memory_text(double bytes) {
  const char* units[] = {"bytes", "KiB", "MiB", "GiB", "TiB"};
  int unit = 0;
  while (unit < 4 && bytes >= 1024.0) {
    bytes /= 1024.0;
    ++unit;
  }
  char text[64];
  std::snprintf(text, sizeof text, unit == 0 || bytes >= 100.0 ? "%.0f %s" : "%.3g %s", bytes,
                units[unit]);
  return text;
}

void keep_freed_memory() {
  // A large job builds and frees temporaries of tens of megabytes one after
  // another (the pattern, the orders, the preconditioner's tables). Mapped
  // afresh, each is faulted in page by page again; taken from the heap,
  // which keeps what is freed, the next one reuses the pages the last one
  // touched: a 1000-section ladder on 256 planes takes 21 700 page faults
  // instead of 38 700, and 7 % less memory at its peak.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  // The heap grows by at least this much at a time, and what it has grown
  // by is offered to huge pages before it is touched (advise_huge_heap):
  // page faults were 40 % of a 100-section ladder on 1024 planes.
  mallopt(M_TOP_PAD, heap_growth);
  heap_advised = reinterpret_cast<std::uintptr_t>(sbrk(0));
  void* volatile first = std::malloc(1 << 20);  // grows the heap by the pad
  std::free(first);
}

void advise_huge_heap(std::int64_t unknowns) {
  if (heap_advised == 0 || unknowns < huge_heap_unknowns) return;
  const auto end = reinterpret_cast<std::uintptr_t>(sbrk(0));
  const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
  const std::uintptr_t from = (heap_advised + page - 1) / page * page;
  if (end <= from) return;
  madvise(reinterpret_cast<void*>(from), end - from, MADV_HUGEPAGE);  // advice only
  heap_advised = end;
}

}  // namespace pss
