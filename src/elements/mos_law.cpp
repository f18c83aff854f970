// The level-1 MOS law of Shichman and Hodges (type 240), as SPICE's level-1
// MOSFET evaluates it. In the n-channel frame (every voltage times the
// polarity, +1 n-channel, -1 p-channel) with vds >= 0:
//   threshold  von  = VTO + GAMMA (sqrt(PHI - vbs) - sqrt(PHI))        vbs <= 0
//                     VTO + GAMMA (s - sqrt(PHI)),
//                     s = max(0, sqrt(PHI) - vbs / (2 sqrt(PHI)))      vbs > 0
//   cut-off    vgs - von <= 0:    id = 0
//   saturation vgs - von <= vds:  id = beta/2 (vgs - von)^2 (1 + LAMBDA vds)
//   linear     otherwise:         id = beta vds (vgs - von - vds/2) (1 + LAMBDA vds)
//   beta = KP W / L,  L the effective length.
// When vds < 0 drain and source exchange roles: the law is read with vgd,
// vsd, vbd and the current turns. Volts, amperes, A/V^2, metres; the
// current flows from drain to source in the n-channel frame, so a p-channel
// device's is polarity times it. SPICE's defaults: VTO 0, KP 2e-5, GAMMA 0,
// PHI 0.6, LAMBDA 0, W = L = 100 um. The derivatives are those of the law
// itself, also for vbs > 0, where SPICE's own gmbs is only an estimate.
#include <algorithm>
#include <cmath>

#include "elements/models.h"

namespace pss {

namespace {

// sqrt(PHI - vbx), continued linearly above vbx = 0 and held at 0; with its
// derivative by vbx.
struct root_point {
  double value;
  double slope;
};

root_point body_root(const mos_card& m, double vbx) {
  const double root_phi = std::sqrt(m.phi);
  if (vbx <= 0) {
    const double r = std::sqrt(m.phi - vbx);
    return {r, -0.5 / r};
  }
  const double r = root_phi - vbx / (2 * root_phi);
  return r > 0 ? root_point{r, -0.5 / root_phi} : root_point{0.0, 0.0};
}

double threshold_at(const mos_card& m, const root_point& r) {
  return m.vto * m.polarity + m.gamma * (r.value - std::sqrt(m.phi));
}

// The law with vds >= 0: current and its derivatives by vgs, vds, vbs.
mos_point forward(const mos_card& m, double vgs, double vds, double vbs) {
  const root_point r = body_root(m, vbs);
  const double vgst = vgs - threshold_at(m, r);
  if (vgst <= 0) return {0.0, 0.0, 0.0, 0.0};
  const double beta = m.kp * m.w / m.l;
  const double clm = 1 + m.lambda * vds;
  double id = 0, gm = 0, gds = 0;
  if (vgst <= vds) {
    id = beta / 2 * vgst * vgst * clm;
    gm = beta * vgst * clm;
    gds = m.lambda * beta / 2 * vgst * vgst;
  } else {
    id = beta * vds * (vgst - vds / 2) * clm;
    gm = beta * vds * clm;
    gds = beta * (vgst - vds) * clm + m.lambda * beta * vds * (vgst - vds / 2);
  }
  // d von / d vbs = GAMMA r.slope; the current falls as von rises.
  return {id, gm, gds, -gm * m.gamma * r.slope};
}

}  // namespace

double mos_threshold(const mos_card& m, double vbx) {
  return threshold_at(m, body_root(m, vbx));
}

mos_card read_mos_card(const conection* con) {
  mos_card m{1.0, 0.0, 2e-5, 0.0, 0.6, 0.0, 100e-6, 100e-6};
  bool seen[8] = {};
  double* fields[8] = {&m.polarity, &m.vto, &m.kp, &m.gamma, &m.phi, &m.lambda, &m.w, &m.l};
  for (const tagged_value* at : each(con->attributes)) {
    const int32_t i = at->tag - attr::mos_polarity;
    if (i < 0 || i > 7 || seen[i]) continue;
    seen[i] = true;
    *fields[i] = at->value;
  }
  return m;
}

mos_point mos_law(const mos_card& m, const fet_voltages& v) {
  if (v.vds >= 0) return forward(m, v.vgs, v.vds, v.vbs);
  // The source end is the drain terminal: f(vgd, vsd, vbd), and the current
  // runs from source to drain.
  const mos_point f = forward(m, v.vgs - v.vds, -v.vds, v.vbs - v.vds);
  return {-f.current, -f.gg, f.gg + f.gd + f.gb, -f.gb};
}

}  // namespace pss
