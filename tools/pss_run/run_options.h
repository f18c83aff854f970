// The command line of pss-run.
#pragma once

#include <string>
#include <vector>

#include "tools/netlist/netlist.h"

namespace pss {

// An analysis setting from the command line; each overrides the netlist's
// .pss directive.
struct run_options {
  std::string netlist;
  std::string job;  // empty: the netlist's name in the current folder

  bool has_frequency = false;
  bool scan = false;
  value_range frequency;
  int period = analysis_period::unset;
  int planes = 0;
  double accuracy = 0;
  bool has_dvdf = false;
  value_range dvdf;
  int twinning = -1;  // the answer for every twinned node; -1: none given

  std::vector<std::string> nodes;  // as pss-wave's --nodes
  bool currents = false;
  bool csv = false, raw = false, svg = false;
  int periods = 0;  // 0: pss-wave's default

  bool extrapolate = false;
  int order = 0;  // 0: from the difference forms
  bool quiet = false;
  bool spice = false;  // the netlist is a SPICE deck (pss-net compile --spice)
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name; false, with `error` set to
// one line, when they are not a valid command.
bool parse_run_options(const std::vector<std::string>& args, run_options& out, std::string& error);

extern const char* const run_usage;

}  // namespace pss
