// The plane copies of every node, their rings, the renumbered chain and the
// twinning dialogue.
#include <cstdio>

#include "model/lookups.h"
#include "planes/expand.h"
#include "planes/time_tolerance.h"
#include "support/console.h"
#include "support/fatal.h"

namespace pss {

namespace {

dvar_group* copy_groups(arena& memory, const dvar_group* groups) {
  dvar_group* first = nullptr;
  dvar_group** tail_group = &first;
  for (const dvar_group* g = groups; g != nullptr; g = g->next) {
    dvar_group* copy = arena_new<dvar_group>(memory);
    copy->id = g->id;
    dvar** tail = &copy->dvars;
    for (const dvar* d = g->dvars; d != nullptr; d = d->next) {
      dvar* dc = arena_new<dvar>(memory);
      dc->number = d->number;
      dc->value = d->value;
      *tail = dc;
      tail = &dc->next;
    }
    *tail_group = copy;
    tail_group = &copy->next;
  }
  return first;
}

void twin_with(node* n, node* partner) {
  n->twin = partner;
  n->dvar_groups = partner->dvar_groups;
}

// The node of `twin`'s ring whose plane lies `offset` of the period before
// `n`'s plane (0 or 0.5). Searches back along prev_plane from the twin once
// round the ring; nullptr when no plane lies at that offset.
node* partner_at(node* n, node* twin, double offset, int planes) {
  node* x = twin;
  for (int step = 0; step < planes; ++step) {
    if (!tol_differs(plane_time_diff(n, x), offset)) return x;
    x = x->prev_plane;
  }
  return nullptr;
}

node* half_period_partner(node* n, node* twin, int planes, int index_as_read) {
  node* x = partner_at(n, twin, 0.5, planes);
  if (x == nullptr) {
    fatal(
        "error, expand_time_planes: twinning option 3 for node[%d] needs a plane half a "
        "period away, and %d time planes have none (use an even number)\n",
        index_as_read, planes);
  }
  return x;
}

int ask_twinning_option(const node* x, const node* twin) {
  say("Twin nodes[%d,%d]: option?\n 0) undo twinning\n 1) t=0 twinning\n", x->index, twin->index);
  say(" 2) t=0 & t=0.5 twinning\n");
  say(" 3) t, t-0.5 twinning\n");
  return read_int("twinning option");
}

// The copy of plane k + 1 of node `x` as read.
node* make_copy(circuit* c, node* x, int k, int option, dvar_group* groups, int index_as_read) {
  const int planes = c->planes;
  node* y = arena_new<node>(*c->memory);
  y->params = arena_new<tagged_value>(*c->memory);
  y->params->tag = 0;
  y->params->value = static_cast<double>(k + 1) / static_cast<double>(planes);
  if (x->twin == nullptr || option <= twin_option::at_zero) {
    y->dvar_groups = copy_groups(*c->memory, groups);
  } else if (option == twin_option::at_zero_half) {
    if (k == (planes - 1) / 2) {
      node* same_time = partner_at(y, x->twin, 0.0, planes);
      twin_with(y, same_time);
    } else {
      y->dvar_groups = copy_groups(*c->memory, groups);
    }
  } else if (option == twin_option::half_period) {
    twin_with(y, half_period_partner(y, x->twin, planes, index_as_read));
  } else {
    fatal("unrecognised twinning option\n");
  }
  return y;
}

}  // namespace

void expand_node_planes(circuit* c, int twinning) {
  const int planes = c->planes;
  int32_t counter = 0;
  node* x = c->nodes;
  while (x != nullptr) {
    const int index_as_read = x->index;
    int option = twin_option::at_zero;
    if (x->twin != nullptr) {
      option = twinning == ask_twinning ? ask_twinning_option(x, x->twin) : twinning;
    }
    dvar_group* groups = x->dvar_groups;
    node* next_as_read = x->next;
    node* cur = x;
    for (int k = 0; k + 1 < planes; ++k) {
      cur->index = counter++;
      node* y = make_copy(c, x, k, option, groups, index_as_read);
      cur->next = y;
      cur->next_plane = y;
      y->prev = cur;
      y->prev_plane = cur;
      cur = y;
    }
    if (x->twin != nullptr && option == twin_option::half_period) {
      twin_with(x, half_period_partner(x, x->twin, planes, index_as_read));
    } else if (x->twin != nullptr && option == twin_option::undo) {
      x->twin = nullptr;
      x->dvar_groups = copy_groups(*c->memory, groups);
    }
    cur->index = counter++;
    cur->next = next_as_read;
    if (next_as_read != nullptr) next_as_read->prev = cur;
    cur->next_plane = x;
    x->prev_plane = cur;
    x = next_as_read;
  }
}

}  // namespace pss
