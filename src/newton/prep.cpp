#include <cmath>
#include <numbers>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "planes/control_delay.h"

namespace pss {

double vsource_value(const node* n, const conection_entry* e) {
  const double sign = e->nodes != nullptr && e->nodes->node == n ? 1.0 : -1.0;
  const double t = find_value(n->params, param_id::plane_time)->value;
  double result = 0.0;
  for (const tagged_value* a = e->conection->attributes; a != nullptr; a = a->next) {
    if (a->tag == attr::dc_level) {
      result = sign * a->value;
    } else if (a->tag == attr::ac_amplitude) {
      // Only the first sine component counts; its phase is in periods.
      double phase = 0.0;
      double multiplier = 1.0;
      for (const tagged_value* b = a->next; b != nullptr; b = b->next) {
        if (b->tag == attr::phase) phase = b->value;
        if (b->tag == attr::harmonic || b->tag == attr::frequency) multiplier = b->value;
      }
      return result + sign * a->value * std::sin(2.0 * std::numbers::pi * (phase + multiplier * t));
    }
  }
  return result;
}

namespace {

// The first voltage source joining `n` to a lower-numbered node, or nullptr.
conection_entry* source_to_lower_node(node* n) {
  for (neighbour* nb : each(n->neighbours)) {
    if (n->index <= nb->node->index) continue;
    for (conection_entry* e : each(nb->conections)) {
      if (e->conection->type == conection_type::vsource) return e;
    }
  }
  return nullptr;
}

// A node whose voltage is fixed and which is the higher-numbered end of a
// voltage source takes the source's value in every solution slot.
void apply_voltage_source(node* n) {
  for (dvar_group* g : each(n->dvar_groups)) {
    if (g->id != group_id::voltage || g->dvars->number != dvar_number::fixed) continue;
    conection_entry* source = source_to_lower_node(n);
    if (source == nullptr) continue;
    const double v = vsource_value(n, source);
    for (dvar* d : each(g->dvars)) d->value = v;
  }
}

}  // namespace

void prep_mat_res(circuit* c) {
  for (node* n : each(c->nodes)) apply_voltage_source(n);
  aim_generator_controls(c);
}

}  // namespace pss
