// Junction diode (type 200): the current from anode L1 to the other end is
//   i = Is * (exp(a v) - 1),   v = V(anode) - V(cathode),
// for -0.5 V <= v <= 0.5 V, continued as a straight line outside that window
// so that Newton steps cannot overflow the exponential. With a breakdown
// voltage the reverse side bends again beyond B = -|attribute 203|, with its
// own exponent factor b. The row gets +i when the neighbour is the anode and
// -i when the row is. Is in amperes (attribute 201); a and b in 1/volt,
// 38.6815 (q/kT near 300 K) times attributes 205 and 204; conductances in
// siemens.
#include <cmath>

#include "elements/models.h"

namespace pss {

namespace {

constexpr double thermal_factor = 38.6815;  // q/kT near 300 K, per volt

struct diode_law {
  double is;
  double a;
  double b;
  const tagged_value* breakdown;
};

diode_law read_law(const conection* con) {
  diode_law law{0.0, thermal_factor, thermal_factor, nullptr};
  const tagged_value* is = nullptr;
  const tagged_value* a = nullptr;
  const tagged_value* b = nullptr;
  for (const tagged_value* at : each(con->attributes)) {
    switch (at->tag) {
      case attr::saturation_current: keep_first(is, at); break;
      case attr::exponent_factor: keep_first(a, at); break;
      case attr::breakdown_voltage: keep_first(law.breakdown, at); break;
      case attr::breakdown_factor: keep_first(b, at); break;
      default: break;
    }
  }
  law.is = is->value;
  if (a != nullptr) law.a = thermal_factor * a->value;
  if (b != nullptr) law.b = thermal_factor * b->value;
  return law;
}

// Exponential between -0.5 and +0.5 V, straight lines with the edge slopes
// outside; the edges belong to the exponential.
diode_point three_regions(const diode_law& d, double v) {
  if (v > 0.5) {
    const double e = std::exp(0.5 * d.a);
    const double g = d.a * d.is * e;
    return {d.is * (e - 1) + (v - 0.5) * g, g};
  }
  if (v < -0.5) {
    const double e = std::exp(-0.5 * d.a);
    const double g = d.a * d.is * e;
    return {d.is * (e - 1) + (v + 0.5) * g, g};
  }
  const double e = std::exp(d.a * v);
  const double g = d.a * d.is * e;
  return {d.is * (e - 1), g};
}

// Forward line above 0.5 V, exponential down to -1 V, reverse line down to
// Vx where the breakdown exponential takes over, and a last line below
// Vy = B - 0.5. Each region starts where the previous one's current ends.
diode_point five_regions(const diode_law& d, double v) {
  const double is = d.is;
  const double a = d.a;
  const double b = d.b;
  const double bv = -std::fabs(d.breakdown->value);
  const double i1 = is * (std::exp(0.5 * a) - 1);
  const double r1 = std::fabs(1 / (is * a * std::exp(0.5 * a)));
  const double i2 = is * (std::exp(-a) - 1);
  const double r2 = std::fabs(1 / (is * a * std::exp(-a)));
  const double vx = bv + (std::log(a / b) - a) / b;
  const double i3 = i2 + (vx + 1) / r2;
  const double vy = bv - 0.5;
  const double r4 = std::fabs(1 / (is * b * std::exp(0.5 * b)));
  if (v > 0.5) return {i1 + (v - 0.5) / r1, 1 / r1};
  if (v > -1) {
    const double e = std::exp(a * v);
    return {is * (e - 1), std::fabs(is * a * e)};
  }
  if (v > vx) return {i2 + (v + 1) / r2, 1 / r2};
  if (v > vy) {
    const double e = std::exp(b * (bv - v));
    return {i3 + i2 - is * (e - 1), std::fabs(is * b * e)};
  }
  const double i5 = i3 + i2 - is * (std::exp(0.5 * b) - 1);
  return {i5 + (v - vy) / r4, 1 / r4};
}

}  // namespace

diode_point diode_current(const conection* con, double v) {
  const diode_law law = read_law(con);
  return law.breakdown != nullptr ? five_regions(law, v) : three_regions(law, v);
}

// As a generator's control: gain times the diode current from C1 to C2,
// whichever of them is the anode (the first node of its list).
control_point diode_control(const conection_entry* control, const node* c1, double v12,
                            double gain) {
  const bool anode_is_c1 = control->nodes->node == c1;
  const diode_point d = diode_current(control->conection, anode_is_c1 ? v12 : -v12);
  return {gain * (anode_is_c1 ? d.current : -d.current), gain * d.conductance};
}

double diode_res(const element_call& call, entry_list& out) {
  const bool row_is_anode = call.row == list_node(call.entry, 1);
  const double v = row_is_anode ? call.a->value - call.b->value : call.b->value - call.a->value;
  const diode_point p = diode_current(call.con, v);
  // Whichever end is the anode, the current into the row falls as V_row rises.
  append(out, call.a->number, p.conductance);
  append(out, call.b->number, -p.conductance);
  return row_is_anode ? -p.current : p.current;
}

}  // namespace pss
