// The names file, JOB.names: the user's names of a compiled network's nodes
// and elements, written next to JOB.net so that tools can speak in them.
//
//   # comment
//   node INDEX NAME        one line per node, INDEX as in the network file
//   element NAME           one line per element, in netlist order
//
// Names contain no white space.
#pragma once

#include <string>
#include <vector>

namespace pss {

struct names_file {
  std::vector<std::string> nodes;  // by node index; empty where unnamed
  std::vector<std::string> elements;
};

// Reads `path`; false (and `error` set) when it cannot be read or a line is
// malformed.
bool read_names(const std::string& path, names_file& out, std::string& error);

// The text of a names file.
std::string names_text(const names_file& names);

}  // namespace pss
