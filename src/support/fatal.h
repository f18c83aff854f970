// The one way the solver stops on an error: print one message on standard
// output and end the process with a status.
#pragma once

#include <cstdarg>
#include <cstdio>

namespace pss {

// Prints the printf-style message (on stdout unless redirected; the caller supplies the
// trailing newline), flushes and ends the process with status 1.
[[noreturn]] void fatal(const char* format, ...) __attribute__((format(printf, 1, 2)));

// As `fatal`, with the exit status given.
[[noreturn]] void fatal_status(int status, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// Where fatal messages go: standard output for the solver (the default),
// standard error for tools whose standard output carries their product.
void set_fatal_stream(std::FILE* stream);

// Replaces the end of the process after a fatal message: `handler` gets the
// exit status and must not return. A harness that runs many jobs in one
// process (the fuzzing of the dialogue) throws from it. nullptr restores
// the exit.
void set_fatal_handler(void (*handler)(int status));

// Installs a handler so that a failed allocation anywhere (operator new
// included) prints a clear message and ends with status 1.
void install_out_of_memory_handler();

// Ends the process for a failed allocation.
[[noreturn]] void out_of_memory();

}  // namespace pss
