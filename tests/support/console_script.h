// Drives the console dialogue in-process: answers come from a string and
// the questions are captured, for the life of the object.
#pragma once

#include <cstdio>
#include <string>

namespace pss::test {

struct console_script {
  std::string answers;
  std::FILE* input;
  std::FILE* output;

  explicit console_script(std::string answer_text);
  ~console_script();
  console_script(const console_script&) = delete;
  console_script& operator=(const console_script&) = delete;

  // Everything said so far.
  std::string said() const;
};

}  // namespace pss::test
