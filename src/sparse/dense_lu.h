// LU factors of small dense complex matrices, for the harmonics of a
// circuit of a few unknowns: there a general sparse LU spends more on its
// own bookkeeping per harmonic than on the arithmetic.
#pragma once

#include <complex>
#include <cstdint>

namespace pss {

// Factorises the size × size matrix `a` (row by row) in place with partial
// pivoting: U on and above the diagonal, L's multipliers below it (its unit
// diagonal not stored), and pivot[k] the row taken into place k at step k.
// A column with no nonzero candidate keeps its zero pivot, and a solve with
// it gives infinities, as a singular system must.
void dense_lu_factor(std::complex<double>* a, int32_t* pivot, int32_t size);

// Solves A x = b with the factors of dense_lu_factor, x replacing b.
void dense_lu_solve(const std::complex<double>* a, const int32_t* pivot, int32_t size,
                    std::complex<double>* b);

}  // namespace pss
