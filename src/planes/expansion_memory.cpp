// Every plane copy repeats the records of the circuit as read, so the cost
// of one plane, counted record by record as the arena carves them, times
// the plane count is the cost of the expansion. The first matrix adds a
// row and its table slot and offset per unknown, and per coupling an entry
// and the (row, column) pair that finds it, in vectors that may hold twice
// what they use, with the sorted column beside them; the neighbours and node
// lists bound the couplings.
#include "planes/expansion_memory.h"

#include <cstddef>

#include "sparse/matrix.h"

namespace pss {

namespace {

// Every record is counted rounded up to this, as the arena once carved
// them. It now carves each at its own alignment, about a quarter less; the
// estimate is kept, a margin that leaves the refusals and the figures they
// quote as they were.
constexpr double record_alignment = alignof(std::max_align_t);

double carved(std::size_t size) {
  const double records =
      static_cast<double>((size + alignof(std::max_align_t) - 1) / alignof(std::max_align_t));
  return records * record_alignment;
}

// The node_refs the node-list extension puts in front of an entry's list,
// at most (a trapezoidal inductor's six).
constexpr int most_extension_refs = 6;

int length(const node_ref* refs) {
  int n = 0;
  for (; refs != nullptr; refs = refs->next) ++n;
  return n;
}

struct plane_cost {
  double records = 0.0;    // bytes carved from the arena
  double unknowns = 0.0;   // equations
  double couplings = 0.0;  // matrix entries, counted once per row
};

void add_node(plane_cost& cost, const node* n, int32_t dvars_per_node) {
  cost.records += carved(sizeof(node)) + carved(sizeof(tagged_value));  // param 0
  cost.records += sizeof(node*);  // the expansion's index table
  int unknowns = 0;
  for (const dvar_group* g = n->dvar_groups; g != nullptr; g = g->next) {
    cost.records += carved(sizeof(dvar_group));
    for (const dvar* d = g->dvars; d != nullptr; d = d->next) {
      cost.records += carved(sizeof(dvar));
      if (d->number >= 0) ++unknowns;
    }
  }
  if (n->twin == nullptr) cost.unknowns += unknowns;
  double reach = 0.0;  // nodes whose unknowns this node's rows couple to
  for (const neighbour* nb = n->neighbours; nb != nullptr; nb = nb->next) {
    cost.records += carved(sizeof(neighbour));
    reach += 1.0;
    for (const conection_entry* e = nb->conections; e != nullptr; e = e->next) {
      const bool extended = e->conection->type > 500 || e->conection->type == 62;
      const int refs = length(e->nodes) + (extended ? most_extension_refs : 0);
      cost.records += carved(sizeof(conection_entry)) + refs * carved(sizeof(node_ref));
      if (uses_node_list(e->conection)) reach += refs;
    }
  }
  // Each coupling stands in one row of the pair; both ends count it here.
  cost.couplings += reach * unknowns * dvars_per_node / 2.0 + unknowns;
}

}  // namespace

double expansion_bytes(const circuit* c, int64_t planes) {
  plane_cost cost;
  for (const node* n = c->nodes; n != nullptr; n = n->next) add_node(cost, n, c->dvars_per_node);
  const double per_plane = cost.records +
                           cost.unknowns * (sizeof(matrix_row) + 3 * sizeof(int32_t)) +
                           cost.couplings * (sizeof(matrix_entry) + 6 * sizeof(int32_t));
  return per_plane * static_cast<double>(planes);
}

}  // namespace pss
