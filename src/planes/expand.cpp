#include "planes/expand.h"

namespace pss {

void expand_time_planes(circuit* c, int twinning) {
  expand_node_planes(c, twinning);
  copy_plane_neighbours(c);
  extend_node_lists(c);
}

}  // namespace pss
