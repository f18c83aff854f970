#include "support/console_script.h"

#include "support/console.h"

namespace pss::test {

console_script::console_script(std::string answer_text) : answers(std::move(answer_text)) {
  input = answers.empty() ? std::fopen("/dev/null", "r")
                          : fmemopen(answers.data(), answers.size(), "r");
  output = std::tmpfile();
  set_console_input(input);
  set_console_output(output);
}

console_script::~console_script() {
  set_console_input(nullptr);
  set_console_output(nullptr);
  std::fclose(input);
  std::fclose(output);
}

std::string console_script::said() const {
  std::fflush(output);
  const long end = std::ftell(output);
  std::string text(static_cast<std::size_t>(end), '\0');
  std::rewind(output);
  const std::size_t got = std::fread(text.data(), 1, text.size(), output);
  text.resize(got);
  std::fseek(output, 0, SEEK_END);
  return text;
}

}  // namespace pss::test
