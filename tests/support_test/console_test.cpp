#include "support/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/console_script.h"
#include "support/fatal_check.h"

namespace pss {
namespace {

using answers = test::console_script;

TEST(console, reads_tokens_as_formatted_scanning_would) {
  answers in("  32\n-7 +4 1e-9\t2.5E3 y\nno 0x10\n");
  EXPECT_EQ(read_int("a"), 32);
  EXPECT_EQ(read_int("b"), -7);
  EXPECT_EQ(read_int("c"), 4);
  EXPECT_EQ(read_real("d"), 1e-9);
  EXPECT_EQ(read_real("e"), 2500.0);
  EXPECT_EQ(read_char("f"), 'y');
  EXPECT_EQ(read_char("g"), 'n');
  EXPECT_EQ(read_real("h"), 16.0);
}

TEST(console, refuses_what_is_not_wholly_the_number_asked_for) {
  struct row {
    const char* input;
    bool integer;
    const char* message;
  };
  const row rows[] = {
      {"32.5", true, "error, answer to \"q?\" is not an integer: \"32.5\"\n"},
      {"abc", true, "error, answer to \"q?\" is not an integer: \"abc\"\n"},
      {"-", true, "error, answer to \"q?\" is not an integer: \"-\"\n"},
      {"2147483648", true, "error, answer to \"q?\" is not an integer: \"2147483648\"\n"},
      {"1,5", false, "error, answer to \"q?\" is not a number: \"1,5\"\n"},
      {"inf", false, "error, answer to \"q?\" is not a number: \"inf\"\n"},
      {"1e999", false, "error, answer to \"q?\" is not a number: \"1e999\"\n"},
      {"\x01x", false, "error, answer to \"q?\" is not a number: \"?x\"\n"},
      {"", true, "error, no answer to \"q?\" (end of input)\n"},
      {"", false, "error, no answer to \"q?\" (end of input)\n"},
  };
  for (const row& r : rows) {
    if (r.integer) {
      EXPECT_FATAL(
          {
            answers in(r.input);
            read_int("q?");
          },
          r.message)
          << r.input;
    } else {
      EXPECT_FATAL(
          {
            answers in(r.input);
            read_real("q?");
          },
          r.message)
          << r.input;
    }
  }
  EXPECT_FATAL(
      {
        answers in(std::string(1000, '7'));
        read_int("q?");
      },
      "error, answer to \"q?\" is too long\n");
}

}  // namespace
}  // namespace pss
