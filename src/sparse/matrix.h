// The sparse Newton matrix, its vectors, the block registry its memory lives
// in, and the direct solve: the whole interface of the sparse subsystem.
//
// The pattern is symmetric and the values are not: row k holds its diagonal
// and one entry per coupled unknown j < k, and that entry carries both
// mirror elements, A[k][j] (`lower`) and A[j][k] (`upper`). Row k is the
// equation of the unknown whose dvar `number` is k.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/circuit.h"

namespace pss {

struct matrix_entry {
  double upper;  // A[col][row], above the diagonal
  double lower;  // A[row][col], below the diagonal
  int32_t col;
};

// `entries` holds `count` entries in strictly ascending `col`, every `col`
// below the row's own number; null when `count` is 0.
struct matrix_row {
  double diag;
  matrix_entry* entries;
  int32_t count;
};

struct matrix {
  matrix_row* rows;
  int32_t n;
};

struct real_vector {
  double* values;
  int32_t count;
};

// Numbers every unknown dvar of the circuit (node chain order, twinned nodes
// skipped, group order, dvar order; the period last when it is an unknown)
// and builds the pattern with all values 0.0. Returns nullptr, printing
// nothing, when the circuit has no unknowns.
matrix* matrix_create(circuit* c);

// Releases the registered block whose base is `address` (for a matrix: the
// matrix with its rows and entries). Any other address, nullptr included,
// stops the run.
void mat_free(void* address);

// Sets every value to 0.0; columns and counts stay.
void matrix_zero(matrix* m);

real_vector* vector_create(int32_t n);  // n zeros
void vector_zero(real_vector* v);
void vector_free(real_vector* v);

// With key nullptr: a new zero-filled block of `size` bytes, entered in the
// registry; returns its base (the first carve from it returns the base too).
// With a key: carves `size` bytes from the front of the block whose base is
// the key. nullptr when the key is unknown, the block cannot be had, or the
// carve does not fit.
void* block_alloc(void* key, std::size_t size);

// True for the conection types whose entries' `nodes` name further nodes
// that the element model reads: type > 500, 62 and 50.
bool uses_node_list(const conection* con);

// The row's entry for column `col`, or nullptr.
matrix_entry* find_ele(matrix_row* row, int32_t col);

// Adds `value` to element (row, col). A negative col (a fixed quantity) is
// dropped; an element outside the pattern stops the run.
void add_ele_to_matrix(int32_t row, int32_t col, double value, matrix* m);

// The profile copy: row i with entries holds every column from its first
// sparse column to i - 1, zeros in the gaps. nullptr for a matrix without
// rows. Released with mat_free.
matrix* matrix_expand_full(const matrix* m);

// Crout factorisation of a profile copy in place, without pivoting:
// diag = L[i][i], lower = L[i][j], upper = U[j][i] (U has a unit diagonal).
void matrix_factor(matrix* expanded);

// Forward and back substitution with a factorised profile copy; b becomes x.
void matrix_substitute(const matrix* expanded, real_vector* b);

// Solves m · x = b; b becomes x and m is left unchanged.
void matrix_solve(const matrix* m, real_vector* b);

}  // namespace pss
