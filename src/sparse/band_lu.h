// LU factors of complex band matrices, for the harmonics of a circuit whose
// unknowns couple only to near neighbours in their numbering (a ladder, a
// line): there the band's arithmetic is a few multiply-adds per unknown,
// less than a general sparse LU spends on its bookkeeping.
#pragma once

#include <complex>
#include <cstdint>

namespace pss {

// The shape of an n × n band matrix with `lower` diagonals below the main
// one and `upper` above it, stored column by column with `lower` extra rows
// on top for the fill that row exchanges bring into U: element (i, j),
// |i − j| within the band, is at [(lower + upper + i − j) + j · rows()].
struct band_shape {
  int32_t n = 0;
  int32_t lower = 0;
  int32_t upper = 0;

  int32_t rows() const { return 2 * lower + upper + 1; }
  std::size_t size() const {
    return static_cast<std::size_t>(rows()) * static_cast<std::size_t>(n);
  }
  std::size_t at(int32_t i, int32_t j) const {
    return static_cast<std::size_t>(lower + upper + i - j) +
           static_cast<std::size_t>(j) * static_cast<std::size_t>(rows());
  }
};

// Factorises the band matrix `a` (shape s, the fill rows zero) in place
// with partial pivoting: U in the upper lower + upper diagonals, the
// reciprocals of its pivots on the main one (a solve then multiplies), L's
// multipliers below, and pivot[j] the row exchanged with row j at step j.
// A column with no nonzero candidate has a non-finite reciprocal, and a
// solve with it gives non-finite values, as a singular system must.
void band_lu_factor(const band_shape& s, std::complex<double>* a, int32_t* pivot);

// Solves A x = b with the factors of band_lu_factor, x replacing b.
void band_lu_solve(const band_shape& s, const std::complex<double>* a, const int32_t* pivot,
                   std::complex<double>* b);

}  // namespace pss
