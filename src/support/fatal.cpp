#include "support/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace pss {

namespace {

std::FILE* fatal_stream = nullptr;

std::FILE* message_stream() {
  return fatal_stream != nullptr ? fatal_stream : stdout;
}

[[noreturn]] void print_and_exit(int status, const char* format, va_list args) {
  std::fflush(stdout);
  std::vfprintf(message_stream(), format, args);
  std::fflush(message_stream());
  std::exit(status);
}

}  // namespace

void set_fatal_stream(std::FILE* stream) {
  fatal_stream = stream;
}

void fatal(const char* format, ...) {
  va_list args;
  va_start(args, format);
  print_and_exit(1, format, args);
}

void fatal_status(int status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  print_and_exit(status, format, args);
}

void out_of_memory() {
  // No allocation may happen here: write the fixed text directly.
  std::fflush(stdout);
  std::fputs("error: out of memory\n", message_stream());
  std::fflush(message_stream());
  std::_Exit(1);
}

void install_out_of_memory_handler() {
  std::set_new_handler(out_of_memory);
}

}  // namespace pss
