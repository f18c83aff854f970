#include "support/fatal_check.h"

namespace pss::test {

std::string literal(const std::string& text) {
  std::string pattern;
  for (char ch : text) {
    if (std::string("\\^$.|?*+()[]{}").find(ch) != std::string::npos) pattern += '\\';
    pattern += ch;
  }
  return pattern;
}

}  // namespace pss::test
