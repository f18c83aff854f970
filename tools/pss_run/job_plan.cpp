#include "tools/pss_run/job_plan.h"

#include <charconv>

namespace pss {

namespace {

int twinned_nodes(const net_file& network) {
  int count = 0;
  for (const net_circuit& c : network.circuits) {
    for (const net_node& n : c.nodes) count += n.twin >= 0 ? 1 : 0;
  }
  return count;
}

bool is_oscillator(const net_file& network) {
  return !network.circuits.empty() && !network.circuits.back().nodelists.empty();
}

}  // namespace

bool settle_plan(const run_options& options, const compiled_netlist& netlist, job_plan& out,
                 std::string& error) {
  const analysis_plan& directive = netlist.analysis;
  out = job_plan{};
  if (options.has_frequency) {
    out.scan = options.scan;
    out.frequency = options.frequency;
  } else if (directive.has_frequency) {
    out.scan = directive.scan;
    out.frequency = directive.frequency;
  } else {
    error = "no frequency: give --freq F or --scan F1 F2 STEPS, or a .pss directive in the "
            "netlist";
    return false;
  }
  const bool oscillator = is_oscillator(netlist.network);
  int period = options.period != analysis_period::unset ? options.period : directive.period;
  if (period == analysis_period::unset) {
    period = oscillator ? analysis_period::free : analysis_period::fixed;
  }
  out.free_period = period == analysis_period::free;
  if (out.free_period && !oscillator) {
    error = "a free period needs an oscillator set up with .osc in the netlist";
    return false;
  }
  out.planes = options.planes > 0       ? options.planes
               : directive.planes > 0 ? directive.planes
                                      : default_planes;
  out.accuracy = options.accuracy > 0       ? options.accuracy
                 : directive.accuracy > 0 ? directive.accuracy
                                          : default_accuracy;
  const bool has_dvdf = options.has_dvdf || directive.has_dvdf;
  if (has_dvdf && !out.free_period) {
    error = "dV/df values go with a free period (an .osc oscillator)";
    return false;
  }
  out.dvdf = options.has_dvdf ? options.dvdf : directive.has_dvdf ? directive.dvdf : value_range{};
  out.twinned = twinned_nodes(netlist.network);
  out.twinning = options.twinning;
  if (out.twinned > 0 && out.twinning < 0) {
    error = "the netlist twins " + std::to_string(out.twinned) +
            " node(s): give --twinning K (0 undo, 1 t=0, 2 t=0 and t=0.5, 3 t and t-0.5)";
    return false;
  }
  return true;
}

std::string answer_number(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::string text(buffer, r.ptr);
  // "1e-09" as people write it, "1e-9"; both read back the same.
  const std::size_t e = text.find('e');
  if (e != std::string::npos) {
    std::size_t digits = e + 1 + (text[e + 1] == '-' || text[e + 1] == '+' ? 1 : 0);
    while (digits + 1 < text.size() && text[digits] == '0') text.erase(digits, 1);
    if (text[e + 1] == '+') text.erase(e + 1, 1);
  }
  return text;
}

std::string dialogue_answers(const job_plan& plan) {
  std::string out = answer_number(plan.accuracy) + "\n";
  if (plan.scan) {
    out += "y\n" + answer_number(plan.frequency.start) + " " + answer_number(plan.frequency.final) +
           " " + std::to_string(plan.frequency.steps) + "\n";
  } else {
    out += "n\n" + answer_number(plan.frequency.start) + "\n";
  }
  out += plan.free_period ? "n\n" : "y\n";
  out += "y\n";  // the sources keep the netlist's values
  out += std::to_string(plan.planes) + "\n";
  for (int i = 0; i < plan.twinned; ++i) out += std::to_string(plan.twinning) + "\n";
  if (plan.free_period) {
    if (plan.dvdf.steps > 0) {
      out += "y\n" + answer_number(plan.dvdf.start) + " " + answer_number(plan.dvdf.final) + " " +
             std::to_string(plan.dvdf.steps) + "\n";
    } else {
      out += "n\n" + answer_number(plan.dvdf.start) + "\n";
    }
  }
  return out;
}

}  // namespace pss
