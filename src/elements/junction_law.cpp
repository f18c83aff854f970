// The SPICE level-1 junction law (types 210 and 211), at the junction
// voltage v = V(anode) - V(cathode) in volts:
//   static current  id = IS (exp(v / (N Vt)) - 1) + GMIN v,        A
//   with BV > 0, below the knee -BVe, BVe = BV - N Vt ln(IBV / IS),
//                   id -= IS (exp(-(BVe + v) / (N Vt)) - 1)
//   charge          q = TT (id - GMIN v) + qj(v),                  C
//   depletion       qj = CJO VJ (1 - (1 - v/VJ)^(1-M)) / (1 - M)   for v < FC VJ,
//                   continued by SPICE's quadratic above FC VJ, so that
//                   cj = dqj/dv = CJO (1 - v/VJ)^-M stays finite there.
// Vt = kT/q at 27 degrees C. Positive current flows from anode to cathode
// through the junction. BV = 0 means no breakdown.
#include <cmath>

#include "elements/models.h"

namespace pss {

void junction_depletion(double cj0, double vj, double m, double fc, double v, double& q,
                        double& c) {
  if (cj0 == 0) return;
  const double knee = fc * vj;
  if (v < knee) {
    const double s = 1 - v / vj;
    q += cj0 * vj * (1 - std::pow(s, 1 - m)) / (1 - m);
    c += cj0 * std::pow(s, -m);
    return;
  }
  const double f1 = vj * (1 - std::pow(1 - fc, 1 - m)) / (1 - m);
  const double f2 = std::pow(1 - fc, 1 + m);
  const double f3 = 1 - fc * (1 + m);
  q += cj0 * f1 + cj0 / f2 * (f3 * (v - knee) + m / (2 * vj) * (v * v - knee * knee));
  c += cj0 / f2 * (f3 + m * v / vj);
}

junction_card read_junction_card(const conection* con) {
  junction_card d{1e-14, 1.0, 0.0, 1.0, 0.5, 0.5, 0.0, 0.0, 1e-3};
  bool seen[9] = {};
  for (const tagged_value* at : each(con->attributes)) {
    const int32_t i = at->tag - attr::junction_is;
    if (i < 0 || i > 8 || seen[i]) continue;
    seen[i] = true;
    double* fields[9] = {&d.is, &d.n, &d.cjo, &d.vj, &d.m, &d.fc, &d.tt, &d.bv, &d.ibv};
    *fields[i] = at->value;
  }
  return d;
}

junction_point junction_law(const junction_card& d, double v) {
  const double nvt = d.n * spice_thermal_voltage;
  const double e = std::exp(v / nvt);
  double id = d.is * (e - 1);
  double gd = d.is * e / nvt;
  if (d.bv > 0) {
    const double bve = d.bv - nvt * std::log(d.ibv / d.is);
    if (v < -bve) {
      const double r = std::exp(-(bve + v) / nvt);
      id -= d.is * (r - 1);
      gd += d.is * r / nvt;
    }
  }
  junction_point p{id + junction_gmin * v, gd + junction_gmin, d.tt * id, d.tt * gd};
  junction_depletion(d.cjo, d.vj, d.m, d.fc, v, p.charge, p.capacitance);
  return p;
}

}  // namespace pss
