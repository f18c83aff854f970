// What the element models share with calc_res and with each other: the
// record of one model call, the entry list a model builds, the lookups of
// list nodes and of the period, and the model functions themselves.
#pragma once

#include <atomic>
#include <cstdint>

#include "elements/calc_res.h"
#include "elements/element_kinds.h"
#include "elements/source_sine.h"
#include "model/codes.h"
#include "model/lookups.h"
#include "support/fatal.h"

namespace pss {

// One call of an element model, with the row's and the neighbour's dvars of
// slot k already looked up.
struct element_call {
  circuit* c;
  node* row;  // the node whose row is assembled
  node* nb;   // the node at the other end of the element
  dvar* a;    // the row's dvar in slot k
  dvar* b;    // the neighbour's dvar in slot k; null when nb has no such group
  conection_entry* entry;
  const conection* con;
  int k;
};

// Appends one Jacobian entry to the call's list.
inline void append(entry_list& out, int32_t column, double value) {
  if (out.count == entry_list::capacity) fatal("error, calc_res: too many Jacobian entries\n");
  out.cols[out.count] = column;
  out.values[out.count] = value;
  ++out.count;
}

// The voltage dvar of node x in slot k.
inline dvar* voltage(node* x, int k) {
  return nth_dvar(find_dvar_group(x->dvar_groups, group_id::voltage), k);
}

// List node i of the entry, counting from 1 (L1, L2, ...); null when the
// list is shorter.
inline node* list_node(const conection_entry* e, int i) {
  node_ref* ref = e->nodes;
  for (; ref != nullptr && i > 1; --i) ref = ref->next;
  return ref != nullptr ? ref->node : nullptr;
}

// The first `count` list nodes in one walk, L1 first; returns how many the
// list holds, at most `count`. Slots past the end are left null.
inline int list_nodes(const conection_entry* e, node** nodes, int count) {
  int found = 0;
  for (node_ref* ref = e->nodes; ref != nullptr && found < count; ref = ref->next)
    nodes[found++] = ref->node;
  for (int i = found; i < count; ++i) nodes[i] = nullptr;
  return found;
}

// Keeps the first attribute of an id met in a walk of the attribute list,
// so that one walk finds what find_attribute would find for each id.
inline void keep_first(const tagged_value*& slot, const tagged_value* at) {
  if (slot == nullptr) slot = at;
}

// The period of slot k and its Jacobian column. Slot 1 runs at the period
// shifted by circuit param 4; both slots share the period's one unknown.
struct slot_period {
  double t;        // seconds
  int32_t column;  // negative while the period is held fixed
};

inline slot_period period_of(const circuit* c, int k) {
  const dvar* d = find_dvar_group(c->global_dvars, group_id::period)->dvars;
  double t = d->value;
  if (k >= 1) t += find_value(c->params, param_id::slot1_period_offset)->value;
  return {t, d->number};
}

inline bool period_free(const slot_period& p) {
  return p.column >= 0;
}

// A characteristic's argument after its optional limits (attribute 5 =
// lower, default 0; attribute 6 right after it = upper, default 2|x|):
// the point it is evaluated at, how far x lies beyond the limit it was
// clamped to (0 inside), and the attribute after the limits.
struct clamped_point {
  double x;
  double excess;
  const tagged_value* rest;
};
clamped_point clamp_to_limits(const tagged_value* start, double x);

// The characteristics of a voltage-dependent capacitance. x is the voltage
// seen from the row; when the neighbour's dvar is the orientation node's,
// the characteristic is read at -x and the slope (added to *slope) is
// turned back to the row's x.
double poly_characteristic_oriented(const tagged_value* start, double x, double* slope,
                                    const dvar* nb_dvar, const dvar* orientation);
double exp_characteristic(const tagged_value* start, double x, double* slope, const dvar* nb_dvar,
                          const dvar* orientation);

// The attributes of a windowed source resistor, or of a voltage source's
// partner, each the first of its id; null when absent.
struct window_element {
  const tagged_value* start;  // fraction of the period
  const tagged_value* end;
  const tagged_value* resistance;
};
window_element read_window(const conection* con);

// Whether the window is open in the plane of node `at`: never in the DC
// circuit, else when the plane time lies strictly between start and end.
bool window_open(const circuit* c, const window_element& w, const node* at);

// The limited voltage of one junction, kept between Newton iterations.
struct junction_state {
  bool known;        // false until the first evaluation
  double asked;      // the voltage the solution last gave, V
  double limited;    // what the model evaluated instead, V
  int64_t assembly;  // the circuit's assembly_serial it was limited in
};

// junction_limit.cpp: SPICE's critical voltage and pnjlim, and the state
// that makes one iteration's calls agree. `breakdown` > 0 limits the
// reverse knee at -breakdown as well; c->junctions_as_stored takes every
// first voltage as it stands.
double junction_critical_voltage(double is, double nvt);
double pn_limit(double v_new, double v_old, double nvt, double vcrit);

// Counts one limited evaluation on the circuit. A large circuit is
// assembled on two threads, so the count is kept atomically.
inline void count_limited(circuit* c) {
  std::atomic_ref<int64_t>(c->limited_evaluations).fetch_add(1, std::memory_order_relaxed);
}
double limited_junction_voltage(circuit* c, junction_state& s, double v, double nvt,
                                double vcrit, double breakdown);
// The entry's state for slot k, made on first use. `handed_over` picks a
// second state of the entry, for the junction of the plane before its own
// when a windowed switch handed that plane's history over from another
// node: the diode has no record there to keep it.
junction_state& junction_of(circuit* c, conection_entry* e, int k, bool handed_over = false);

// The SPICE junction diode's law at a junction voltage v (anode to
// cathode): the static current with GMIN, its conductance, and the stored
// charge with its capacitance.
struct junction_card {
  double is, n, cjo, vj, m, fc, tt, bv, ibv;
};
struct junction_point {
  double current;      // A, anode to cathode, GMIN included
  double conductance;  // S
  double charge;       // C
  double capacitance;  // F
};
constexpr double spice_thermal_voltage = 0.025865;  // kT/q at 27 degrees C, V
constexpr double junction_gmin = 1e-12;             // S, across every junction
junction_card read_junction_card(const conection* con);
junction_point junction_law(const junction_card& d, double v);
// SPICE's depletion charge of a junction with zero-bias capacitance cj0,
// potential vj and grading m, continued by its quadratic above fc vj: adds
// the charge to q and its capacitance to c.
void junction_depletion(double cj0, double vj, double m, double fc, double v, double& q, double& c);

// The Gummel-Poon bipolar transistor's law (bipolar_law.cpp), in the
// frame of an NPN: junction voltages vbe = V(B) - V(E), vbc = V(B) - V(C)
// of the intrinsic nodes; a PNP's voltages and currents are the negated
// ones. Each of its three branches carries a static current and a charge
// from its first terminal to its second, with their derivatives by vbe
// and vbc.
struct bipolar_card {
  double polarity;  // +1 NPN, -1 PNP
  double is, bf, br, nf, nr, vaf, var, ikf, ikr, ise, ne, isc, nc;
  double cje, vje, mje, cjc, vjc, mjc, fc, tf, tr;
};
struct bipolar_branch {
  double current, current_vbe, current_vbc;  // A, S
  double charge, charge_vbe, charge_vbc;     // C, F
};
struct bipolar_point {
  bipolar_branch transport;       // collector to emitter, no charge
  bipolar_branch base_emitter;    // base to emitter
  bipolar_branch base_collector;  // base to collector
};
bipolar_card read_bipolar_card(const conection* con);
bipolar_point bipolar_law(const bipolar_card& d, double vbe, double vbc);

// The level-1 MOS channel (Shichman-Hodges) in the n-channel frame: the
// voltages are polarity times the terminal voltages, each taken from the
// source terminal, and the current flows from drain to source.
struct mos_card {
  double polarity;  // +1 n-channel, -1 p-channel
  double vto, kp, gamma, phi, lambda, w, l;
};
struct fet_voltages {
  double vgs, vds, vbs;  // V
};
struct mos_point {
  double current;  // A, drain to source, in the n-channel frame
  double gg;       // d current / d vgs, S
  double gd;       // d current / d vds, S
  double gb;       // d current / d vbs, S
};
mos_card read_mos_card(const conection* con);
mos_point mos_law(const mos_card& m, const fet_voltages& v);
// The threshold the gate sees with the bulk at vbx below the end that acts
// as the source (V, n-channel frame).
double mos_threshold(const mos_card& m, double vbx);

// mos_limit.cpp: SPICE's limits on a MOS's voltage steps between Newton
// iterations (fetlim on the gate, limvds on the drain), and the state that
// keeps them: three junction_states per slot, vgs, vds and vbs.
double fet_limit(double v_new, double v_old, double threshold);
double drain_limit(double v_new, double v_old);
fet_voltages limited_fet_voltages(junction_state* s, const mos_card& m, const fet_voltages& v,
                                  int64_t assembly = 0);
junction_state* fet_state_of(circuit* c, conection_entry* e, int k);

// The models, one a file.
double vsource_coupling_res(const element_call& call, entry_list& out);
double current_source_res(const element_call& call);
double igen_res(const element_call& call, entry_list& out);
double vccs_res(const element_call& call, entry_list& out);
double resistor_res(const element_call& call, entry_list& out);
double window_resistor_res(const element_call& call, entry_list& out);
double diode_res(const element_call& call, entry_list& out);
double junction_diode_res(const element_call& call, entry_list& out);
double mos_channel_res(const element_call& call, entry_list& out);
double bipolar_res(const element_call& call, entry_list& out);
double cap1_res(const element_call& call, entry_list& out);
double cap2_res(const element_call& call, entry_list& out);
double inductor_res(const element_call& call, entry_list& out);
double inductor_trap_res(const element_call& call, entry_list& out);

// The elements that can be an I_IGEN's control (element_kind::control).
control_point resistor_control(const conection_entry* control, const node* c1, double v12,
                               double gain);
control_point diode_control(const conection_entry* control, const node* c1, double v12,
                            double gain);
control_point junction_diode_control(const conection_entry* control, const node* c1, double v12,
                                     double gain);

// The checks of the network as read (element_kind::check), element_checks.cpp.
void check_voltage_source(const node* n, const node* other, const conection_entry* e);
void check_current_source(const node* n, const node* other, const conection_entry* e);
void check_igen(const node* n, const node* other, const conection_entry* e);
void check_vccs(const node* n, const node* other, const conection_entry* e);
void check_resistor(const node* n, const node* other, const conection_entry* e);
void check_window_resistor(const node* n, const node* other, const conection_entry* e);
void check_diode(const node* n, const node* other, const conection_entry* e);
void check_junction_diode(const node* n, const node* other, const conection_entry* e);
void check_mos_channel(const node* n, const node* other, const conection_entry* e);
void check_bipolar(const node* n, const node* other, const conection_entry* e);
void check_capacitor(const node* n, const node* other, const conection_entry* e);
void check_inductor(const node* n, const node* other, const conection_entry* e);

}  // namespace pss
