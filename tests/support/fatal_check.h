// Checks of error stops inside the test process. The solver prints its
// fatal messages on standard output; death tests watch standard error, so
// the statement redirects them there first.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "support/fatal.h"

namespace pss::test {

// A regular expression that matches `text` literally.
std::string literal(const std::string& text);

}  // namespace pss::test

#define EXPECT_FATAL(statement, message) \
  EXPECT_EXIT(                           \
      {                                  \
        ::pss::set_fatal_stream(stderr); \
        statement;                       \
      },                                 \
      ::testing::ExitedWithCode(1), ::pss::test::literal(message))
