#include "run/job_start.h"

#include <cstdio>
#include <string>

#include "model/read_network.h"
#include "run/analysis.h"
#include "run/circuit_checks.h"
#include "support/console.h"
#include "support/fatal.h"

namespace pss {

int job_start(int argc, char** argv) {
  install_out_of_memory_handler();
  if (argc != 2) fatal("Command line error: jobname required\n");
  const std::string job = argv[1];
  const std::string net_name = job + ".net";
  std::FILE* file = std::fopen(net_name.c_str(), "rb");
  if (file == nullptr) fatal("%s does not exist, exiting\n", net_name.c_str());

  network net;
  read_network(net, file);
  std::fclose(file);
  check_network(net.circuit);

  say("convergence accuracy?\n");
  // An accuracy of 0 or below can never be met: refused before any solve.
  const double accuracy = read_positive_real("convergence accuracy?", "the accuracy");
  return run_analysis(job, net, accuracy);
}

}  // namespace pss
