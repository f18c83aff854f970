// The characteristic polynomial shared by the nonlinear resistor (R of its
// control voltage, ohms of volts) and the polynomial capacitance (C of its
// voltage, farads of volts).
//
// The attributes after the starting one are, in list order: an optional
// lower limit (id 5) and, only right after it, an upper limit (id 6); the
// constant term c0; then the terms c_j * x^j for j = 1, 2, ... The power of
// a term is its position, but the slope multiplies c_j by the term's id, so
// the slope is the true derivative only when the ids run 1, 2, 3, ...
// Outside the limits the polynomial is continued as a straight line with
// the slope it has at the limit, which keeps Newton steps from wandering
// into the polynomial's wild ends.
#include <cmath>

#include "elements/models.h"

namespace pss {

clamped_point clamp_to_limits(const tagged_value* start, double x) {
  const tagged_value* at = start->next;
  double lo = 0.0;
  double hi = 2.0 * std::fabs(x);  // no upper limit unless one is given
  if (at != nullptr && at->tag == attr::poly_lower_limit) {
    lo = at->value;
    at = at->next;
    if (at != nullptr && at->tag == attr::poly_upper_limit) {
      hi = at->value;
      at = at->next;
    }
  }
  if (x < lo) return {lo, x - lo, at};
  if (x > hi) return {hi, x - hi, at};
  return {x, 0.0, at};
}

double poly_characteristic(const tagged_value* start, double x, double* slope) {
  const clamped_point p = clamp_to_limits(start, x);
  double value = p.rest->value;  // c0
  double slope_here = 0.0;
  double power = 1.0;  // xc^(j-1) on entry to term j
  for (const tagged_value* term = p.rest->next; term != nullptr; term = term->next) {
    slope_here += term->value * term->tag * power;
    power *= p.x;
    value += term->value * power;
  }
  *slope += slope_here;
  if (p.excess != 0.0) value += p.excess * slope_here;
  return value;
}

double poly_characteristic_oriented(const tagged_value* start, double x, double* slope,
                                    const dvar* nb_dvar, const dvar* orientation) {
  const bool from_other_end = nb_dvar == orientation;
  double slope_here = 0.0;
  const double value = poly_characteristic(start, from_other_end ? -x : x, &slope_here);
  *slope += from_other_end ? -slope_here : slope_here;
  return value;
}

}  // namespace pss
