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
constexpr int32_t mos_polarity = 240;  // +1 n-channel, -1 p-channel
constexpr int32_t mos_vto = 241;       // zero-bias threshold voltage, V
constexpr int32_t mos_kp = 242;        // transconductance parameter, A/V^2
constexpr int32_t mos_gamma = 243;     // bulk threshold parameter, V^0.5
constexpr int32_t mos_phi = 244;       // surface potential, V
constexpr int32_t mos_lambda = 245;    // channel-length modulation, 1/V
constexpr int32_t mos_w = 246;         // channel width, m
constexpr int32_t mos_l = 247;         // effective channel length, m
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
