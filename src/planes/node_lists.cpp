// Node lists of the elements that look at neighbouring planes. After the
// copies exist, each capacitor, inductor, controlled generator and
// transistor junction entry gets the plane copies its model reads put into
// its list, and each windowed switch (type 103) relinks the previous plane
// of the node that holds it.
#include <vector>

#include "elements/element_kinds.h"
#include "model/codes.h"
#include "model/lookups.h"
#include "planes/expand.h"
#include "planes/plane_walk.h"
#include "support/fatal.h"

namespace pss {

node_ref* node_ref_list(circuit* c, std::initializer_list<node*> nodes, node_ref* tail) {
  return node_ref_list(*c->memory, nodes, tail);
}

node_ref* node_ref_list(arena& memory, std::initializer_list<node*> nodes, node_ref* tail) {
  node_ref* first = nullptr;
  node_ref** link = &first;
  for (node* n : nodes) {
    node_ref* r = arena_new<node_ref>(memory);
    r->node = n;
    *link = r;
    link = &r->next;
  }
  *link = tail;
  return first;
}

void mod_cap_conection(arena& memory, node* n, neighbour* nb, conection_entry* e, bool central) {
  node* p = nb->node;
  if (central) {
    e->nodes = node_ref_list(memory, {p->prev_plane, n->prev_plane, p->next_plane, n->next_plane},
                             e->nodes);
  } else {
    e->nodes = node_ref_list(memory, {p->prev_plane, n->prev_plane}, e->nodes);
  }
}

namespace {

// The copy of `x`'s node in the plane before `x`'s, whatever a windowed
// switch made of x->prev_plane: the next_plane links are never relinked.
node* ring_predecessor(node* x) {
  if (x->prev_plane->next_plane == x) return x->prev_plane;
  node* y = x;
  while (y->next_plane != x) y = y->next_plane;
  return y;
}

}  // namespace

// The sense resistor's previous-plane voltages give the inductor's current
// one plane back. A switch that hands a node a new voltage history must not
// touch that current, so the sense nodes' previous planes are those of their
// own rings; the inductor's voltage history follows the switch.
void mod_ind_conection(arena& memory, node* n, neighbour* nb, conection_entry* e,
                       bool trapezoidal) {
  node* p = nb->node;
  node* s1 = e->nodes->node;
  node* s2 = e->nodes->next->node;
  node* s1_prev = ring_predecessor(s1);
  node* s2_prev = ring_predecessor(s2);
  if (trapezoidal) {
    e->nodes =
        node_ref_list(memory, {s1, s2, s1_prev, s2_prev, p->prev_plane, n->prev_plane}, nullptr);
  } else {
    e->nodes = node_ref_list(memory, {s1_prev, s2_prev, p->prev_plane, n->prev_plane}, nullptr);
  }
}

void mod_igen_conection(arena& memory, conection_entry* e) {
  node* l1 = e->nodes->node;
  node* c1 = e->nodes->next->node;
  node* c2 = e->nodes->next->next->node;
  e->nodes = node_ref_list(memory, {l1, c1, c2, c1->prev_plane, c2->prev_plane}, nullptr);
}

// [T1, T2, ...] as read becomes [T1, T2, ..., T1.prev, T2.prev, ...], and
// central, [..., T1.next, T2.next, ...] after that.
void mod_terminals_conection(arena& memory, conection_entry* e, bool central) {
  std::vector<node*> as_read;
  for (node_ref* r : each(e->nodes)) as_read.push_back(r->node);
  node_ref** tail = &e->nodes;
  while (*tail != nullptr) tail = &(*tail)->next;
  for (int copy = 0; copy < (central ? 2 : 1); ++copy) {
    for (node* x : as_read) {
      node_ref* r = arena_new<node_ref>(memory);
      r->node = copy == 0 ? x->prev_plane : x->next_plane;
      *tail = r;
      tail = &r->next;
    }
  }
}

void mod_neighbour_conection(arena& memory, node* n, neighbour* nb, conection_entry* e) {
  const element_kind* kind = element_kind_of(e->conection->type);
  switch (kind != nullptr ? kind->planes : plane_lists::none) {
    case plane_lists::backward: mod_cap_conection(memory, n, nb, e, false); break;
    case plane_lists::central: mod_cap_conection(memory, n, nb, e, true); break;
    case plane_lists::inductor_explicit: mod_ind_conection(memory, n, nb, e, false); break;
    case plane_lists::inductor_trap: mod_ind_conection(memory, n, nb, e, true); break;
    case plane_lists::earlier_control: mod_igen_conection(memory, e); break;
    case plane_lists::terminals_backward: mod_terminals_conection(memory, e, false); break;
    case plane_lists::terminals_central: mod_terminals_conection(memory, e, true); break;
    default: fatal("error, mod_neighbour_conection: element type not recognised\n");
  }
}

namespace {

int plane_lists_of(int32_t type) {
  const element_kind* kind = element_kind_of(type);
  return kind != nullptr ? kind->planes : plane_lists::none;
}

}  // namespace

// A node whose previous plane lies strictly inside the window takes its
// history from the plane before the first listed node's plane instead: the
// element hands that node's state over, like a switch closing in the window.
void mod_window_conection(node* n, conection_entry* e) {
  const double start = find_attribute(e->conection, attr::window_start)->value;
  const double end = find_attribute(e->conection, attr::window_end)->value;
  const double t = find_value(n->prev_plane->params, param_id::plane_time)->value;
  if (!(start < t && t < end)) return;
  node* old_prev = n->prev_plane;
  node* new_prev = e->nodes->node->prev_plane;
  n->prev_plane = new_prev;
  for (neighbour* nb : each(n->neighbours)) {
    for (conection_entry* entry : each(nb->conections)) {
      for (node_ref* r : each(entry->nodes)) {
        if (r->node == old_prev) r->node = new_prev;
      }
    }
  }
}

void extend_node_lists(circuit* c) {
  // The window relinks come first, so that every list extended below sees the
  // final previous planes whatever the order of the nodes in the chain.
  // Plane 0 tells whether there is any to make.
  const bool relinks = planes_carry_type(c, conection_type::window_switch);
  for (node* n : relinks ? each(c->nodes) : each<node>(nullptr)) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        if (plane_lists_of(e->conection->type) == plane_lists::window_relink) {
          mod_window_conection(n, e);
        }
      }
    }
  }
  for (node* n : each(c->nodes)) extend_lists_of(*c->memory, n);
}

bool extends_node_list(int32_t type) {
  const int planes = plane_lists_of(type);
  return (planes != plane_lists::none && planes != plane_lists::window_relink) ||
         unknown_time_difference_code(type);
}

void extend_lists_of(arena& memory, node* n) {
  for (neighbour* nb : each(n->neighbours)) {
    for (conection_entry* e : each(nb->conections)) {
      if (extends_node_list(e->conection->type)) mod_neighbour_conection(memory, n, nb, e);
    }
  }
}

}  // namespace pss
