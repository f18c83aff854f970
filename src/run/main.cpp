#include "run/job_start.h"
#include "run/usage.h"

int main(int argc, char** argv) {
  if (pss::asks_for_usage(argc, argv)) return pss::print_usage(argv);
  return pss::job_start(argc, argv);
}
