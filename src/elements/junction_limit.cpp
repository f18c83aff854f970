// Junction voltage limiting between Newton iterations, as SPICE does it
// (Nagel's pnjlim): above the critical voltage
//   vcrit = n Vt ln(n Vt / (sqrt(2) Is)),
// where the exponential's curvature makes a full Newton step overshoot, a
// forward step grows only logarithmically. Volts throughout; the state
// keeps the voltage last asked about and the value it was limited to, so
// every call of one assembly (both ends' rows, the neighbouring planes'
// charges) sees the same limited voltage; the next assembly limits afresh
// against it, even when asked the same voltage. Each limited evaluation is
// counted on the circuit, so that Newton does not take a step solved from
// a limited voltage for convergence.
#include <cmath>

#include "elements/models.h"

namespace pss {

double junction_critical_voltage(double is, double nvt) {
  return nvt * std::log(nvt / (std::sqrt(2.0) * is));
}

double pn_limit(double v_new, double v_old, double nvt, double vcrit) {
  if (v_new <= vcrit || std::fabs(v_new - v_old) <= 2 * nvt) return v_new;
  if (v_old <= 0) return nvt * std::log(v_new / nvt);
  const double arg = 1 + (v_new - v_old) / nvt;
  return arg > 0 ? v_old + nvt * std::log(arg) : vcrit;
}

// A solution read from a state file is evaluated as it stands on the first
// call, so that its currents are the law's. A first voltage further forward
// than vcrit + 10 n Vt, a current above e^10 / sqrt(2) n Vt (about 400 A
// at n = 1, whatever Is), is no converged solution but a start that pairs
// a source's plane values with another node's DC value; it is limited as
// from 0 V, since Newton would otherwise walk such a junction back down by
// only about n Vt an iteration.
constexpr double first_call_margin = 10;
constexpr double first_call_reverse_exponent = 80;

double limited_junction_voltage(circuit* c, junction_state& s, double v, double nvt, double vcrit,
                                double breakdown) {
  const int64_t assembly = c != nullptr ? c->assembly_serial : 0;
  if (s.known && s.asked == v && s.assembly == assembly) {
    if (c != nullptr && s.limited != v) count_limited(c);
    return s.limited;
  }
  const bool stored = c != nullptr && c->junctions_as_stored;
  if (!s.known && (stored || (v <= vcrit + first_call_margin * nvt &&
                              v >= -breakdown - first_call_reverse_exponent * nvt))) {
    s = {true, v, v, assembly};
    return v;
  }
  const double old = s.known ? s.limited : 0.0;
  double lim = pn_limit(v, old, nvt, vcrit);
  // Past the breakdown knee the reverse exponential is limited alike.
  if (breakdown > 0 && v < -breakdown && lim == v)
    lim = -breakdown - pn_limit(-(v + breakdown), -(old + breakdown), nvt, vcrit);
  s = {true, v, lim, assembly};
  if (c != nullptr && lim != v) count_limited(c);
  return lim;
}

junction_state& junction_of(circuit* c, conection_entry* e, int k, bool handed_over) {
  if (e->junctions == nullptr) e->junctions = arena_array<junction_state>(*c->memory, 4);
  return e->junctions[(k > 0 ? 1 : 0) + (handed_over ? 2 : 0)];
}

}  // namespace pss
