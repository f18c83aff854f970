// The Gummel-Poon bipolar transistor's law (types 220 to 224), as SPICE's
// BJT model means its parameters, at the intrinsic junction voltages
// vbe = V(B) - V(E) and vbc = V(B) - V(C) of an NPN, in volts:
//   forward, reverse    If = IS (exp(vbe / (NF Vt)) - 1),  Ir = IS (exp(vbc / (NR Vt)) - 1)
//   base charge         qb = q1 (1 + sqrt(1 + 4 q2)) / 2,
//                       q1 = 1 / (1 - vbc/VAF - vbe/VAR),  q2 = If/IKF + Ir/IKR
//   transport           It = (If - Ir) / qb,                        collector to emitter
//   base-emitter        Ibe = If/BF + ISE (exp(vbe / (NE Vt)) - 1) + GMIN vbe
//   base-collector      Ibc = Ir/BR + ISC (exp(vbc / (NC Vt)) - 1) + GMIN vbc
//   charges             Qbe = TF If/qb + qj(vbe; CJE, VJE, MJE, FC)  (TF If where vbe <= 0)
//                       Qbc = TR Ir + qj(vbc; CJC, VJC, MJC, FC)
// with qj the junction diode's depletion charge. A VAF, VAR, IKF or IKR of
// 0 is infinite. So the collector takes It - Ibc, the base Ibe + Ibc, the
// emitter -(It + Ibe). Amperes, coulombs, seconds; Vt = kT/q at 27 degrees
// C. SPICE's excess phase, base-resistance modulation and temperature
// terms are not part of the model; a PNP is an NPN with every voltage and
// current negated.
#include <algorithm>
#include <cmath>

#include "elements/models.h"

namespace pss {

namespace {

// IS (exp(v / nvt) - 1) and its slope.
struct exponential {
  double current;
  double slope;
};

exponential diode_exponential(double is, double v, double nvt) {
  if (is == 0) return {0, 0};
  const double e = std::exp(v / nvt);
  return {is * (e - 1), is * e / nvt};
}

double inverse_or_zero(double x) {
  return x != 0 ? 1 / x : 0.0;
}

}  // namespace

bipolar_card read_bipolar_card(const conection* con) {
  // SPICE's defaults: NPN, IS 1e-16 A, BF 100, BR 1, NE 1.5, NC 2, VJE and
  // VJC 0.75 V, MJE and MJC 0.33, FC 0.5; the rest 0 (Early voltages and
  // knee currents infinite, no leakage, no charge).
  bipolar_card d{1, 1e-16, 100, 1,    1,    1, 0,    0,    0,   0, 0, 1.5,
                 0, 2,     0,   0.75, 0.33, 0, 0.75, 0.33, 0.5, 0, 0};
  double* fields[] = {&d.polarity, &d.is,  &d.bf,  &d.br,  &d.nf,  &d.nr, &d.vaf, &d.var,
                      &d.ikf,      &d.ikr, &d.ise, &d.ne,  &d.isc, &d.nc, &d.cje, &d.vje,
                      &d.mje,      &d.cjc, &d.vjc, &d.mjc, &d.fc,  &d.tf, &d.tr};
  constexpr int count = sizeof fields / sizeof fields[0];
  bool seen[count] = {};
  for (const tagged_value* at : each(con->attributes)) {
    const int32_t i = at->tag - attr::bipolar_polarity;
    if (i < 0 || i >= count || seen[i]) continue;
    seen[i] = true;
    *fields[i] = at->value;
  }
  return d;
}

bipolar_point bipolar_law(const bipolar_card& d, double vbe, double vbc) {
  const double vt = spice_thermal_voltage;
  const exponential f = diode_exponential(d.is, vbe, d.nf * vt);
  const exponential r = diode_exponential(d.is, vbc, d.nr * vt);
  const exponential le = diode_exponential(d.ise, vbe, d.ne * vt);
  const exponential lc = diode_exponential(d.isc, vbc, d.nc * vt);

  // The normalised base charge and its derivatives.
  const double inv_vaf = inverse_or_zero(d.vaf);
  const double inv_var = inverse_or_zero(d.var);
  const double inv_ikf = inverse_or_zero(d.ikf);
  const double inv_ikr = inverse_or_zero(d.ikr);
  const double q1 = 1 / (1 - inv_vaf * vbc - inv_var * vbe);
  double qb = q1;
  double qb_be = q1 * q1 * inv_var;
  double qb_bc = q1 * q1 * inv_vaf;
  if (inv_ikf != 0 || inv_ikr != 0) {
    const double q2 = inv_ikf * f.current + inv_ikr * r.current;
    const double arg = std::max(0.0, 1 + 4 * q2);
    const double root = arg != 0 ? std::sqrt(arg) : 1.0;
    qb = q1 * (1 + root) / 2;
    qb_be = q1 * (qb * inv_var + inv_ikf * f.slope / root);
    qb_bc = q1 * (qb * inv_vaf + inv_ikr * r.slope / root);
  }

  bipolar_point p{};
  const double flow = f.current - r.current;
  p.transport.current = flow / qb;
  p.transport.current_vbe = (f.slope - flow * qb_be / qb) / qb;
  p.transport.current_vbc = (-r.slope - flow * qb_bc / qb) / qb;

  p.base_emitter.current = f.current / d.bf + le.current + junction_gmin * vbe;
  p.base_emitter.current_vbe = f.slope / d.bf + le.slope + junction_gmin;
  p.base_collector.current = r.current / d.br + lc.current + junction_gmin * vbc;
  p.base_collector.current_vbc = r.slope / d.br + lc.slope + junction_gmin;

  // The forward diffusion charge follows the transport current's base
  // charge only under forward bias, as in SPICE.
  bipolar_branch& be = p.base_emitter;
  if (d.tf != 0 && vbe > 0) {
    be.charge = d.tf * f.current / qb;
    be.charge_vbe = d.tf * (f.slope - f.current * qb_be / qb) / qb;
    be.charge_vbc = -d.tf * f.current * qb_bc / (qb * qb);
  } else {
    be.charge = d.tf * f.current;
    be.charge_vbe = d.tf * f.slope;
  }
  junction_depletion(d.cje, d.vje, d.mje, d.fc, vbe, be.charge, be.charge_vbe);
  bipolar_branch& bc = p.base_collector;
  bc.charge = d.tr * r.current;
  bc.charge_vbc = d.tr * r.slope;
  junction_depletion(d.cjc, d.vjc, d.mjc, d.fc, vbc, bc.charge, bc.charge_vbc);
  return p;
}

}  // namespace pss
