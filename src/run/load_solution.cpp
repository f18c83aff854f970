#include "run/load_solution.h"

#include <vector>

#include "model/codes.h"
#include "model/lookups.h"
#include "planes/expand.h"
#include "run/circuit_checks.h"
#include "run/double_runs.h"
#include "state/state_file.h"
#include "support/bytes.h"
#include "support/fatal.h"
#include "support/files.h"

namespace pss {

void load_solution(circuit* c, const std::string& path) {
  std::vector<uint8_t> head;
  if (!read_file(path, head) || head.size() < 12) {
    fatal("error, load_solution: %s is not a state file\n", path.c_str());
  }
  read_state_planes(c, path);
  expand_time_planes(c, 0);
  if (load_i32(&head[8]) == 2) {
    check_double_runs(c);
    make_double_dvars(c);
  }
  read_state(c, path);
}

dvar* solution_voltage(circuit* c, int position, int plane, int slot) {
  node* n = get_node_with_index(c, position * c->planes + plane);
  return nth_dvar(find_dvar_group(n->dvar_groups, group_id::voltage), slot);
}

}  // namespace pss
