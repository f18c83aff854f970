#include "tools/pss_run/run_options.h"

#include <cmath>

namespace pss {

const char* const run_usage =
    "usage: pss-run CIRCUIT.cir [options]\n"
    "\n"
    "Compiles the netlist, answers pss's dialogue from the options and the\n"
    "netlist's .pss directive, solves, and sums up the result. The job's files\n"
    "(JOB.net, JOB.names, JOB.answers, JOB.log and the state files) go next to\n"
    "the job; pss JOB < JOB.answers repeats the solve by hand.\n"
    "\n"
    "analysis (each overrides the .pss directive)\n"
    "  --freq F              the fundamental frequency in hertz (1k, 50, ...)\n"
    "  --scan F1 F2 STEPS    a frequency scan, STEPS + 1 frequencies\n"
    "  --fixed | --free      the period is the drive's, or is found (an .osc\n"
    "                        oscillator; the default with .osc)\n"
    "  --planes N            time planes (default 64)\n"
    "  --accuracy A          the Newton error measure to reach (default 1e-9)\n"
    "  --dvdf W              an oscillator's dV/df (default 0: natural oscillation)\n"
    "  --dvdf-scan W1 W2 STEPS\n"
    "  --twinning K          the option (0 to 3) for every twinned node\n"
    "\n"
    "results\n"
    "  --nodes A,B           the nodes in the summary and outputs (i(NAME) for a\n"
    "                        current); default every node but ground and internal\n"
    "  --currents            every element's current besides\n"
    "  --csv, --raw, --svg   pss-wave's outputs of each solution, next to its state\n"
    "                        file; --svg adds the harmonics as a bar chart\n"
    "  --periods N           periods in the SVG plot\n"
    "  --extrapolate         solve again on twice the planes and extrapolate\n"
    "                        (Richardson) from the two\n"
    "  --order P             the order the extrapolation assumes (default: 2 for\n"
    "                        an oscillator's period or central differences, 1 for\n"
    "                        backward differences)\n"
    "\n"
    "  --job JOB             the job name, folders allowed (default: the netlist's\n"
    "                        name, in the current folder)\n"
    "  --spice               read the netlist as a SPICE deck (docs/netlist.md)\n"
    "  -q, --quiet           no progress lines\n"
    "  -h, --help            this text\n"
    "  --version             the version\n"
    "\n"
    "The netlist's .pss directive is described in docs/netlist.md, the runner in\n"
    "docs/pss-run.md.\n";

namespace {

bool whole(const std::string& text, int least, int& out) {
  double v = 0;
  if (!parse_value(text, v) || v != std::floor(v) || v < least || v > 1e7) return false;
  out = static_cast<int>(v);
  return true;
}

// The option's values: the words after it, or the one after '=' in the
// same word.
struct option_reader {
  const std::vector<std::string>& args;
  std::size_t& at;
  std::string name;
  std::string inline_value;
  bool has_inline;
  std::string& error;

  bool values(std::size_t count, std::vector<std::string>& out) {
    out.clear();
    if (has_inline) {
      if (count != 1) {
        error = name + " takes " + std::to_string(count) + " values, not NAME=VALUE";
        return false;
      }
      out.push_back(inline_value);
      return true;
    }
    if (at + count >= args.size()) {
      error = name + " needs " + std::to_string(count) + (count == 1 ? " value" : " values");
      return false;
    }
    for (std::size_t i = 0; i < count; ++i) out.push_back(args[++at]);
    return true;
  }

  bool real(double& out, bool positive) {
    std::vector<std::string> v;
    if (!values(1, v)) return false;
    if (!parse_value(v[0], out) || (positive && !(out > 0))) {
      error =
          name + (positive ? " must be a positive number, not " : " must be a number, not ") + v[0];
      return false;
    }
    return true;
  }

  bool integer(int least, int& out) {
    std::vector<std::string> v;
    if (!values(1, v)) return false;
    if (!whole(v[0], least, out)) {
      error = name + " must be a whole number from " + std::to_string(least) + ", not " + v[0];
      return false;
    }
    return true;
  }

  bool range(bool positive, value_range& out) {
    std::vector<std::string> v;
    if (!values(3, v)) return false;
    if (!parse_value(v[0], out.start) || !parse_value(v[1], out.final) ||
        !whole(v[2], 1, out.steps) || (positive && !(out.start > 0 && out.final > 0))) {
      error = name + " takes " + (positive ? "two positive frequencies" : "two values") +
              " and a whole number of steps from 1";
      return false;
    }
    return true;
  }

  bool no_value() {
    if (has_inline) error = name + " takes no value";
    return !has_inline;
  }
};

bool read_option(const std::vector<std::string>& args, std::size_t& at, run_options& out,
                 std::string& error) {
  const std::string& arg = args[at];
  const std::size_t equals = arg.find('=');
  option_reader r{args,
                  at,
                  arg.substr(0, equals),
                  equals == std::string::npos ? "" : arg.substr(equals + 1),
                  equals != std::string::npos,
                  error};
  const std::string& name = r.name;
  std::vector<std::string> words;
  if (name == "--freq") {
    out.has_frequency = r.real(out.frequency.start, true);
    out.frequency = {out.frequency.start, out.frequency.start, 0};
    out.scan = false;
    return out.has_frequency;
  }
  if (name == "--scan") {
    out.has_frequency = out.scan = r.range(true, out.frequency);
    return out.scan;
  }
  if (name == "--fixed" || name == "--free") {
    out.period = name == "--fixed" ? analysis_period::fixed : analysis_period::free;
    return r.no_value();
  }
  if (name == "--planes") return r.integer(1, out.planes);
  if (name == "--accuracy") return r.real(out.accuracy, true);
  if (name == "--dvdf") {
    double w = 0;
    out.has_dvdf = r.real(w, false);
    out.dvdf = {w, w, 0};
    return out.has_dvdf;
  }
  if (name == "--dvdf-scan") return (out.has_dvdf = r.range(false, out.dvdf));
  if (name == "--twinning") {
    if (!r.integer(0, out.twinning)) return false;
    if (out.twinning > 3) error = "--twinning must be 0, 1, 2 or 3";
    return error.empty();
  }
  if (name == "--nodes") {
    if (!r.values(1, words)) return false;
    out.nodes.clear();
    std::size_t start = 0;
    while (start <= words[0].size()) {
      std::size_t comma = words[0].find(',', start);
      if (comma == std::string::npos) comma = words[0].size();
      if (comma > start) out.nodes.push_back(words[0].substr(start, comma - start));
      start = comma + 1;
    }
    if (out.nodes.empty()) error = "--nodes needs at least one node";
    return error.empty();
  }
  if (name == "--periods") return r.integer(1, out.periods);
  if (name == "--order") return r.integer(1, out.order);
  if (name == "--job") {
    if (!r.values(1, words)) return false;
    out.job = words[0];
    if (out.job.empty()) error = "--job needs a name";
    return error.empty();
  }
  struct flag {
    const char* name;
    bool run_options::*field;
  };
  const flag flags[] = {{"--currents", &run_options::currents},
                        {"--csv", &run_options::csv},
                        {"--raw", &run_options::raw},
                        {"--svg", &run_options::svg},
                        {"--extrapolate", &run_options::extrapolate},
                        {"--quiet", &run_options::quiet},
                        {"-q", &run_options::quiet},
                        {"--spice", &run_options::spice}};
  for (const flag& f : flags) {
    if (name != f.name) continue;
    out.*f.field = true;
    return r.no_value();
  }
  error = "unknown option " + name;
  return false;
}

}  // namespace

bool parse_run_options(const std::vector<std::string>& args, run_options& out, std::string& error) {
  out = run_options{};
  std::vector<std::string> positional;
  for (std::size_t at = 0; at < args.size(); ++at) {
    const std::string& arg = args[at];
    if (arg == "-h" || arg == "--help") {
      out.help = true;
      return true;
    }
    if (arg == "--version") {
      out.version = true;
      return true;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      if (!read_option(args, at, out, error)) return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 1) {
    error = positional.empty() ? "needs CIRCUIT.cir" : "one netlist at a time";
    return false;
  }
  out.netlist = positional[0];
  if (out.periods > 0 && !out.svg) {
    error = "--periods goes with --svg";
    return false;
  }
  if (out.order > 0 && !out.extrapolate) {
    error = "--order goes with --extrapolate";
    return false;
  }
  return true;
}

}  // namespace pss
