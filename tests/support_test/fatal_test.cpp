#include "support/fatal.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <new>

namespace pss {
namespace {

TEST(fatal, ends_with_the_status_given_and_the_message_alone) {
  EXPECT_EXIT(
      {
        set_fatal_stream(stderr);
        fatal("error, here: %d\n", 42);
      },
      ::testing::ExitedWithCode(1), "^error, here: 42\n$");
  EXPECT_EXIT(
      {
        set_fatal_stream(stderr);
        fatal_status(3, "x\n");
      },
      ::testing::ExitedWithCode(3), "^x\n$");
}

TEST(fatal, a_failed_allocation_ends_with_status_one) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer reports oversized allocations itself";
#else
  EXPECT_EXIT(
      {
        set_fatal_stream(stderr);
        install_out_of_memory_handler();
        const std::size_t huge = std::size_t{1} << 62;
        char* volatile block = new char[huge];
        block[0] = 1;
      },
      ::testing::ExitedWithCode(1), "^error: out of memory\n$");
#endif
}

}  // namespace
}  // namespace pss
