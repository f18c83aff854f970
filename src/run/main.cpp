#include <cstdio>

#include "run/job_start.h"
#include "run/usage.h"
#include "support/memory.h"

int main(int argc, char** argv) {
  // Each progress line reaches a pipe as it is printed, so that a program
  // that runs pss (pss-run) can show that a long job is alive.
  std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  pss::keep_freed_memory();
  if (pss::asks_for_usage(argc, argv)) return pss::print_usage(argv);
  return pss::job_start(argc, argv);
}
