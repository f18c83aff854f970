// Gummel-Poon bipolar transistor (types 220 to 224), as three branches
// between its intrinsic collector C, base B and emitter E, each with the
// node list [C, B, E] at both of its ends:
//   220          C to E   I = It                      (no charge)
//   221, 222     B to E   I = Ibe + dQbe/dt
//   223, 224     B to C   I = Ibc + dQbc/dt
// with It, Ibe, Ibc, Qbe, Qbc the law of bipolar_law.cpp at vbe and vbc,
// times the polarity (+1 NPN, -1 PNP). The charge is differenced between
// planes as a capacitor's: backward, (Q - Q_prev) / dt (221, 223; the
// expansion appends [C.prev, B.prev, E.prev] to the list), or central,
// (Q_next - Q_prev) / dt over the span (222, 224; it appends
// [C.prev, B.prev, E.prev, C.next, B.next, E.next]); so each charge
// current averages to exactly zero over a period. In the DC circuit only
// the static currents flow. Every evaluation limits vbe and vbc as SPICE
// does (pnjlim with Vt against the critical voltage of IS) and continues
// the law linearly from there, which agrees with the law once Newton has
// converged. The row gets -I when it is the branch's first terminal and +I
// when it is the second; volts, amperes, seconds.
#include "elements/models.h"

namespace pss {

namespace {

// Positions in the node list as read.
constexpr int collector = 0;
constexpr int base = 1;
constexpr int emitter = 2;

struct branch_role {
  int from, to;  // list positions of the terminals the current flows between
  bool stores;   // carries a charge
  bool central;  // its charge is differenced centrally
};

branch_role role_of(int32_t type) {
  switch (type) {
    case conection_type::bipolar_base_emitter: return {base, emitter, true, false};
    case conection_type::bipolar_base_emitter_central: return {base, emitter, true, true};
    case conection_type::bipolar_base_collector: return {base, collector, true, false};
    case conection_type::bipolar_base_collector_central: return {base, collector, true, true};
    default: return {collector, emitter, false, false};
  }
}

const bipolar_branch& branch_of(const bipolar_point& p, const branch_role& role) {
  if (role.from == collector) return p.transport;
  return role.to == emitter ? p.base_emitter : p.base_collector;
}

// The evaluations of one entry that keep their limited voltages apart:
// its own plane, and the previous and next planes whose charges it reads.
namespace evaluation {
constexpr int own = 0;
constexpr int before = 1;
constexpr int after = 2;
constexpr int count = 3;
}  // namespace evaluation

// The limited vbe and vbc of one evaluation of the entry in slot k. Each
// evaluation keeps its own, so that a neighbouring plane read through a
// relinked previous plane (an oscillator's injected tank) is limited on
// its own history; every evaluation of the same voltages asks the same
// sequence and so limits alike.
junction_state* states_of(circuit* c, conection_entry* e, int k, int which) {
  constexpr int per_entry = 2 * evaluation::count * 2;  // slots, evaluations, junctions
  if (e->junctions == nullptr) e->junctions = arena_array<junction_state>(*c->memory, per_entry);
  return e->junctions + ((k > 0 ? 1 : 0) * evaluation::count + which) * 2;
}

struct terminals {
  const dvar* c;
  const dvar* b;
  const dvar* e;
};

// One branch's current and charge in one plane, continued linearly from the
// limited junction voltages to the solution's, in the NPN frame.
struct plane_branch {
  terminals t;
  double current, current_vbe, current_vbc;
  double charge, charge_vbe, charge_vbc;
};

plane_branch evaluate(const element_call& call, const bipolar_card& d, const branch_role& role,
                      node* const* nodes, int which) {
  const terminals t{voltage(nodes[collector], call.k), voltage(nodes[base], call.k),
                    voltage(nodes[emitter], call.k)};
  const double vbe = d.polarity * (t.b->value - t.e->value);
  const double vbc = d.polarity * (t.b->value - t.c->value);
  const double vt = spice_thermal_voltage;
  const double vcrit = junction_critical_voltage(d.is, vt);
  junction_state* s = states_of(call.c, call.entry, call.k, which);
  const double lbe = limited_junction_voltage(call.c, s[0], vbe, vt, vcrit, 0);
  const double lbc = limited_junction_voltage(call.c, s[1], vbc, vt, vcrit, 0);
  const bipolar_branch b = branch_of(bipolar_law(d, lbe, lbc), role);
  const double dbe = vbe - lbe;
  const double dbc = vbc - lbc;
  return {t,
          b.current + b.current_vbe * dbe + b.current_vbc * dbc,
          b.current_vbe,
          b.current_vbc,
          b.charge + b.charge_vbe * dbe + b.charge_vbc * dbc,
          b.charge_vbe,
          b.charge_vbc};
}

// Entries of a quantity whose row current is s times the polarity times
// Y(vbe, vbc), with gbe = dY/dvbe and gbc = dY/dvbc: the polarity enters
// both the voltages and the current, so it drops out of the derivatives.
void append_terminals(entry_list& out, const terminals& t, double s, double gbe, double gbc) {
  append(out, t.b->number, -s * (gbe + gbc));
  append(out, t.e->number, s * gbe);
  append(out, t.c->number, s * gbc);
}

}  // namespace

double bipolar_res(const element_call& call, entry_list& out) {
  const bipolar_card d = read_bipolar_card(call.con);
  const branch_role role = role_of(call.con->type);
  node* list[9];
  list_nodes(call.entry, list, 9);
  const double s = call.row == list[role.from] ? -1.0 : 1.0;  // the row's sign of I
  const double sp = s * d.polarity;
  const plane_branch own = evaluate(call, d, role, list, evaluation::own);
  const bool stores =
      role.stores && (role.to == emitter ? d.cje != 0 || d.tf != 0 : d.cjc != 0 || d.tr != 0);
  if (call.c->planes == 1 || !stores) {
    append_terminals(out, own.t, s, own.current_vbe, own.current_vbc);
    return sp * own.current;
  }

  const slot_period period = period_of(call.c, call.k);
  const plane_branch before = evaluate(call, d, role, list + 3, evaluation::before);
  double i_c = 0;
  double dt = 0;
  if (role.central) {
    const plane_branch after = evaluate(call, d, role, list + 6, evaluation::after);
    dt = plane_time_diff(call.row->next_plane, call.row->prev_plane) * period.t;
    i_c = (after.charge - before.charge) / dt;
    append_terminals(out, own.t, s, own.current_vbe, own.current_vbc);
    append_terminals(out, after.t, s, after.charge_vbe / dt, after.charge_vbc / dt);
  } else {
    dt = plane_time_diff(call.row, call.row->prev_plane) * period.t;
    i_c = (own.charge - before.charge) / dt;
    append_terminals(out, own.t, s, own.current_vbe + own.charge_vbe / dt,
                     own.current_vbc + own.charge_vbc / dt);
  }
  append_terminals(out, before.t, s, -before.charge_vbe / dt, -before.charge_vbc / dt);
  if (period_free(period)) append(out, period.column, sp * i_c / period.t);  // i_c ~ 1/T
  return sp * (own.current + i_c);
}

}  // namespace pss
