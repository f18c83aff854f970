#include "tools/common/names_file.h"

#include <fstream>
#include <sstream>

namespace pss {

bool read_names(const std::string& path, names_file& out, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot read " + path;
    return false;
  }
  out = names_file{};
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::istringstream words(line);
    std::string kind;
    if (!(words >> kind) || kind[0] == '#') continue;
    std::string name;
    if (kind == "node") {
      long index = -1;
      if ((words >> index >> name) && index >= 0 && index < 100000000) {
        if (out.nodes.size() <= static_cast<std::size_t>(index)) {
          out.nodes.resize(static_cast<std::size_t>(index) + 1);
        }
        out.nodes[static_cast<std::size_t>(index)] = name;
        continue;
      }
    } else if (kind == "element" && (words >> name)) {
      std::array<int32_t, 2> ends{-1, -1};
      std::string rest;
      const bool bare = !(words >> std::ws) || words.eof();
      if (bare || ((words >> ends[0] >> ends[1]) && ends[0] >= 0 && ends[1] >= 0 &&
                   !(words >> rest))) {
        out.elements.push_back(name);
        out.element_nodes.push_back(bare ? std::array<int32_t, 2>{-1, -1} : ends);
        continue;
      }
    }
    error = path + ":" + std::to_string(number) + ": malformed line";
    return false;
  }
  return true;
}

std::string names_text(const names_file& names) {
  std::ostringstream out;
  out << "# pss names: node INDEX NAME, element NAME NODE1 NODE2\n";
  for (std::size_t i = 0; i < names.nodes.size(); ++i) {
    if (!names.nodes[i].empty()) out << "node " << i << ' ' << names.nodes[i] << '\n';
  }
  for (std::size_t i = 0; i < names.elements.size(); ++i) {
    out << "element " << names.elements[i];
    if (i < names.element_nodes.size() && names.element_nodes[i][0] >= 0) {
      out << ' ' << names.element_nodes[i][0] << ' ' << names.element_nodes[i][1];
    }
    out << '\n';
  }
  return out.str();
}

}  // namespace pss
