#include "run/circuit_checks.h"

#include <string>

#include "elements/element_kinds.h"
#include "model/codes.h"
#include "model/lookups.h"
#include "support/fatal.h"

namespace pss {

namespace {

int list_length(const node_ref* refs) {
  int length = 0;
  for (; refs != nullptr; refs = refs->next) ++length;
  return length;
}

// The checks each element type asks for of its records.
void check_element(const node* n, const node* other, const conection_entry* e) {
  const element_kind* kind = element_kind_of(e->conection->type);
  // Unknown codes are reported where they are dispatched.
  if (kind != nullptr && kind->check != nullptr) kind->check(n, other, e);
}

bool is_window(const conection* con) {
  const element_kind* kind = element_kind_of(con->type);
  return kind != nullptr && kind->windowed;
}

int dvar_count(const dvar_group* g) {
  int count = 0;
  for (const dvar* d = g->dvars; d != nullptr; d = d->next) ++count;
  return count;
}

bool has_unknown(const dvar_group* g) {
  for (const dvar* d = g->dvars; d != nullptr; d = d->next) {
    if (d->number >= 0) return true;
  }
  return false;
}

// Every node the models read a voltage from carries a voltage group.
void need_voltage_group(const node* n, const char* role) {
  if (find_dvar_group(n->dvar_groups, group_id::voltage) == nullptr) {
    fatal("error, check_network: node[%d] (%s) has no voltage group 21\n", n->index, role);
  }
}

// All voltage groups hold the same number of solution slots, since a row of
// slot k reads slot k of its neighbours.
void check_slots(const node* n, int& slots, const node*& first) {
  const dvar_group* v = find_dvar_group(n->dvar_groups, group_id::voltage);
  if (v == nullptr) return;
  if (first == nullptr) {
    first = n;
    slots = dvar_count(v);
  } else if (dvar_count(v) != slots) {
    fatal(
        "error, check_network: node[%d]'s voltage group holds %d dvars and node[%d]'s %d; "
        "every node needs the same number\n",
        n->index, dvar_count(v), first->index, slots);
  }
}

// A row of group G reads the neighbour's group G.
void check_neighbour_groups(const node* n) {
  for (const dvar_group* g = n->dvar_groups; g != nullptr; g = g->next) {
    if (!has_unknown(g)) continue;
    for (const neighbour* nb = n->neighbours; nb != nullptr; nb = nb->next) {
      if (find_dvar_group(nb->node->dvar_groups, g->id) == nullptr) {
        fatal(
            "error, check_network: node[%d] has unknowns in dvar group %d, which its "
            "neighbour node[%d] lacks\n",
            n->index, g->id, nb->node->index);
      }
    }
  }
}

// The first voltage source to a lower node sets a fixed node's value; a
// second one would be ignored without a word.
void check_driving_sources(const node* n) {
  const dvar_group* v = find_dvar_group(n->dvar_groups, group_id::voltage);
  if (v == nullptr || v->dvars->number != dvar_number::fixed) return;
  int sources = 0;
  for (const neighbour* nb = n->neighbours; nb != nullptr; nb = nb->next) {
    if (nb->node->index >= n->index) continue;
    for (const conection_entry* e = nb->conections; e != nullptr; e = e->next) {
      if (e->conection->type == conection_type::vsource) ++sources;
    }
  }
  if (sources > 1) {
    fatal(
        "error, check_network: fixed node[%d] is driven by %d voltage sources to "
        "lower-numbered nodes; only one can set its voltage\n",
        n->index, sources);
  }
}

}  // namespace

void check_network(circuit* c) {
  if (c->planes != 1) {
    fatal(
        "error, check_network: the network holds %d time planes; it must describe the "
        "one-plane circuit, which pss expands itself\n",
        c->planes);
  }
  int slots = 0;
  const node* first = nullptr;
  for (node* n : each(c->nodes)) {
    check_slots(n, slots, first);
    check_neighbour_groups(n);
    check_driving_sources(n);
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        check_element(n, nb->node, e);
        for (node_ref* r : each(e->nodes)) need_voltage_group(r->node, "in a node list");
      }
    }
  }
  for (conection_entry* list : each(c->nodelists)) {
    for (node_ref* r : each(list->nodes)) need_voltage_group(r->node, "in a nodelist");
  }
}

void check_expanded(circuit* c) {
  if (c->planes != 2) return;
  for (node* n : each(c->nodes)) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        const element_kind* kind = element_kind_of(e->conection->type);
        if (kind == nullptr || !kind->needs_three_planes) continue;
        fatal(
            "error, run_analysis: %s conection \"%s\" between node[%d] and node[%d] has "
            "no time step on 2 time planes; use 3 or more planes, or CAP1\n",
            kind->label, conection_name(e->conection).c_str(), n->index, nb->node->index);
      }
    }
  }
}

namespace {

void need_slot1_period_offset(circuit* c) {
  const tagged_value* offset = find_value(c->params, param_id::slot1_period_offset);
  if (offset == nullptr || offset->value == 0.0) {
    fatal(
        "error, run_analysis: the double PSS needs circuit param 4, the period offset of "
        "the second solution slot, present and not zero\n");
  }
}

}  // namespace

bool has_oscillator_nodelist(const circuit* c) {
  return c->nodelists != nullptr && list_length(c->nodelists->nodes) >= 3;
}

void check_double_runs(circuit* c) {
  const conection_entry* list = c->nodelists;
  if (!has_oscillator_nodelist(c)) {
    fatal(
        "error, make_double_dvars: the double PSS needs a first nodelist of at least three "
        "nodes\n");
  }
  const node* second = list->nodes->next->node;
  const node* third = list->nodes->next->next->node;
  if (second->prev_plane == nullptr || third->prev_plane == nullptr) {
    fatal(
        "error, make_double_dvars: the second and third nodes of the first nodelist need a "
        "previous time plane\n");
  }
  need_slot1_period_offset(c);
}

namespace {

// The planes j > 0 whose time j / N lies inside the window of `con`.
int planes_inside_besides_0(const conection* con, int planes) {
  const double start = find_attribute(con, attr::window_start)->value;
  const double end = find_attribute(con, attr::window_end)->value;
  int inside = 0;
  for (int j = 1; j < planes; ++j) {
    const double t = static_cast<double>(j) / planes;
    if (start < t && t < end) ++inside;
  }
  return inside;
}

}  // namespace

void check_injection_windows(circuit* c) {
  for (node* n : each(c->nodes)) {
    if (n->index % c->planes != 0) continue;  // the records are shared by all planes
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        if (!is_window(e->conection) || nb->node->index < n->index) continue;
        const int inside = planes_inside_besides_0(e->conection, c->planes);
        if (inside == 0) continue;
        fatal(
            "error, run_analysis: the window of conection \"%s\" between node[%d] and "
            "node[%d] holds %d of the %d time planes besides plane 0; the double PSS needs "
            "plane 0 alone inside it: narrow the window to less than 1/%d of the period\n",
            conection_name(e->conection).c_str(), n->index, nb->node->index, inside, c->planes, c->planes);
      }
    }
  }
  const conection* injection = c->nodelists->conection;
  if (is_window(injection)) {
    const double start = find_attribute(injection, attr::window_start)->value;
    const double end = find_attribute(injection, attr::window_end)->value;
    if (!(start < 0.0 && 0.0 < end)) {
      fatal(
          "error, run_analysis: the window (%g, %g) of conection \"%s\", which injects the "
          "oscillator, does not hold plane 0 (t = 0); the coupled double PSS needs it inside\n",
          start, end, conection_name(injection).c_str());
    }
  }
}

void check_solve_preconditions(circuit* c) {
  const bool period_unknown =
      find_dvar_group(c->global_dvars, group_id::period)->dvars->number >= 0;
  if (c->dvars_per_node >= 2) need_slot1_period_offset(c);
  if (period_unknown) {
    if (c->dvars_per_node < 2) {
      fatal(
          "error, run_analysis: the period can be an unknown only with double dvars "
          "(answer 2 to the dvars question)\n");
    }
    if (c->nodelists == nullptr || list_length(c->nodelists->nodes) < 5) {
      fatal(
          "error, run_analysis: the period equation needs a first nodelist of five "
          "nodes\n");
    }
    if (find_attribute(c->nodelists->conection, attr::dvdf) == nullptr) {
      fatal("Error: no dV/df nodelist attribute found\n");
    }
  }
  if (c->dvars_per_node < 2) return;
  // In double mode a windowed resistor's rows at an unknown orientation node
  // are voltage rows coupling the two slots; only the first nodelist's first
  // node has the matrix positions for them.
  const node* injection = c->nodelists != nullptr ? c->nodelists->nodes->node : nullptr;
  for (node* n : each(c->nodes)) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        if (!is_window(e->conection)) continue;
        const node* l1 = e->nodes->node;
        if (l1 == injection) continue;
        const dvar_group* v = find_dvar_group(l1->dvar_groups, group_id::voltage);
        if (v != nullptr && has_unknown(v)) {
          fatal(
              "error, run_analysis: windowed conection \"%s\" between node[%d] and node[%d] "
              "has an unknown orientation node[%d] in double-dvar mode; only the first "
              "nodelist's first node may be one\n",
              conection_name(e->conection).c_str(), n->index, nb->node->index, l1->index);
        }
      }
    }
  }
}

}  // namespace pss
