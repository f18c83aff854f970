// Sinusoidal current source (type 60): drives
//   I = I_dc + A * sin(phi + 2 pi f h t)
// out of its orientation node L1 into the other node, so the row gets -I
// at L1 and +I at the other end. t is the row plane's time as a fraction
// of the period, so f (attribute 86) and h (attribute 80) count cycles per
// period and the period itself does not enter; phi (attribute 83) is in
// radians. Amperes (I_dc attribute 82, A attribute 81). No entries: the
// current depends on no unknown.
#include <cmath>
#include <numbers>

#include "elements/models.h"

namespace pss {

double current_source_res(const element_call& call) {
  const tagged_value* dc_level = nullptr;
  const tagged_value* amplitude = nullptr;
  const tagged_value* phase = nullptr;
  const tagged_value* frequency = nullptr;
  const tagged_value* harmonic = nullptr;
  for (const tagged_value* at : each(call.con->attributes)) {
    switch (at->tag) {
      case attr::dc_level: keep_first(dc_level, at); break;
      case attr::ac_amplitude: keep_first(amplitude, at); break;
      case attr::phase: keep_first(phase, at); break;
      case attr::frequency: keep_first(frequency, at); break;
      case attr::harmonic: keep_first(harmonic, at); break;
      default: break;
    }
  }
  double i = dc_level != nullptr ? dc_level->value : 0.0;
  if (amplitude != nullptr) {
    const double t = find_value(call.row->params, param_id::plane_time)->value;
    double cycle = frequency != nullptr ? 1.0 / frequency->value : 1.0;  // of the period
    if (harmonic != nullptr) cycle /= harmonic->value;
    const double phi = phase != nullptr ? phase->value : 0.0;
    i += amplitude->value * std::sin(phi + 2 * std::numbers::pi * t / cycle);
  }
  return call.row == list_node(call.entry, 1) ? -i : i;
}

}  // namespace pss
