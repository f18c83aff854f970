// matrix_solve: one direct solve of A·x = b on a fresh profile copy, so the
// assembled sparse matrix keeps its values. When renumbering the equations
// narrows the profile enough to pay for itself, the copy is made in that
// order and b and x are permuted to match.
#include "sparse/solve.h"

#include <vector>

#include "sparse/ordering.h"

namespace pss {

void matrix_solve_in_own_order(const matrix* m, real_vector* b) {
  matrix* expanded = matrix_expand_full(m);
  if (expanded == nullptr) return;
  matrix_factor(expanded);
  matrix_substitute(expanded, b);
  mat_free(expanded);
}

namespace {

// Below this the renumbering costs more than it can save.
constexpr int32_t smallest_renumbered = 64;

void solve_in_order(const matrix* m, const equation_order& order, real_vector* b) {
  matrix* expanded = matrix_expand_ordered(m, order);
  matrix_factor(expanded);
  const std::vector<int32_t>& old_of_new = order.old_of_new;
  std::vector<double> permuted(old_of_new.size());
  for (std::size_t i = 0; i < old_of_new.size(); ++i) permuted[i] = b->values[old_of_new[i]];
  real_vector x{permuted.data(), m->n};
  matrix_substitute(expanded, &x);
  for (std::size_t i = 0; i < old_of_new.size(); ++i) b->values[old_of_new[i]] = permuted[i];
  mat_free(expanded);
}

}  // namespace

void matrix_solve(const matrix* m, real_vector* b) {
  if (m == nullptr || m->n < smallest_renumbered) {
    matrix_solve_in_own_order(m, b);
    return;
  }
  const equation_order order = narrow_profile_order(m);
  if (2.0 * profile_work(m, &order) < profile_work(m, nullptr)) {
    solve_in_order(m, order, b);
  } else {
    matrix_solve_in_own_order(m, b);
  }
}

}  // namespace pss
