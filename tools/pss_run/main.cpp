// pss-run: one command from a netlist to the periodic steady state and its
// summary. See docs/pss-run.md.
#include <string>
#include <vector>

#include "support/fatal.h"
#include "tools/pss_run/pss_run.h"

int main(int argc, char** argv) {
  pss::install_out_of_memory_handler();
  pss::set_fatal_stream(stderr);
  return pss::run_pss_run(std::vector<std::string>(argv + 1, argv + argc));
}
