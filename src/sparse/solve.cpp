// matrix_solve: one direct solve of A·x = b with a solver set up for this
// call alone, so the assembled sparse matrix keeps its values. The Newton
// iteration keeps its solver for the whole solve instead.
#include "sparse/solve.h"

#include "sparse/linear_solver.h"

namespace pss {

void matrix_solve_in_own_order(const matrix* m, real_vector* b) {
  matrix* expanded = matrix_expand_full(m);
  if (expanded == nullptr) return;
  matrix_factor(expanded);
  matrix_substitute(expanded, b);
  mat_free(expanded);
}

void matrix_solve(const matrix* m, real_vector* b) {
  linear_solver* s = linear_solver_create(m, false);
  linear_solver_factor(s, m);
  linear_solver_substitute(s, b);
  linear_solver_free(s);
}

}  // namespace pss
