// The direct solve of one Newton step: profile copy (expand.cpp, or the
// renumbered copy of ordering.cpp), Crout factorisation (factor.cpp),
// substitution (substitute.cpp). matrix_solve is declared with the rest of
// the sparse interface in matrix.h.
#pragma once

#include "sparse/matrix.h"

namespace pss {

// matrix_solve without renumbering: the profile in the equations' own
// order. For comparisons; matrix_solve chooses the cheaper order itself.
void matrix_solve_in_own_order(const matrix* m, real_vector* b);

}  // namespace pss
