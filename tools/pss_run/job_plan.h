// What pss-run asks of pss: the analysis settled from the command line,
// the netlist's .pss directive and the defaults, and the answers to pss's
// dialogue that it makes.
#pragma once

#include <string>

#include "tools/netlist/netlist.h"
#include "tools/pss_run/run_options.h"

namespace pss {

constexpr int default_planes = 64;
constexpr double default_accuracy = 1e-9;

struct job_plan {
  double accuracy;
  bool scan;
  value_range frequency;  // hertz
  bool free_period;       // an oscillator: double PSS and dV/df runs follow
  int planes;
  value_range dvdf;  // for a free period
  int twinned;       // nodes that share a twin's voltage, one answer each
  int twinning;
};

// Settles the plan: each option over the directive, the directive over the
// defaults. False, with `error` set to what the user must add or change,
// when the dialogue cannot be answered.
bool settle_plan(const run_options& options, const compiled_netlist& netlist, job_plan& out,
                 std::string& error);

// The answers, one a line, in the order pss asks its questions when it
// starts from DC: the accuracy, the frequency or scan, the period, the
// sources (the netlist's values), the plane count, each twinned node's
// option, and for a free period the dV/df values.
std::string dialogue_answers(const job_plan& plan);

// A number as the shortest text that reads back to the same double.
std::string answer_number(double value);

}  // namespace pss
