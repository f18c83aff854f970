#include "tools/pss_wave/text.h"

#include <cstdarg>
#include <cstdio>

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

}  // namespace pss
