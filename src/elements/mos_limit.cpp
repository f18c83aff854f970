// MOS voltage limiting between Newton iterations, as SPICE does it: the
// gate voltage of the end that acts as the source moves by fetlim, which
// keeps a step from jumping across the threshold into strong inversion (or
// far below it) at once, and the drain voltage by limvds, which keeps vds
// below 4 V (or 3 vds + 2 V once above 3.5 V) per step. The threshold is
// the one of the previous iteration's voltages. Volts, n-channel frame.
// The bulk junctions are separate junction diodes with their own pnjlim,
// so the bulk voltage of the end that acts as the source is kept as asked.
#include <algorithm>
#include <cmath>

#include "elements/models.h"

namespace pss {

double fet_limit(double v_new, double v_old, double threshold) {
  const double vtsthi = std::fabs(2 * (v_old - threshold)) + 2;
  const double vtstlo = std::fabs(v_old - threshold) + 1;
  const double vtox = threshold + 3.5;
  const double delta = v_new - v_old;
  if (v_old >= threshold) {
    if (v_old >= vtox) {
      if (delta <= 0) {  // going off
        if (v_new >= vtox) return -delta > vtstlo ? v_old - vtstlo : v_new;
        return std::max(v_new, threshold + 2);
      }
      return delta >= vtsthi ? v_old + vtsthi : v_new;  // staying on
    }
    // Between the threshold and 3.5 V above it.
    return delta <= 0 ? std::max(v_new, threshold - 0.5) : std::min(v_new, threshold + 4);
  }
  // Off.
  if (delta <= 0) return -delta > vtsthi ? v_old - vtsthi : v_new;
  if (v_new > threshold + 0.5) return threshold + 0.5;
  return delta > vtstlo ? v_old + vtstlo : v_new;
}

double drain_limit(double v_new, double v_old) {
  if (v_old >= 3.5) {
    if (v_new > v_old) return std::min(v_new, 3 * v_old + 2);
    return v_new < 3.5 ? std::max(v_new, 2.0) : v_new;
  }
  return v_new > v_old ? std::min(v_new, 4.0) : std::max(v_new, -0.5);
}

// The first evaluation takes the voltages as they stand, so that a
// solution read from a state file is evaluated as the law gives it; the
// square law cannot overflow. Later ones are limited against the last
// limited voltages, and voltages asked again get the same answer, so that
// the records at drain and source agree within an iteration.
fet_voltages limited_fet_voltages(junction_state* s, const mos_card& m, const fet_voltages& v,
                                  int64_t assembly) {
  if (s[0].known && s[0].asked == v.vgs && s[1].asked == v.vds && s[2].asked == v.vbs &&
      s[0].assembly == assembly) {
    return {s[0].limited, s[1].limited, s[2].limited};
  }
  fet_voltages l = v;
  if (s[0].known) {
    const fet_voltages old{s[0].limited, s[1].limited, s[2].limited};
    if (old.vds >= 0) {
      const double vgd = v.vgs - v.vds;
      l.vgs = fet_limit(v.vgs, old.vgs, mos_threshold(m, old.vbs));
      l.vds = drain_limit(l.vgs - vgd, old.vds);
    } else {
      // The drain terminal acts as the source: limit vgd and vsd instead,
      // and keep vbd.
      const double vgd =
          fet_limit(v.vgs - v.vds, old.vgs - old.vds, mos_threshold(m, old.vbs - old.vds));
      l.vds = -drain_limit(-(v.vgs - vgd), -old.vds);
      l.vgs = vgd + l.vds;
      l.vbs = v.vbs - v.vds + l.vds;
    }
  }
  s[0] = {true, v.vgs, l.vgs, assembly};
  s[1] = {true, v.vds, l.vds, assembly};
  s[2] = {true, v.vbs, l.vbs, assembly};
  return l;
}

junction_state* fet_state_of(circuit* c, conection_entry* e, int k) {
  if (e->junctions == nullptr) e->junctions = arena_array<junction_state>(*c->memory, 6);
  return e->junctions + (k > 0 ? 3 : 0);
}

}  // namespace pss
