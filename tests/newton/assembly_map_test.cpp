// The mapped assembly against the plain one (each entry found by search),
// bit for bit, on a circuit large enough to be assembled on two threads.
#include "newton/assembly_map.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "elements/models.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "newton/newton.h"
#include "support/diode_ladder.h"

namespace pss {
namespace {

// Every diode as before its first evaluation, so that both assemblies
// limit from the same state.
void forget_junctions(circuit* c) {
  for (node* n : each(c->nodes)) {
    for (neighbour* nb : each(n->neighbours)) {
      for (conection_entry* e : each(nb->conections)) {
        if (e->junctions != nullptr) std::memset(e->junctions, 0, 4 * sizeof(junction_state));
      }
    }
  }
}

std::vector<double> values_of(const matrix* m, const real_vector* r) {
  std::vector<double> v(r->values, r->values + r->count);
  for (int32_t i = 0; i < m->n; ++i) {
    v.push_back(m->rows[i].diag);
    for (int32_t k = 0; k < m->rows[i].count; ++k) {
      v.push_back(m->rows[i].entries[k].lower);
      v.push_back(m->rows[i].entries[k].upper);
    }
  }
  return v;
}

// The values of the next assembly, by `assemble`, from junctions as
// before their first evaluation; and how many evaluations were limited.
template <class assembly>
std::vector<double> assembled(circuit* c, matrix* m, real_vector* r, int64_t* limited,
                              assembly&& assemble) {
  vector_zero(r);
  matrix_zero(m);
  forget_junctions(c);
  begin_assembly(c);
  assemble();
  *limited = c->limited_evaluations;
  return values_of(m, r);
}

bool same_bits(const std::vector<double>& a, const std::vector<double>& b) {
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// On 512 planes (20480 unknowns) both the recording and the mapped assembly
// are split; with diodes, whose states are made on their first evaluation,
// the recording runs its halves one after the other.
TEST(assembly_map, two_threads_assemble_what_one_walk_with_searches_does) {
  for (bool diodes : {false, true}) {
    for (int planes : {128, 512}) {
      SCOPED_TRACE(planes);
      SCOPED_TRACE(diodes);
      auto ladder = test::diode_ladder(planes, diodes);
      circuit* c = ladder->c;
      matrix* m = ladder->m;
      real_vector* r = vector_create(m->n);
      // Values away from the start, so that the diodes conduct and limit.
      int32_t k = 0;
      for (node* n : each(c->nodes)) {
        for (dvar* d : each(n->dvar_groups->dvars)) {
          if (d->number >= 0) d->value = 0.9 * std::sin(0.01 * ++k);
        }
      }
      assembly_map map;
      int64_t limited[3];
      const std::vector<double> plain =
          assembled(c, m, r, &limited[0], [&] { assem_mat_res(c, m, r); });
      const std::vector<double> recorded =
          assembled(c, m, r, &limited[1], [&] { assem_mat_res_recording(c, m, r, map); });
      EXPECT_EQ(map.split_node != nullptr, planes == 512);
      const std::vector<double> mapped =
          assembled(c, m, r, &limited[2], [&] { assem_mat_res_mapped(c, m, r, map); });
      EXPECT_TRUE(same_bits(plain, recorded));
      EXPECT_TRUE(same_bits(plain, mapped));
      EXPECT_EQ(limited[0], limited[1]);
      EXPECT_EQ(limited[0], limited[2]);
      EXPECT_EQ(limited[0] > 0, diodes);
      EXPECT_EQ(map.searched, 0);
      vector_free(r);
    }
  }
}

}  // namespace
}  // namespace pss
