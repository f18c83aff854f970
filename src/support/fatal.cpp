#include "support/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace pss {

namespace {

std::FILE* fatal_stream = nullptr;
void (*fatal_handler)(int status) = nullptr;

std::FILE* message_stream() {
  return fatal_stream != nullptr ? fatal_stream : stdout;
}

void print_message(const char* format, va_list args) {
  std::fflush(stdout);
  std::vfprintf(message_stream(), format, args);
  std::fflush(message_stream());
}

[[noreturn]] void end_process(int status) {
  if (fatal_handler != nullptr) fatal_handler(status);
  std::exit(status);
}

}  // namespace

void set_fatal_stream(std::FILE* stream) {
  fatal_stream = stream;
}

void set_fatal_handler(void (*handler)(int status)) {
  fatal_handler = handler;
}

void fatal(const char* format, ...) {
  va_list args;
  va_start(args, format);
  print_message(format, args);
  va_end(args);
  end_process(1);
}

void fatal_status(int status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  print_message(format, args);
  va_end(args);
  end_process(status);
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
