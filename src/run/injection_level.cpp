#include "run/injection_level.h"

#include "model/codes.h"
#include "model/lookups.h"
#include "support/console.h"
#include "support/fatal.h"

namespace pss {

tagged_value* injection_level(circuit* c) {
  if (c->nodelists == nullptr || c->nodelists->nodes == nullptr) return nullptr;
  node* injection = c->nodelists->nodes->node;
  // The source that fixes a node joins it to a lower-numbered node.
  for (neighbour* nb : each(injection->neighbours)) {
    if (nb->node->index >= injection->index) continue;
    for (conection_entry* e : each(nb->conections)) {
      if (e->conection->type != conection_type::vsource) continue;
      return find_attribute(e->conection, attr::dc_level);
    }
  }
  return nullptr;
}

void place_injection_about(circuit* c, double tank_level, const char* origin) {
  const tagged_value* mark = find_value(c->params, param_id::injection_about_dc);
  if (mark == nullptr || mark->value == 0.0) return;
  tagged_value* level = injection_level(c);
  if (level == nullptr) {
    fatal(
        "error, run_analysis: circuit param 5 asks for an injection about the tank's DC "
        "level, and the first nodelist's first node has no voltage source with a dc level\n");
  }
  const double amplitude = level->value;
  level->value = tank_level + amplitude;
  say("injection level %le V: the tank's %s %le V plus the amplitude %le V\n", level->value, origin,
      tank_level, amplitude);
}

}  // namespace pss
