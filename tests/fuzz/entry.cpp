// The libFuzzer entry of one target, chosen when the file is compiled.
#include <cstddef>
#include <cstdint>

#include "fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  pss::fuzz::PSS_FUZZ_TARGET(data, size);
  return 0;
}
