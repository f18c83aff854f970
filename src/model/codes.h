// The integer codes of the network: element type codes, attribute ids,
// dvar group ids and param ids.
#pragma once

#include <cstdint>

namespace pss {

namespace conection_type {
constexpr int32_t vsource = 50;  // voltage source coupling
constexpr int32_t isource = 60;  // sinusoidal current source
constexpr int32_t igen = 62;     // current generator controlled by another element
constexpr int32_t vccs = 64;     // current source controlled by a voltage, polynomial law
constexpr int32_t resistor = 100;
constexpr int32_t window_resistor = 102;  // windowed source resistor
constexpr int32_t window_switch = 103;    // windowed source resistor that relinks planes
constexpr int32_t diode = 200;
// SPICE level-1 junction diode; its charge differenced backward or central.
constexpr int32_t junction_diode = 210;
constexpr int32_t junction_diode_central = 211;
// Level-1 MOS channel between drain and source, read from its node list
// [D, G, S, B]; the bulk junctions and overlap capacitances are separate
// junction diodes and capacitors.
constexpr int32_t mos_channel = 240;
// Gummel-Poon bipolar transistor, as three branches between its intrinsic
// collector, base and emitter: the transport current from collector to
// emitter, and the base-emitter and base-collector junctions, whose
// charges are differenced backward or central.
constexpr int32_t bipolar_transport = 220;
constexpr int32_t bipolar_base_emitter = 221;
constexpr int32_t bipolar_base_emitter_central = 222;
constexpr int32_t bipolar_base_collector = 223;
constexpr int32_t bipolar_base_collector_central = 224;
constexpr int32_t cap1 = 601;           // capacitor, backward difference
constexpr int32_t cap2 = 602;           // capacitor, central difference
constexpr int32_t inductor = 701;       // explicit
constexpr int32_t inductor_trap = 702;  // trapezoidal
}  // namespace conection_type

namespace attr {
constexpr int32_t poly_lower_limit = 5;
constexpr int32_t poly_upper_limit = 6;
constexpr int32_t gain = 70;
constexpr int32_t control_delay = 71;
constexpr int32_t control_id = 73;
constexpr int32_t vccs_coefficient = 74;  // c0, c1, ... in list order, A/V^i
constexpr int32_t harmonic = 80;
constexpr int32_t ac_amplitude = 81;
constexpr int32_t dc_level = 82;
constexpr int32_t phase = 83;
constexpr int32_t window_start = 84;
constexpr int32_t window_end = 85;
constexpr int32_t frequency = 86;
constexpr int32_t dvdf = 87;
constexpr int32_t resistance = 100;
constexpr int32_t leakage = 101;
constexpr int32_t saturation_current = 201;
constexpr int32_t breakdown_voltage = 203;
constexpr int32_t breakdown_factor = 204;
constexpr int32_t exponent_factor = 205;
constexpr int32_t resistance_poly = 206;
// The junction diode's model card, in SPICE's units.
constexpr int32_t junction_is = 210;   // saturation current, A
constexpr int32_t junction_n = 211;    // emission coefficient
constexpr int32_t junction_cjo = 212;  // zero-bias junction capacitance, F
constexpr int32_t junction_vj = 213;   // junction potential, V
constexpr int32_t junction_m = 214;    // grading coefficient
constexpr int32_t junction_fc = 215;   // forward-bias depletion coefficient
constexpr int32_t junction_tt = 216;   // transit time, s
constexpr int32_t junction_bv = 217;   // reverse breakdown voltage, V (positive)
constexpr int32_t junction_ibv = 218;  // current at breakdown voltage, A
// The MOS channel's model card, in SPICE's units.
constexpr int32_t mos_polarity = 250;  // +1 n-channel, -1 p-channel
constexpr int32_t mos_vto = 251;       // zero-bias threshold voltage, V
constexpr int32_t mos_kp = 252;        // transconductance parameter, A/V^2
constexpr int32_t mos_gamma = 253;     // bulk threshold parameter, V^0.5
constexpr int32_t mos_phi = 254;       // surface potential, V
constexpr int32_t mos_lambda = 255;    // channel-length modulation, 1/V
constexpr int32_t mos_w = 256;         // channel width, m
constexpr int32_t mos_l = 257;         // effective channel length, m
// The bipolar transistor's model card, in SPICE's units, area included.
constexpr int32_t bipolar_polarity = 220;  // +1 NPN, -1 PNP
constexpr int32_t bipolar_is = 221;        // transport saturation current, A
constexpr int32_t bipolar_bf = 222;        // ideal forward beta
constexpr int32_t bipolar_br = 223;        // ideal reverse beta
constexpr int32_t bipolar_nf = 224;        // forward emission coefficient
constexpr int32_t bipolar_nr = 225;        // reverse emission coefficient
constexpr int32_t bipolar_vaf = 226;       // forward Early voltage, V (0: none)
constexpr int32_t bipolar_var = 227;       // reverse Early voltage, V (0: none)
constexpr int32_t bipolar_ikf = 228;       // forward high-injection knee current, A (0: none)
constexpr int32_t bipolar_ikr = 229;       // reverse high-injection knee current, A (0: none)
constexpr int32_t bipolar_ise = 230;       // base-emitter leakage saturation current, A
constexpr int32_t bipolar_ne = 231;        // base-emitter leakage emission coefficient
constexpr int32_t bipolar_isc = 232;       // base-collector leakage saturation current, A
constexpr int32_t bipolar_nc = 233;        // base-collector leakage emission coefficient
constexpr int32_t bipolar_cje = 234;       // zero-bias base-emitter depletion capacitance, F
constexpr int32_t bipolar_vje = 235;       // base-emitter built-in potential, V
constexpr int32_t bipolar_mje = 236;       // base-emitter grading coefficient
constexpr int32_t bipolar_cjc = 237;       // zero-bias base-collector depletion capacitance, F
constexpr int32_t bipolar_vjc = 238;       // base-collector built-in potential, V
constexpr int32_t bipolar_mjc = 239;       // base-collector grading coefficient
constexpr int32_t bipolar_fc = 240;        // forward-bias depletion coefficient
constexpr int32_t bipolar_tf = 241;        // forward transit time, s
constexpr int32_t bipolar_tr = 242;        // reverse transit time, s
constexpr int32_t capacitance = 600;
constexpr int32_t capacitance_poly = 603;
constexpr int32_t capacitance_exp = 604;
constexpr int32_t inductance = 700;
}  // namespace attr

namespace group_id {
constexpr int32_t period = 20;
constexpr int32_t voltage = 21;
}  // namespace group_id

// A dvar's number: 0 or more marks an unknown (its equation number once the
// matrix is made); the negative ones mark values the Newton system does not
// solve for. The period dvar's number is the job's period mode: fixed for a
// job whose period is a dirichlet, held fixed for the frequency runs of an
// oscillator, an unknown in the coupled double runs.
namespace dvar_number {
constexpr int32_t unknown = 0;
constexpr int32_t fixed = -1;
constexpr int32_t period_held = -2;
}  // namespace dvar_number

namespace param_id {
constexpr int32_t plane_time = 0;           // node: time of the plane, fraction of the period
constexpr int32_t slot1_period_offset = 4;  // circuit: T of slot 1 is T + this
// circuit: when not 0, the dc level of the source that holds the first
// nodelist's first node (the oscillator's injection) is an amplitude about
// the DC operating point of the nodelist's second node (the tank).
constexpr int32_t injection_about_dc = 5;
}  // namespace param_id

// What pss-net dump writes beside an attribute id; null for ids no element
// reads.
const char* attribute_name(int32_t id);

}  // namespace pss
