// Plane times are fractions of the period computed as j / N; they are
// compared with a small tolerance, never for exact equality.
#pragma once

namespace pss {

constexpr double time_tolerance = 1e-15;

inline bool tol_less(double a, double b) {
  return a < b - time_tolerance;
}

inline bool tol_differs(double a, double b) {
  return a < b - time_tolerance || a > b + time_tolerance;
}

}  // namespace pss
