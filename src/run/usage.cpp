#include "run/usage.h"

#include <cstdio>
#include <cstring>

namespace pss {

namespace {

const char* const usage_text =
    "usage: pss JOB\n"
    "       pss --help | --version\n"
    "\n"
    "Solves the periodic steady state of the circuit in the network file\n"
    "JOB.net. The analysis is chosen in a dialogue: each question is printed\n"
    "on standard output and answered on standard input, so a file of answers\n"
    "can be piped in (pss JOB < JOB.answers). Every converged solution is\n"
    "written to a state file: JOBDC0.var (DC), JOB<run>.var (frequency runs),\n"
    "JOBDP.var and JOBO<run>.var (an oscillator's double PSS and dV/df runs).\n"
    "A file JOBS.var, when present, is read as the starting point.\n"
    "\n"
    "pss-net compiles a netlist to JOB.net, pss-wave shows a state file and\n"
    "pss-run does all of it, answers included, in one command.\n";

}  // namespace

bool asks_for_usage(int argc, char** argv) {
  return argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0);
}

int print_usage(char** argv) {
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("pss %s\n", PSS_VERSION);
  } else {
    std::fputs(usage_text, stdout);
  }
  return 0;
}

}  // namespace pss
