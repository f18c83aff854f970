#include "run/dvar_snapshot.h"

namespace pss {

namespace {

// Calls f on every dvar in snapshot order. Twins share their groups, which
// are then visited once per node that shares them.
template <class visit>
void each_dvar(circuit* c, visit&& f) {
  for (node* n : each(c->nodes)) {
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d : each(g->dvars)) f(d);
    }
  }
  for (dvar_group* g : each(c->global_dvars)) {
    for (dvar* d : each(g->dvars)) f(d);
  }
}

}  // namespace

dvar_snapshot take_snapshot(circuit* c) {
  dvar_snapshot s;
  each_dvar(c, [&](const dvar* d) { s.values.push_back(d->value); });
  return s;
}

void restore_snapshot(circuit* c, const dvar_snapshot& snapshot) {
  std::size_t k = 0;
  each_dvar(c, [&](dvar* d) {
    if (k < snapshot.values.size()) d->value = snapshot.values[k];
    ++k;
  });
}

}  // namespace pss
