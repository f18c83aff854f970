// Where every Jacobian entry of an assembly goes, resolved once per matrix.
//
// The first assembly of a solve records, for each element-model call in the
// walk's order, the column of each entry it returns and the place of that
// value in the matrix's block. Later assemblies add each value at its place
// after checking the column against the record; an entry that differs from
// the record (a model whose entries depend on the present values) is placed
// by the search instead, so the map is a shortcut and never a different
// answer.
#pragma once

#include <cstdint>
#include <vector>

#include "model/circuit.h"
#include "sparse/matrix.h"

namespace pss {

// The calls of one stretch of the walk: per call its first entry (one more
// at the end), per entry the column it was recorded with and its place in
// doubles from the matrix record. On cache lines of its own: the two
// halves of a split recording grow their records side by side.
struct alignas(64) assembly_record {
  std::vector<uint32_t> call_first;
  std::vector<int32_t> cols;
  std::vector<uint32_t> places;
};

struct assembly_map {
  // A large circuit whose every row is assembled from its own node's walk
  // (no twins, which share their representative's rows) is assembled on two
  // threads, split at this node of the chain: `lower` records the calls
  // before it, `upper` those from it on and the global rows'. Otherwise
  // `lower` records every call.
  node* split_node = nullptr;
  assembly_record lower;
  assembly_record upper;
  int64_t searched = 0;  // entries placed by search since recording
};

// Assembles as assem_mat_res does and records the map for `m`; on two
// threads for a large circuit without junction models (whose states are
// made on their first evaluation).
void assem_mat_res_recording(circuit* c, matrix* m, real_vector* residual, assembly_map& map);

// Assembles through the map recorded for `m`; allocates nothing but, for a
// large circuit, a second thread.
void assem_mat_res_mapped(circuit* c, matrix* m, real_vector* residual, assembly_map& map);

}  // namespace pss
