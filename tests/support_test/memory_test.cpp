#include "support/memory.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/fatal_check.h"
#include "support/process.h"

namespace pss {
namespace {

TEST(memory_budget, reads_pss_memory_limit_as_bytes_or_binary_units) {
  struct row {
    const char* text;
    uint64_t bytes;
  };
  const row rows[] = {
      {"4096", 4096},     {"8K", 8192}, {"3m", 3u << 20}, {"2G", uint64_t{2} << 30},
      {"1.5M", 3u << 19}, {"0", 0},
  };
  for (const row& r : rows) {
    test::scoped_env env("PSS_MEMORY_LIMIT", r.text);
    const memory_budget b = available_memory();
    EXPECT_EQ(b.bytes, r.bytes) << r.text;
    EXPECT_STREQ(b.source, "PSS_MEMORY_LIMIT");
  }
  for (const char* bad : {"M", "12Q", "-1", "1e30", "nan"}) {
    EXPECT_FATAL(
        {
          test::scoped_env env("PSS_MEMORY_LIMIT", bad);
          available_memory();
        },
        std::string("error, PSS_MEMORY_LIMIT: \"") + bad + "\" is not a size")
        << bad;
  }
}

TEST(memory_budget, unset_or_empty_is_at_most_the_machines_available_memory) {
  test::scoped_env empty("PSS_MEMORY_LIMIT", "");
  std::ifstream in("/proc/meminfo");
  uint64_t available_kib = 0;
  for (std::string key; in >> key;) {
    if (key == "MemAvailable:") in >> available_kib;
  }
  if (available_kib == 0) GTEST_SKIP() << "no MemAvailable";
  const memory_budget b = available_memory();
  EXPECT_STRNE(b.source, "PSS_MEMORY_LIMIT");
  // The machine's figure moves a little between the two reads.
  EXPECT_LE(b.bytes, available_kib * 1024 + (uint64_t{64} << 20));
  EXPECT_GT(b.bytes, 0u);
}

TEST(memory_budget, shows_sizes_in_binary_units) {
  EXPECT_EQ(memory_text(512), "512 bytes");
  EXPECT_EQ(memory_text(3.5 * 1024 * 1024), "3.5 MiB");
  EXPECT_EQ(memory_text(1350.0 * (uint64_t{1} << 30)), "1.32 TiB");
  EXPECT_EQ(memory_text(200.0 * (1u << 30)), "200 GiB");
}

}  // namespace
}  // namespace pss
