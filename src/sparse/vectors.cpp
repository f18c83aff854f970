// The right-hand side and solution vectors of the Newton system: one double
// per equation number, created zero with each solution and freed after it.
#include <algorithm>

#include "sparse/blocks.h"

namespace pss {

real_vector* vector_create(int32_t n) {
  auto* v = static_cast<real_vector*>(sparse_calloc_or_die(1, sizeof(real_vector)));
  const std::size_t count = static_cast<std::size_t>(std::max<int32_t>(n, 0));
  v->values = static_cast<double*>(sparse_calloc_or_die(count, sizeof(double)));
  v->count = static_cast<int32_t>(count);
  return v;
}

void vector_zero(real_vector* v) {
  std::fill_n(v->values, v->count, 0.0);
}

void vector_free(real_vector* v) {
  if (v == nullptr) return;
  sparse_free(v->values);
  sparse_free(v);
}

}  // namespace pss
