// The circuit model: the one in-memory form of the network that every part
// of the solver reads and changes.
//
// Plain records joined by pointers and singly linked lists. Every list keeps
// the order in which its entries were read or appended, and every search
// returns the first match in that order. All records are zero-filled when
// made, so an absent list or link is a null pointer. Everything is carved
// from the network's arena and lives until the network goes.
#pragma once

#include <cstdint>

#include "model/arena.h"

namespace pss {

// One (tag, value) pair of a list. Serves as a param (tag = param id), an
// attribute (tag = attribute id) and a Jacobian entry of an element model
// (tag = column, possibly negative).
struct tagged_value {
  int32_t tag;
  double value;
  tagged_value* next;
};

// One quantity the Newton system may solve for. `number` >= 0 marks an
// unknown (its equation number once the matrix is made); -1 a fixed
// (Dirichlet) value; -2 the period while held fixed for the frequency runs.
struct dvar {
  int32_t number;
  double value;
  dvar* next;
};

// The dvars of one kind of quantity, one per solution slot (slot k is the
// k-th dvar). Never empty. Id 20: the period (a global dvar); id 21: a
// node voltage.
struct dvar_group {
  int32_t id;
  dvar* dvars;
  dvar_group* next;
};

struct node;
struct junction_state;

struct node_ref {
  struct node* node;
  node_ref* next;
};

// One circuit element as seen from one of its nodes. `name` holds `name_len`
// bytes as stored in the network file, without a terminator.
struct conection {
  int32_t id;
  int32_t type;
  int32_t name_len;
  char* name;
  tagged_value* attributes;
};

// A conection with the nodes its element model refers to.
struct conection_entry {
  struct conection* conection;
  node_ref* nodes;
  conection_entry* next;
  // What a junction model keeps between Newton iterations (its limited
  // voltage), one per solution slot (three, vgs, vds and vbs, for a MOS
  // channel); null until the model first runs.
  junction_state* junctions;
};

// One adjacency of a node: every element between it and `node`.
struct neighbour {
  struct node* node;
  conection_entry* conections;
  neighbour* next;
};

// One node in one time plane. Nodes that share a twin's groups act as one
// electrical node; the end of a twin chain (twin == nullptr) owns the
// equation numbers.
struct node {
  int32_t index;
  tagged_value* params;  // param 0: the plane's time as a fraction of the period
  dvar_group* dvar_groups;
  neighbour* neighbours;
  node* next;  // node chain, in ascending index order
  node* prev;
  node* next_plane;  // the same node in the next and previous time plane
  node* prev_plane;
  node* twin;
};

struct circuit {
  int32_t planes;
  int32_t nodes_per_plane;
  int32_t dvars_per_node;      // solution slots: 1, or 2 in double-dvar mode
  tagged_value* params;        // param 4: the period offset of slot 1
  dvar_group* global_dvars;    // group 20: the period T = 1/f
  conection_entry* nodelists;  // the first carries the dV/df attribute 87
  node* nodes;
  arena* memory;  // where records added later (plane copies) are carved
  // Where a second thread carves its share of the plane copies; null when
  // there is none to carve from, and the copies are made on one thread.
  arena* second_memory = nullptr;
  // Set where a stored solution is only evaluated (pss-wave's currents):
  // every junction is taken where the solution puts it, never limited.
  bool junctions_as_stored = false;
  // Evaluations whose junction or channel voltages were limited, counted by
  // the models: a Newton step from a limited voltage is no sign of
  // convergence, however small.
  int64_t limited_evaluations = 0;
  // Counts the assemblies: a junction's limited voltage is reused for the
  // same voltage only within the assembly it was limited in, so that a
  // voltage asked again in the next iteration is limited afresh against it.
  int64_t assembly_serial = 0;
};

struct network {
  int32_t circuit_count = 0;
  struct circuit* circuit = nullptr;  // the record read last
  arena memory;
  // The records a second thread carves, on cache lines of their own: the
  // two arenas' cursors move side by side.
  alignas(64) arena second_memory;
};

// Iteration over a null-terminated singly linked list:
//   for (neighbour* nb : each(n->neighbours)) ...
template <class T>
struct list_range {
  T* head;

  struct iterator {
    T* item;
    T* operator*() const { return item; }
    iterator& operator++() {
      item = item->next;
      return *this;
    }
    bool operator!=(const iterator& other) const { return item != other.item; }
  };

  iterator begin() const { return {head}; }
  iterator end() const { return {nullptr}; }
};

template <class T>
list_range<T> each(T* head) {
  return {head};
}

}  // namespace pss
