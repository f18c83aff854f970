// A symmetric renumbering of the equations for the linear solve only, which
// narrows the profile the factorisation works in.
//
// In the circuit's own numbering the copies of one node in all time planes
// stand together, so every coupling between two nodes spans about N rows and
// the profile grows with the square of the plane count. Renumbered by
// reverse Cuthill-McKee the time-plane rings become bands a few nodes wide.
// The last equation stays last: when the period is an unknown it is the
// period equation, which alone fixes the phase of an oscillator's solution
// and must close the elimination.
#pragma once

#include <cstdint>
#include <vector>

#include "sparse/matrix.h"

namespace pss {

// The pattern as an adjacency list, both directions, without the diagonal
// and without the equation `left_out` (-1: none).
struct adjacency {
  std::vector<int32_t> start;  // n + 1 offsets
  std::vector<int32_t> next;
};
adjacency adjacency_of(const matrix* m, int32_t left_out);

struct equation_order {
  std::vector<int32_t> old_of_new;
  std::vector<int32_t> new_of_old;
};

// Reverse Cuthill-McKee on the matrix's pattern, the last equation kept last
// unless `keep_last` is false (a bordered system's leading block, whose
// last equation is like any other).
equation_order narrow_profile_order(const matrix* m, bool keep_last = true);

// The factorisation's work in a numbering (sum of squared profile widths);
// nullptr: the matrix's own numbering.
double profile_work(const matrix* m, const equation_order* order);

// The first (lowest) column of every row of the profile in a numbering
// (nullptr: the matrix's own); a row without entries has its own number.
std::vector<int32_t> first_columns(const matrix* m, const equation_order* order);

// The profile copy of the renumbered matrix P·A·Pᵀ, in a registered block.
matrix* matrix_expand_ordered(const matrix* m, const equation_order& order);

// The profile copy's layout, every value 0.0: row i holds the columns
// first[i] … i - 1. Released with mat_free.
matrix* profile_layout(const matrix* m, const std::vector<int32_t>& first);

// Copies m's values into its profile copy laid out with `first` (in the
// numbering `order`, nullptr for m's own), zeros in the gaps.
void profile_refill(matrix* expanded, const matrix* m, const std::vector<int32_t>& first,
                    const equation_order* order);

}  // namespace pss
