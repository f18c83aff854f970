#include "support/write_faults.h"

#include <cerrno>
#include <cstdlib>

namespace pss {

namespace {

long failing_step() {
  const char* text = std::getenv("PSS_FAIL_WRITE_STEP");
  if (text == nullptr) return 0;
  char* end = nullptr;
  const long step = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && step > 0 ? step : 0;
}

}  // namespace

int injected_write_fault() {
  static const long failing = failing_step();
  static long steps = 0;
  if (failing == 0) return 0;
  return ++steps == failing ? ENOSPC : 0;
}

}  // namespace pss
