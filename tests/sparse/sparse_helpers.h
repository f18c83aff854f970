// Matrices for the sparse tests, built through the block registry the way
// matrix_create builds them, and read back as plain vectors.
#pragma once

#include <cstdint>
#include <vector>

#include "sparse/matrix.h"

namespace pss::test {

// Columns of every row, each strictly ascending and below the row.
using pattern = std::vector<std::vector<int32_t>>;

// A registered matrix with the pattern and all values 0.0; free with mat_free.
matrix* make_matrix(const pattern& columns);

pattern pattern_of(const matrix* m);

// Row-major dense n×n copy of the values.
std::vector<double> dense_of(const matrix* m);

// Every value of the matrix in storage order (diag, then each entry's upper
// and lower), for comparing a matrix before and after an operation.
std::vector<double> values_of(const matrix* m);

}  // namespace pss::test
