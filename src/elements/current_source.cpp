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

namespace {

// The first attribute of each id the model reads; null when absent.
struct isource_terms {
  const tagged_value* dc_level = nullptr;
  const tagged_value* amplitude = nullptr;
  const tagged_value* phase = nullptr;
  const tagged_value* frequency = nullptr;
  const tagged_value* harmonic = nullptr;
};

isource_terms read_terms(const conection* con) {
  isource_terms s;
  for (const tagged_value* at : each(con->attributes)) {
    switch (at->tag) {
      case attr::dc_level: keep_first(s.dc_level, at); break;
      case attr::ac_amplitude: keep_first(s.amplitude, at); break;
      case attr::phase: keep_first(s.phase, at); break;
      case attr::frequency: keep_first(s.frequency, at); break;
      case attr::harmonic: keep_first(s.harmonic, at); break;
      default: break;
    }
  }
  return s;
}

}  // namespace

double current_source_res(const element_call& call) {
  const isource_terms s = read_terms(call.con);
  double i = s.dc_level != nullptr ? s.dc_level->value : 0.0;
  if (s.amplitude != nullptr) {
    const double t = find_value(call.row->params, param_id::plane_time)->value;
    double cycle = s.frequency != nullptr ? 1.0 / s.frequency->value : 1.0;  // of the period
    if (s.harmonic != nullptr) cycle /= s.harmonic->value;
    const double phi = s.phase != nullptr ? s.phase->value : 0.0;
    i += s.amplitude->value * std::sin(phi + 2 * std::numbers::pi * t / cycle);
  }
  return call.row == list_node(call.entry, 1) ? -i : i;
}

source_sine current_source_sine(const conection* con) {
  const isource_terms s = read_terms(con);
  if (s.amplitude == nullptr) return {0.0, 0.0};
  const double f = s.frequency != nullptr ? s.frequency->value : 1.0;
  const double h = s.harmonic != nullptr ? s.harmonic->value : 1.0;
  return {s.amplitude->value, f * h};
}

}  // namespace pss
