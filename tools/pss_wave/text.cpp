#include "tools/pss_wave/text.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace pss {

void append_format(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list again;
  va_copy(again, args);
  const int length = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  if (length > 0) {
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(length) + 1);
    std::vsnprintf(out.data() + at, static_cast<std::size_t>(length) + 1, format, again);
    out.resize(at + static_cast<std::size_t>(length));
  }
  va_end(again);
}

namespace {

// Prefixes by power of a thousand, from 1e-15 up.
const char* const prefixes[] = {"f", "p", "n", "µ", "m", "", "k", "M", "G", "T"};
constexpr int lowest_power = -5;
constexpr int highest_power = 4;

// The mantissa in `digits` significant digits, but never fewer than its
// integer part needs: "%.2g" would write 500 as 5e+02.
std::string with_digits(double mantissa, int digits) {
  const double magnitude = std::fabs(mantissa);
  const int integer_digits = magnitude >= 1 ? static_cast<int>(std::log10(magnitude)) + 1 : 1;
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.*g", std::max(digits, integer_digits), mantissa);
  return buffer;
}

}  // namespace

std::string engineering(double value, const char* unit, int digits) {
  if (value == 0) return std::string("0 ") + unit;  // also -0, which would print a sign
  if (!std::isfinite(value)) return with_digits(value, digits) + " " + unit;
  int power = static_cast<int>(std::floor(std::log10(std::fabs(value)) / 3));
  // Rounding to the digits kept can carry into the next thousand (999.99 m
  // in three digits is 1000 m): take the next prefix then.
  const std::string rounded = with_digits(value / std::pow(1000.0, power), digits);
  if (std::fabs(std::strtod(rounded.c_str(), nullptr)) >= 1000) ++power;
  if (power < lowest_power || power > highest_power) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.*g %s", digits, value, unit);
    return buffer;
  }
  return with_digits(value / std::pow(1000.0, power), digits) + " " +
         prefixes[power - lowest_power] + unit;
}

}  // namespace pss
