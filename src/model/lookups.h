// The small lookups every part of the solver shares.
#pragma once

#include <string>

#include "model/circuit.h"

namespace pss {

// A Jacobian entry (or any loose tagged value) with `next` null; when `prev`
// is given, `prev->next` is set to it. Entries come from a recycling pool:
// the consumer hands each back with `tagged_value_free`.
tagged_value* tagged_value_new(int32_t tag, double value, tagged_value* prev);
void tagged_value_free(tagged_value* entry);

// The three lookups below run in every element model call; they are here,
// inline, because a call costs more than their few steps.

// First entry of the list with the tag, or nullptr.
inline tagged_value* find_value(tagged_value* list, int32_t tag) {
  for (tagged_value* v = list; v != nullptr; v = v->next) {
    if (v->tag == tag) return v;
  }
  return nullptr;
}

// First group of the list with the id, or nullptr.
inline dvar_group* find_dvar_group(dvar_group* list, int32_t id) {
  for (dvar_group* g = list; g != nullptr; g = g->next) {
    if (g->id == id) return g;
  }
  return nullptr;
}

// The dvar of slot k (0-based; k <= 0 gives the first). k must be within
// the group.
inline dvar* nth_dvar(dvar_group* group, int k) {
  dvar* d = group->dvars;
  for (int i = 0; i < k; ++i) d = d->next;
  return d;
}

// First attribute of the conection with the id, or nullptr.
tagged_value* find_attribute(const conection* con, int32_t id);

// The node with the index; stops the job when there is none. Relies on the
// node chain being in ascending index order and jumps ahead through
// neighbours with larger indices.
node* get_node_with_index(const circuit* c, int32_t index);

// The entry of the conection with `id` in `from`'s neighbour entry for
// `to`; stops the job when either is missing.
conection_entry* get_conection(const node* from, const node* to, int32_t id);

// How far node a's plane lies after node b's plane, as a fraction of the
// period, in [0, 1).
double plane_time_diff(const node* a, const node* b);

// The conection's name as messages show it: the file's bytes, with every
// control byte as '?', so that no name can break a message's line.
std::string conection_name(const conection* con);

}  // namespace pss
