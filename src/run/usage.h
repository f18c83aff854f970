// What `pss --help` and `pss --version` print. Every other command line is
// a job (job_start.h), so a job cannot be named "--help" or "--version".
#pragma once

namespace pss {

// True for the two command lines that ask about the program itself.
bool asks_for_usage(int argc, char** argv);

// Prints the usage or the version that the command line asks for, on
// standard output; returns the process status, 0.
int print_usage(char** argv);

}  // namespace pss
