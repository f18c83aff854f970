#include "run/load_solution.h"

#include <cmath>
#include <vector>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "planes/expand.h"
#include "run/circuit_checks.h"
#include "run/double_runs.h"
#include "run/plane_count.h"
#include "state/state_file.h"
#include "support/bytes.h"
#include "support/fatal.h"
#include "support/files.h"
#include "support/phase_time.h"

namespace pss {

void load_solution(circuit* c, const std::string& path) {
  std::vector<uint8_t> head;
  if (!read_file(path, head) || head.size() < 12) {
    fatal("error, load_solution: %s is not a state file\n", path.c_str());
  }
  read_state_planes(c, path);
  check_expansion_fits(c, c->planes);
  {
    const timed_phase timing{job_phase_time_spent().expansion};
    expand_time_planes(c, 0);
  }
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

std::vector<source_mismatch> fixed_values_off_source(circuit* c) {
  std::vector<source_mismatch> found;
  // An oscillator's injection node is no fixed value of the network: the
  // runs set its level and free it as an unknown.
  const int injection = c->nodelists != nullptr && c->nodelists->nodes != nullptr
                            ? c->nodelists->nodes->node->index / c->planes
                            : -1;
  int reported = -1;  // the last position reported: one line per node
  for (node* n : each(c->nodes)) {
    const int position = n->index / c->planes;
    if (position == reported || position == injection) continue;
    const conection_entry* source = driving_vsource(n);
    if (source == nullptr) continue;
    const double expected = vsource_value(n, source);
    int slot = 0;
    for (dvar* d : each(find_dvar_group(n->dvar_groups, group_id::voltage)->dvars)) {
      // pss writes exactly what vsource_value gives; the margin only keeps
      // rounding from another build out of the report.
      if (std::fabs(d->value - expected) > 1e-12 * (1.0 + std::fabs(expected))) {
        found.push_back(
            {position, n->index % c->planes, slot, d->value, expected, source->conection});
        reported = position;
        break;
      }
      ++slot;
    }
  }
  return found;
}

}  // namespace pss
