// The names file, JOB.names: the user's names of a compiled network's nodes
// and elements, written next to JOB.net so that tools can speak in them.
//
//   # comment
//   node INDEX NAME        one line per node, INDEX as in the network file
//   element NAME N1 N2     one line per element, in netlist order, with the
//                          indices of its two nodes as the netlist wrote
//                          them (n+ first); a file may leave them out
//
// Names contain no white space.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace pss {

struct names_file {
  std::vector<std::string> nodes;  // by node index; empty where unnamed
  std::vector<std::string> elements;
  // One pair per element, or none: its nodes' indices, n+ first; {-1, -1}
  // for an element whose line gives none.
  std::vector<std::array<int32_t, 2>> element_nodes;
};

// Reads `path`; false (and `error` set) when it cannot be read or a line is
// malformed.
bool read_names(const std::string& path, names_file& out, std::string& error);

// The text of a names file.
std::string names_text(const names_file& names);

}  // namespace pss
