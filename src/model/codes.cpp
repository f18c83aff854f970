#include "model/codes.h"

namespace pss {

const char* attribute_name(int32_t id) {
  switch (id) {
    case attr::poly_lower_limit: return "lower limit";
    case attr::poly_upper_limit: return "upper limit";
    case attr::gain: return "gain";
    case attr::control_delay: return "control delay";
    case attr::control_id: return "controlling conection id";
    case attr::vccs_coefficient: return "controlled current coefficient";
    case attr::harmonic: return "harmonic";
    case attr::ac_amplitude: return "ac_amplitude";
    case attr::dc_level: return "dc_level";
    case attr::phase: return "phase";
    case attr::window_start: return "window start";
    case attr::window_end: return "window end";
    case attr::frequency: return "frequency";
    case attr::dvdf: return "dV/df";
    case attr::resistance: return "resistance";
    case attr::leakage: return "leakage resistance";
    case attr::saturation_current: return "saturation current";
    case attr::breakdown_voltage: return "breakdown voltage";
    case attr::breakdown_factor: return "breakdown exponent factor";
    case attr::exponent_factor: return "exponent factor";
    case attr::resistance_poly: return "resistance characteristic follows";
    case attr::junction_is: return "junction saturation current";
    case attr::junction_n: return "junction emission coefficient";
    case attr::junction_cjo: return "zero-bias junction capacitance";
    case attr::junction_vj: return "junction potential";
    case attr::junction_m: return "junction grading coefficient";
    case attr::junction_fc: return "forward-bias depletion coefficient";
    case attr::junction_tt: return "transit time";
    case attr::junction_bv: return "junction breakdown voltage";
    case attr::junction_ibv: return "current at breakdown voltage";
    case attr::mos_polarity: return "MOS polarity";
    case attr::mos_vto: return "MOS threshold voltage";
    case attr::mos_kp: return "MOS transconductance parameter";
    case attr::mos_gamma: return "MOS bulk threshold parameter";
    case attr::mos_phi: return "MOS surface potential";
    case attr::mos_lambda: return "MOS channel-length modulation";
    case attr::mos_w: return "MOS channel width";
    case attr::mos_l: return "MOS effective channel length";
    case attr::bipolar_polarity: return "polarity, +1 NPN, -1 PNP";
    case attr::bipolar_is: return "transport saturation current";
    case attr::bipolar_bf: return "ideal forward beta";
    case attr::bipolar_br: return "ideal reverse beta";
    case attr::bipolar_nf: return "forward emission coefficient";
    case attr::bipolar_nr: return "reverse emission coefficient";
    case attr::bipolar_vaf: return "forward Early voltage";
    case attr::bipolar_var: return "reverse Early voltage";
    case attr::bipolar_ikf: return "forward knee current";
    case attr::bipolar_ikr: return "reverse knee current";
    case attr::bipolar_ise: return "base-emitter leakage saturation current";
    case attr::bipolar_ne: return "base-emitter leakage emission coefficient";
    case attr::bipolar_isc: return "base-collector leakage saturation current";
    case attr::bipolar_nc: return "base-collector leakage emission coefficient";
    case attr::bipolar_cje: return "zero-bias base-emitter capacitance";
    case attr::bipolar_vje: return "base-emitter built-in potential";
    case attr::bipolar_mje: return "base-emitter grading coefficient";
    case attr::bipolar_cjc: return "zero-bias base-collector capacitance";
    case attr::bipolar_vjc: return "base-collector built-in potential";
    case attr::bipolar_mjc: return "base-collector grading coefficient";
    case attr::bipolar_fc: return "forward-bias depletion coefficient";
    case attr::bipolar_tf: return "forward transit time";
    case attr::bipolar_tr: return "reverse transit time";
    case attr::capacitance: return "capacitance";
    case attr::capacitance_poly: return "capacitance polynomial follows";
    case attr::capacitance_exp: return "exponential capacitance follows";
    case attr::inductance: return "inductance";
    default: return nullptr;
  }
}

}  // namespace pss
