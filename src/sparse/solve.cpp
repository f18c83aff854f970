// matrix_solve: one direct solve of A·x = b on a fresh profile copy, so the
// assembled sparse matrix keeps its values.
#include "sparse/solve.h"

namespace pss {

void matrix_solve(const matrix* m, real_vector* b) {
  matrix* expanded = matrix_expand_full(m);
  if (expanded == nullptr) return;
  matrix_factor(expanded);
  matrix_substitute(expanded, b);
  mat_free(expanded);
}

}  // namespace pss
