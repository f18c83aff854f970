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
      out.elements.push_back(name);
      continue;
    }
    error = path + ":" + std::to_string(number) + ": malformed line";
    return false;
  }
  return true;
}

std::string names_text(const names_file& names) {
  std::ostringstream out;
  out << "# pss names: node INDEX NAME, element NAME\n";
  for (std::size_t i = 0; i < names.nodes.size(); ++i) {
    if (!names.nodes[i].empty()) out << "node " << i << ' ' << names.nodes[i] << '\n';
  }
  for (const std::string& e : names.elements) out << "element " << e << '\n';
  return out.str();
}

}  // namespace pss
