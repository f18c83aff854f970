#include "tools/pss_wave/selection.h"

#include <charconv>

namespace pss {

namespace {

// A name is looked up first, so that a node the user named "3" is found by
// that name even when another node has index 3.
const wave_node* find_node(const waveforms& w, const std::string& wanted) {
  for (const wave_node& n : w.nodes) {
    if (n.name == wanted) return &n;
  }
  int index = -1;
  const char* end = wanted.data() + wanted.size();
  const auto [rest, failed] = std::from_chars(wanted.data(), end, index);
  if (failed != std::errc() || rest != end) return nullptr;
  for (const wave_node& n : w.nodes) {
    if (n.index == index) return &n;
  }
  return nullptr;
}

}  // namespace

bool select_nodes(const waveforms& w, const std::vector<std::string>& wanted, selection& out,
                  std::string& error) {
  out.nodes.clear();
  if (wanted.empty()) {
    for (const wave_node& n : w.nodes) {
      if (!is_hidden_node(n)) out.nodes.push_back(&n);
    }
    return true;
  }
  for (const std::string& name : wanted) {
    const wave_node* n = find_node(w, name);
    if (n == nullptr) {
      error = "no node " + name + " in " + w.job + ".net";
      return false;
    }
    out.nodes.push_back(n);
  }
  return true;
}

}  // namespace pss
