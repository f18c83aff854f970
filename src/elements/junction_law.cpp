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

namespace {

void depletion(const junction_card& d, double v, double& q, double& c) {
  if (d.cjo == 0) return;
  const double knee = d.fc * d.vj;
  if (v < knee) {
    const double s = 1 - v / d.vj;
    q += d.cjo * d.vj * (1 - std::pow(s, 1 - d.m)) / (1 - d.m);
    c += d.cjo * std::pow(s, -d.m);
    return;
  }
  const double f1 = d.vj * (1 - std::pow(1 - d.fc, 1 - d.m)) / (1 - d.m);
  const double f2 = std::pow(1 - d.fc, 1 + d.m);
  const double f3 = 1 - d.fc * (1 + d.m);
  q += d.cjo * f1 + d.cjo / f2 * (f3 * (v - knee) + d.m / (2 * d.vj) * (v * v - knee * knee));
  c += d.cjo / f2 * (f3 + d.m * v / d.vj);
}

}  // namespace

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
  depletion(d, v, p.charge, p.capacitance);
  return p;
}

}  // namespace pss
