// Which nodes, and which solution slot, an output shows.
#pragma once

#include <string>
#include <vector>

#include "tools/pss_wave/waveforms.h"

namespace pss {

struct selection {
  std::vector<const wave_node*> nodes;  // in the order asked for
  int slot = 0;
};

// The nodes named in `wanted` (a name, or else an index as written in the
// network file; i(NAME) for an element's current), or every node that is
// not hidden when `wanted` is empty; then, when `wanted` is empty or with
// `all_currents`, every current the waveforms hold that is not already
// named. False, with `error` set, for a name that matches nothing.
bool select_nodes(const waveforms& w, const std::vector<std::string>& wanted, selection& out,
                  std::string& error, bool all_currents = false);

}  // namespace pss
