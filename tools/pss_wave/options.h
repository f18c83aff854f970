// The command line of pss-wave.
#pragma once

#include <string>
#include <vector>

namespace pss {

enum class wave_format { table, csv, raw, svg, harmonics };

struct wave_options {
  std::string job;
  std::string state_path;
  wave_format format = wave_format::table;
  std::vector<std::string> nodes;  // names or indices, i(NAME) for currents; empty: the default set
  bool currents = false;           // every element's current besides
  bool spectrum = false;           // --svg draws the harmonics as bars
  bool decibels = false;           // the bars on a dB scale
  int slot = 0;
  bool slot_given = false;
  int periods = 1;
  bool periods_given = false;
  std::string output;  // empty: standard output
  bool help = false;
};

// Parses the arguments after the program name. False, with `error` set to
// one line, when they are not a valid command.
bool parse_wave_options(const std::vector<std::string>& args, wave_options& out,
                        std::string& error);

// The text of --help.
extern const char* const wave_usage;

}  // namespace pss
