// Building the output texts.
#pragma once

#include <string>

namespace pss {

// Appends the printf-style text to `out`.
void append_format(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// `value` with an engineering prefix and the unit, in at most `digits`
// significant digits: 0.00025 and "s" give "250 µs", -1.5 and "V" give
// "-1.5 V". Beyond the prefixes from f to T the exponent is written out.
std::string engineering(double value, const char* unit, int digits = 4);

}  // namespace pss
