// Building the output texts.
#pragma once

#include <string>

namespace pss {

// Appends the printf-style text to `out`.
void append_format(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

}  // namespace pss
