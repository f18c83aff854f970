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
// network file), or every node that is not hidden when `wanted` is empty.
// False, with `error` set, for a name that matches no node.
bool select_nodes(const waveforms& w, const std::vector<std::string>& wanted, selection& out,
                  std::string& error);

}  // namespace pss
