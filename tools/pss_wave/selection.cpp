#include "tools/pss_wave/selection.h"

#include <algorithm>
#include <charconv>

namespace pss {

namespace {

// A name is looked up first, so that a node the user named "3" is found by
// that name even when another node has index 3.
const wave_node* find_node(const waveforms& w, const std::string& wanted) {
  if (!current_element(wanted).empty()) {
    for (const wave_node& n : w.currents) {
      if (same_name(n.name, wanted)) return &n;
    }
  }
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
                  std::string& error, bool all_currents) {
  out.nodes.clear();
  for (const wave_node& n : w.nodes) {
    if (wanted.empty() && !is_hidden_node(n)) out.nodes.push_back(&n);
  }
  for (const std::string& name : wanted) {
    const wave_node* n = find_node(w, name);
    if (n == nullptr) {
      const std::string element = current_element(name);
      error = element.empty() ? "no node " + name + " in " + w.job + ".net"
                              : "no element " + element + " in " + w.job + ".net";
      return false;
    }
    out.nodes.push_back(n);
  }
  if (!wanted.empty() && !all_currents) return true;
  for (const wave_node& n : w.currents) {
    if (std::find(out.nodes.begin(), out.nodes.end(), &n) == out.nodes.end()) {
      out.nodes.push_back(&n);
    }
  }
  return true;
}

}  // namespace pss
