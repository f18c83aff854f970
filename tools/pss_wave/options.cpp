#include "tools/pss_wave/options.h"

#include <charconv>

namespace pss {

const char* const wave_usage =
    "usage: pss-wave JOB FILE.var [--csv | --raw | --svg | --harmonics] [options]\n"
    "\n"
    "Shows the node voltages of a state file that pss wrote for the network\n"
    "JOB.net, with the node names of JOB.names when that file exists.\n"
    "\n"
    "formats (default: a table of every node's voltage per time plane)\n"
    "  --csv          one row per plane: time, then one column per node; a\n"
    "                 two-slot file adds time@1 and NAME@1 columns\n"
    "  --raw          a SPICE ASCII raw file of one period\n"
    "  --svg          a plot of the waveforms as an SVG image\n"
    "  --harmonics    amplitude and phase of each harmonic, and the THD\n"
    "\n"
    "options\n"
    "  --nodes A,B    the nodes to show, by name or index (default: every\n"
    "                 node but ground and internal nodes, whose names hold #);\n"
    "                 i(NAME) is the current of element NAME\n"
    "  --currents     the current of every element besides (from n+ through\n"
    "                 the element to n-, as SPICE counts it)\n"
    "  --spectrum     with --svg: the harmonics as a bar chart\n"
    "  --db           with --spectrum: amplitudes in dB (dBV, dBA)\n"
    "  --slot K       solution slot 0 or 1 of a two-slot file (default 0;\n"
    "                 not with --csv, which holds every slot)\n"
    "  --periods N    periods to draw with --svg (default 1)\n"
    "  -o FILE        write to FILE instead of standard output\n"
    "  -h, --help     this text\n"
    "\n"
    "docs/pss-wave.md describes each format.\n";

namespace {

bool parse_int(const std::string& text, int& out) {
  const char* end = text.data() + text.size();
  const auto [rest, failed] = std::from_chars(text.data(), end, out);
  return failed == std::errc() && rest == end;
}

// "a,b,,c" gives a, b and c.
std::vector<std::string> split_list(const std::string& list) {
  std::vector<std::string> items;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    if (comma > start) items.push_back(list.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

const struct {
  const char* name;
  wave_format format;
} format_options[] = {{"--csv", wave_format::csv},
                      {"--raw", wave_format::raw},
                      {"--svg", wave_format::svg},
                      {"--harmonics", wave_format::harmonics}};

// One option and, for those that take one, its value: from the same word
// ("--slot=1") or the next ("--slot 1").
struct option_word {
  std::string name;
  std::string value;
  bool has_value = false;
};

option_word split_word(const std::string& arg) {
  const std::size_t equals = arg.find('=');
  if (arg.rfind("--", 0) != 0 || equals == std::string::npos) return {arg, {}, false};
  return {arg.substr(0, equals), arg.substr(equals + 1), true};
}

// Reads the option at args[at], advancing `at` past a separate value.
bool read_option(const std::vector<std::string>& args, std::size_t& at, bool& format_given,
                 wave_options& out, std::string& error) {
  option_word word = split_word(args[at]);
  const bool takes_value = word.name == "--nodes" || word.name == "--slot" ||
                           word.name == "--periods" || word.name == "-o";
  if (takes_value && !word.has_value) {
    if (at + 1 >= args.size()) {
      error = word.name + " needs a value";
      return false;
    }
    word.value = args[++at];
  } else if (!takes_value && word.has_value) {
    error = word.name + " takes no value";
    return false;
  }
  for (const auto& f : format_options) {
    if (word.name != f.name) continue;
    if (format_given && out.format != f.format) {
      error = "choose one of --csv, --raw, --svg and --harmonics";
      return false;
    }
    out.format = f.format;
    format_given = true;
    return true;
  }
  if (word.name == "--nodes") {
    out.nodes = split_list(word.value);
    if (out.nodes.empty()) error = "--nodes needs at least one node";
  } else if (word.name == "--slot") {
    out.slot_given = true;
    if (!parse_int(word.value, out.slot) || out.slot < 0 || out.slot > 1) {
      error = "--slot must be 0 or 1, not " + word.value;
    }
  } else if (word.name == "--periods") {
    out.periods_given = true;
    if (!parse_int(word.value, out.periods) || out.periods < 1 || out.periods > 1000) {
      error = "--periods must be a whole number from 1 to 1000, not " + word.value;
    }
  } else if (word.name == "--currents") {
    out.currents = true;
  } else if (word.name == "--spectrum") {
    out.spectrum = true;
  } else if (word.name == "--db") {
    out.decibels = true;
  } else if (word.name == "-o") {
    out.output = word.value;
    if (out.output.empty()) error = "-o needs a file name";
  } else {
    error = "unknown option " + word.name;
  }
  return error.empty();
}

// Options that only make sense together, checked once all are read.
bool check_combinations(const wave_options& out, std::string& error) {
  if (out.periods_given && (out.format != wave_format::svg || out.spectrum)) {
    error = out.spectrum ? "--periods goes with the waveform plot, not --spectrum"
                         : "--periods goes with --svg";
  } else if (out.spectrum && out.format != wave_format::svg) {
    error = "--spectrum goes with --svg";
  } else if (out.decibels && !out.spectrum) {
    error = "--db goes with --spectrum";
  } else if (out.slot_given && out.format == wave_format::csv) {
    error = "--csv holds every slot; --slot does not apply";
  } else {
    return true;
  }
  return false;
}

}  // namespace

bool parse_wave_options(const std::vector<std::string>& args, wave_options& out,
                        std::string& error) {
  out = wave_options{};
  std::vector<std::string> positional;
  bool format_given = false;
  for (std::size_t at = 0; at < args.size(); ++at) {
    const std::string& arg = args[at];
    if (arg == "-h" || arg == "--help") {
      out.help = true;
      return true;
    }
    if (arg.size() > 1 && arg[0] == '-') {
      if (!read_option(args, at, format_given, out, error)) return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) {
    error = positional.size() < 2 ? "needs JOB and FILE.var" : "too many arguments";
    return false;
  }
  out.job = positional[0];
  out.state_path = positional[1];
  return check_combinations(out, error);
}

}  // namespace pss
