#include "planes/expand.h"

#include "model/codes.h"
#include "planes/plane_walk.h"

namespace pss {

void expand_time_planes(circuit* c, int twinning) {
  expand_node_planes(c, twinning);
  // A windowed switch relinks planes, which every extension must see.
  if (planes_carry_type(c, conection_type::window_switch)) {
    copy_plane_neighbours(c);
    extend_node_lists(c);
  } else {
    copy_and_extend_plane_neighbours(c);
  }
}

}  // namespace pss
