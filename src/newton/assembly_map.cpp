// The recording and the mapped assembly. A place is counted in doubles from
// the matrix record, which heads the one block that holds the rows and the
// entries; every value in that block lies on a multiple of 8 bytes.
#include "newton/assembly_map.h"

#include <algorithm>
#include <cstddef>
#include <limits>

#include "elements/element_kinds.h"
#include "newton/assembly_walk.h"
#include "planes/plane_walk.h"
#include "support/fatal.h"
#include "support/side_by_side.h"

namespace pss {

namespace {

// The place of an entry whose column is a fixed quantity: nothing is added.
constexpr uint32_t dropped = std::numeric_limits<uint32_t>::max();

double* block_doubles(matrix* m) {
  return reinterpret_cast<double*>(m);
}

uint32_t place_of(matrix* m, double* value) {
  const std::ptrdiff_t at = value - block_doubles(m);
  if (at < 0 || at >= static_cast<std::ptrdiff_t>(dropped)) out_of_memory();
  return static_cast<uint32_t>(at);
}

struct recording_sink {
  matrix* m;
  assembly_record& record;

  void begin_call() { record.call_first.push_back(static_cast<uint32_t>(record.cols.size())); }

  // Adds as add_ele_to_matrix does, with its stop for an entry outside the
  // pattern, and records where the value went.
  void add(int32_t row, int32_t col, double value) {
    uint32_t place = dropped;
    if (col == row) {
      m->rows[row].diag += value;
      place = place_of(m, &m->rows[row].diag);
    } else if (col >= 0) {
      const int32_t high = std::max(row, col);
      const int32_t low = std::min(row, col);
      matrix_entry* e = find_ele(&m->rows[high], low);
      if (e == nullptr) fatal("error, add_ele_to_matrix: ele[%d, %d] not found\n", high, low);
      double& at = row > col ? e->lower : e->upper;
      at += value;
      place = place_of(m, &at);
    }
    record.cols.push_back(col);
    record.places.push_back(place);
  }
};

// From this many unknowns on, the mapped assembly runs on two threads.
constexpr int32_t smallest_split_assembly = 20000;

// On a cache line of its own: two sinks work side by side on two threads,
// and sharing a line would make each write of one wait for the other
// (each half took as long as the whole assembly).
struct alignas(64) mapped_sink {
  matrix* m;
  const assembly_record& record;
  double* base;
  std::size_t call = 0;
  uint32_t at = 0;
  uint32_t end = 0;
  int64_t searched = 0;  // entries placed by search

  void begin_call() {
    if (call + 1 >= record.call_first.size()) {  // more calls than recorded
      at = end = 0;
      return;
    }
    at = record.call_first[call];
    end = record.call_first[call + 1];
    ++call;
  }

  void add(int32_t row, int32_t col, double value) {
    if (at < end && record.cols[at] == col) {
      const uint32_t place = record.places[at++];
      if (place != dropped) base[place] += value;
      return;
    }
    at = end;  // the rest of this call no longer follows the record
    ++searched;
    add_ele_to_matrix(row, col, value, m);
  }
};

// Where a large circuit's walk is split between two threads: plane 0 of
// its middle node, so that each node's planes (whose junctions a
// charge-storing diode evaluates from its neighbouring planes) stay on one
// thread; nullptr when it is not split. Not with twins, which add into
// their twin's rows, nor with windowed switches, which link a plane to
// another node's ring. Plane 0 answers for every plane.
node* split_point(const matrix* m, const std::vector<node*>& first) {
  if (m->n < smallest_split_assembly || first.size() < 2) return nullptr;
  for (node* n : first) {
    if (n->twin != nullptr) return nullptr;
  }
  if (nodes_carry(first, [](int32_t type) { return type == conection_type::window_switch; })) {
    return nullptr;
  }
  return first[first.size() / 2];
}

void reserve(assembly_record& r, std::size_t stored) {
  r.call_first.reserve(stored + 1);
  r.cols.reserve(2 * stored);
  r.places.reserve(2 * stored);
}

struct recording_halves {
  circuit* c;
  real_vector* residual;
  node* split;
  recording_sink* lower;
  recording_sink* upper;
};

void record_lower(void* p) {
  auto* h = static_cast<recording_halves*>(p);
  assem_nodes_into(h->c, h->c->nodes, h->split, h->residual, *h->lower);
}

void record_upper(void* p) {
  auto* h = static_cast<recording_halves*>(p);
  assem_nodes_into(h->c, h->split, nullptr, h->residual, *h->upper);
}

void end_record(assembly_record& r) {
  r.call_first.push_back(static_cast<uint32_t>(r.cols.size()));
}

}  // namespace

void assem_mat_res_recording(circuit* c, matrix* m, real_vector* residual, assembly_map& map) {
  map = assembly_map{};
  // Room for as many calls and entries as a circuit of two-terminal
  // elements makes; more grow the arrays as usual. They are not shrunk
  // afterwards: that would copy them, and room never written costs no
  // memory.
  std::size_t stored = static_cast<std::size_t>(m->n);
  for (int32_t i = 0; i < m->n; ++i) stored += 2 * static_cast<std::size_t>(m->rows[i].count);
  const std::vector<node*> first =
      m->n >= smallest_split_assembly ? first_plane_nodes(c) : std::vector<node*>{};
  map.split_node = split_point(m, first);
  recording_sink lower{m, map.lower};
  if (map.split_node == nullptr) {
    reserve(map.lower, stored);
    assem_mat_res_into(c, residual, lower);
    end_record(map.lower);
    return;
  }
  start_side_by_side();
  reserve(map.lower, stored / 2 + 1);
  reserve(map.upper, stored / 2 + 1);
  recording_sink upper{m, map.upper};
  recording_halves halves{c, residual, map.split_node, &lower, &upper};
  // A junction model makes its state on its first evaluation, carved from
  // the circuit's arena, which one thread at a time may carve from.
  if (nodes_carry(first, keeps_junction_state)) {
    record_lower(&halves);
    record_upper(&halves);
  } else {
    run_side_by_side(record_lower, record_upper, &halves);
  }
  assem_globals_into(c, residual, upper);
  end_record(map.lower);
  end_record(map.upper);
}

void assem_mat_res_mapped(circuit* c, matrix* m, real_vector* residual, assembly_map& map) {
  mapped_sink lower{m, map.lower, block_doubles(m)};
  if (map.split_node == nullptr) {
    assem_mat_res_into(c, residual, lower);
    map.searched += lower.searched;
    return;
  }
  // Each row takes values from its own node's walk only, so the two halves
  // write disjoint values, each in the order of the walk of one thread.
  mapped_sink upper{m, map.upper, block_doubles(m)};
  struct halves {
    circuit* c;
    real_vector* residual;
    node* split;
    mapped_sink* lower;
    mapped_sink* upper;
  } work{c, residual, map.split_node, &lower, &upper};
  run_side_by_side(
      [](void* p) {
        auto* w = static_cast<halves*>(p);
        assem_nodes_into(w->c, w->c->nodes, w->split, w->residual, *w->lower);
      },
      [](void* p) {
        auto* w = static_cast<halves*>(p);
        assem_nodes_into(w->c, w->split, nullptr, w->residual, *w->upper);
      },
      &work);
  assem_globals_into(c, residual, upper);
  map.searched += lower.searched + upper.searched;
}

}  // namespace pss
