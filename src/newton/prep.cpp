#include <cmath>
#include <numbers>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "planes/control_delay.h"

namespace pss {

namespace {

// The first sine component of a voltage source's attributes: its amplitude
// attribute (null when there is none), its phase in periods and its cycles
// per period, the last phase and harmonic or frequency after it counting.
struct vsource_sine {
  const tagged_value* amplitude = nullptr;
  double phase = 0.0;
  double multiplier = 1.0;
};

vsource_sine read_vsource_sine(const conection* con) {
  vsource_sine s;
  for (const tagged_value* a = con->attributes; a != nullptr; a = a->next) {
    if (a->tag != attr::ac_amplitude) continue;
    s.amplitude = a;
    for (const tagged_value* b = a->next; b != nullptr; b = b->next) {
      if (b->tag == attr::phase) s.phase = b->value;
      if (b->tag == attr::harmonic || b->tag == attr::frequency) s.multiplier = b->value;
    }
    return s;
  }
  return s;
}

}  // namespace

double vsource_value(const node* n, const conection_entry* e) {
  const double sign = e->nodes != nullptr && e->nodes->node == n ? 1.0 : -1.0;
  const double t = find_value(n->params, param_id::plane_time)->value;
  double result = 0.0;
  for (const tagged_value* a = e->conection->attributes; a != nullptr; a = a->next) {
    if (a->tag == attr::dc_level) {
      result = sign * a->value;
    } else if (a->tag == attr::ac_amplitude) {
      // Only the first sine component counts; its phase is in periods.
      const vsource_sine s = read_vsource_sine(e->conection);
      return result +
             sign * a->value * std::sin(2.0 * std::numbers::pi * (s.phase + s.multiplier * t));
    }
  }
  return result;
}

source_sine voltage_source_sine(const conection* con) {
  const vsource_sine s = read_vsource_sine(con);
  if (s.amplitude == nullptr) return {0.0, 0.0};
  return {s.amplitude->value, s.multiplier};
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

conection_entry* driving_vsource(node* n) {
  const dvar_group* v = find_dvar_group(n->dvar_groups, group_id::voltage);
  if (v == nullptr || v->dvars->number != -1) return nullptr;
  return source_to_lower_node(n);
}

void prep_mat_res(circuit* c) {
  for (node* n : each(c->nodes)) apply_voltage_source(n);
  aim_generator_controls(c);
}

}  // namespace pss
