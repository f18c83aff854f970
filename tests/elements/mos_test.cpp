// The level-1 MOS transistor: the channel's current in every region against
// the Shichman-Hodges closed form, its Jacobian against a finite difference
// of its own currents, the charges and bulk currents of the branches an M
// line compiles to against SPICE's closed forms, and one circuit against
// ngspice's operating point.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "elements/calc_res.h"
#include "elements/fragment.h"
#include "elements/models.h"
#include "model/codes.h"
#include "support/job.h"
#include "tools/netlist/compiled_circuit.h"
#include "tools/netlist/netlist.h"

namespace pss::test {
namespace {

// n-channel: beta = 50u * 20/2 = 5e-4, sqrt(PHI) = 0.8.
const attribute_list nmos = {{attr::mos_polarity, 1}, {attr::mos_vto, 0.8},
                             {attr::mos_kp, 50e-6},   {attr::mos_gamma, 0.5},
                             {attr::mos_phi, 0.64},   {attr::mos_lambda, 0.02},
                             {attr::mos_w, 20e-6},    {attr::mos_l, 2e-6}};
// p-channel: beta = 20u * 40/2 = 4e-4, sqrt(PHI) = 0.9.
const attribute_list pmos = {{attr::mos_polarity, -1}, {attr::mos_vto, -0.9},
                             {attr::mos_kp, 20e-6},    {attr::mos_gamma, 0.4},
                             {attr::mos_phi, 0.81},    {attr::mos_lambda, 0.05},
                             {attr::mos_w, 40e-6},     {attr::mos_l, 2e-6}};

double saturated(double beta, double vgst, double vds, double lambda) {
  return beta / 2 * vgst * vgst * (1 + lambda * vds);
}
double linear(double beta, double vgst, double vds, double lambda) {
  return beta * vds * (vgst - vds / 2) * (1 + lambda * vds);
}

struct bias_row {
  std::string label;
  const attribute_list* card;
  double vd, vg, vs, vb;
  double current;  // from drain to source through the channel, A
};

// The thresholds with body effect, worked out apart from the model.
const double von_body = 0.8 + 0.5 * (std::sqrt(0.64 + 1.5) - 0.8);     // vbs = -1.5
const double von_forward = 0.8 + 0.5 * (0.8 - 0.3 / 1.6 - 0.8);        // vbs = 0.3
const double von_pmos_body = 0.9 + 0.4 * (std::sqrt(0.81 + 1) - 0.9);  // vbs = -1

// clang-format off
const bias_row bias_rows[] = {
    {"n cut-off", &nmos, 3, 0.5, 0, 0, 0},
    {"n saturation", &nmos, 3, 2, 0, 0, saturated(5e-4, 1.2, 3, 0.02)},
    {"n linear", &nmos, 0.5, 3, 0, 0, linear(5e-4, 2.2, 0.5, 0.02)},
    {"n body effect", &nmos, 3, 2.5, 0.5, -1, saturated(5e-4, 2 - von_body, 2.5, 0.02)},
    {"n bulk forward, threshold continued linearly", &nmos, 1, 2, 0, 0.3,
     linear(5e-4, 2 - von_forward, 1, 0.02)},
    {"n bulk far forward, threshold held", &nmos, 2, 1.5, 0, 1.5,
     saturated(5e-4, 1.5 - 0.4, 2, 0.02)},
    // V(d) < V(s): the drain terminal acts as the source, vgs' = 2, vds' = 1.5.
    {"n drain and source exchanged", &nmos, 0, 2, 1.5, 0, -saturated(5e-4, 1.2, 1.5, 0.02)},
    {"n exchanged, linear, body effect from the drain", &nmos, 0.3, 3, 1, -1.2,
     -linear(5e-4, 2.7 - (0.8 + 0.5 * (std::sqrt(0.64 + 1.5) - 0.8)), 0.7, 0.02)},
    {"p cut-off", &pmos, 0, 4.5, 5, 5, 0},
    {"p saturation", &pmos, 1, 2, 5, 5, -saturated(4e-4, 2.1, 4, 0.05)},
    {"p linear, body effect", &pmos, 4.5, 0, 5, 6, -linear(4e-4, 5 - von_pmos_body, 0.5, 0.05)},
    {"p drain and source exchanged", &pmos, 5, 0, 2, 5, linear(4e-4, 4.1, 3, 0.05)},
};
// clang-format on

// One transistor's channel on one plane: nodes d, g, s, b numbered 0 to 3,
// its records at the drain (toward s) and at the source (toward d).
struct channel {
  fragment f{1, 1e-3, period_fixed};
  node* n[4];
  conection_entry* at_d;
  conection_entry* at_s;

  explicit channel(const bias_row& r) {
    const double v[4] = {r.vd, r.vg, r.vs, r.vb};
    for (int i = 0; i < 4; ++i) n[i] = f.add_node(i, v[i]);
    const std::vector<node*> list = {n[0], n[1], n[2], n[3]};
    at_d = f.add_element(n[0], n[2], conection_type::mos_channel, *r.card, list);
    at_s = f.add_element(n[2], n[0], conection_type::mos_channel, *r.card, list);
  }
  double res(bool drain_row, tagged_value** entries) {
    node* row = drain_row ? n[0] : n[2];
    node* other = drain_row ? n[2] : n[0];
    return calc_res(conection_type::mos_channel, &f.c, row, other,
                    find_dvar_group(row->dvar_groups, group_id::voltage),
                    find_dvar_group(other->dvar_groups, group_id::voltage), drain_row ? at_d : at_s,
                    entries, 0);
  }
};

void free_entries(tagged_value* t) {
  while (t != nullptr) {
    tagged_value* next = t->next;
    tagged_value_free(t);
    t = next;
  }
}

TEST(mos_channel, current_in_every_region_against_the_closed_form) {
  for (const bias_row& r : bias_rows) {
    channel ch(r);
    for (bool drain_row : {true, false}) {
      tagged_value* entries = nullptr;
      const double into_row = ch.res(drain_row, &entries);
      free_entries(entries);
      const double want = drain_row ? -r.current : r.current;
      EXPECT_NEAR(into_row, want, 1e-12 * std::fabs(want) + 1e-18)
          << r.label << (drain_row ? ", drain row" : ", source row");
    }
  }
}

TEST(mos_channel, jacobian_against_finite_differences) {
  for (const bias_row& r : bias_rows) {
    channel ch(r);
    for (bool drain_row : {true, false}) {
      tagged_value* entries = nullptr;
      ch.res(drain_row, &entries);
      double seen[4] = {};
      for (tagged_value* t = entries; t != nullptr; t = t->next) seen[t->tag] += t->value;
      free_entries(entries);
      for (int x = 0; x < 4; ++x) {
        dvar* d = voltage(ch.n[x], 0);
        const double h = 1e-6;
        tagged_value* scratch = nullptr;
        d->value += h;
        const double up = ch.res(drain_row, &scratch);
        d->value -= 2 * h;
        const double down = ch.res(drain_row, &scratch);
        d->value += h;
        free_entries(scratch);
        const double fd = -(up - down) / (2 * h);  // entries hold minus the derivative
        EXPECT_NEAR(seen[x], fd, 1e-6 * std::fabs(fd) + 1e-12)
            << r.label << (drain_row ? ", drain row" : ", source row") << ", terminal " << x;
      }
    }
  }
}

// SPICE's limits on the step of the gate and drain voltages.
TEST(mos_limit, steps_are_limited_as_spice_limits_them) {
  struct row {
    const char* label;
    double v_new, v_old, limited;
  };
  const row gate[] = {
      {"off, a jump into strong inversion stops half a volt above the threshold", 5, 0, 1.3},
      {"off, a small step is kept", 0.5, 0.2, 0.5},
      {"near the threshold, rising is held to 4 V above it", 9, 1, 4.8},
      {"far on, rising by more than 2 (vold - von) + 2", 20, 5, 5 + (2 * 4.2 + 2)},
      {"far on, falling below 3.5 V above the threshold stops 2 V above it", 0, 5, 2.8},
  };
  for (const row& r : gate)
    EXPECT_NEAR(fet_limit(r.v_new, r.v_old, 0.8), r.limited, 1e-12) << r.label;
  const row drain[] = {
      {"low, rising: at most 4 V", 10, 1, 4},
      {"low, falling: at least -0.5 V", -3, 1, -0.5},
      {"above 3.5 V, rising: at most 3 vold + 2", 30, 4, 14},
      {"above 3.5 V, falling below it: at least 2 V", 0, 5, 2},
  };
  for (const row& r : drain)
    EXPECT_NEAR(drain_limit(r.v_new, r.v_old), r.limited, 1e-12) << r.label;
}

// A drain voltage limited to 4 V stays limited while Newton asks the same
// voltage again within one assembly; the next assembly limits it afresh
// against 4 V and lets it through. Before, the repeated voltage kept its
// limited value for good, and a law linear in vds hid that Newton had
// "converged" on a voltage it never evaluated.
TEST(mos_limit, a_voltage_asked_again_in_a_later_assembly_is_limited_afresh) {
  const mos_card m{1, 0.8, 50e-6, 0, 0.65, 0.02, 20e-6, 2e-6};
  junction_state s[3]{};
  const fet_voltages start{2, 0, 0};
  const fet_voltages asked{2, 4.6, 0};
  limited_fet_voltages(s, m, start, 1);
  EXPECT_EQ(limited_fet_voltages(s, m, asked, 2).vds, 4.0);
  EXPECT_EQ(limited_fet_voltages(s, m, asked, 2).vds, 4.0);
  EXPECT_EQ(limited_fet_voltages(s, m, asked, 3).vds, 4.6);
}

// The branches an M line compiles to, at a bias point: the gate's charge,
// the bulk's charge and the bulk's current, summed over the compiled
// capacitors and junction diodes, against SPICE's level-1 forms.
struct charge_row {
  std::string label;
  std::string netlist;
  const char* gate;  // the nodes the sums are taken at
  const char* bulk;
  double vd, vg, vs, vb;  // of the nodes named d, g, s, b where they exist
  double gate_charge, bulk_charge, bulk_current;
};

// SPICE's depletion charge below FC PB.
double depletion(double c0, double pb, double mj, double v) {
  return c0 * pb * (1 - std::pow(1 - v / pb, 1 - mj)) / (1 - mj);
}
constexpr double vt = 0.025865;
constexpr double gmin = 1e-12;
double junction_current(double is, double v) {
  return is * (std::exp(v / vt) - 1) + gmin * v;
}

const std::string n_card =
    ".model N1 NMOS (LEVEL=1 VTO=0.7 KP=50u CGSO=0.4n CGDO=0.3n CGBO=0.2n CBD=20f CBS=30f "
    "PB=0.9 MJ=0.4 IS=1e-15 LD=0.25u)\n";
const std::string n_area_card = ".model N2 NMOS (LEVEL=1 VTO=0.7 KP=50u CJ=0.1m JS=1m CGSO=0.4n)\n";
const std::string p_card = ".model P1 PMOS (LEVEL=1 VTO=-0.8 KP=20u CGDO=0.5n CBD=10f CBS=10f)\n";

// clang-format off
const charge_row charge_rows[] = {
    // W = 10u, L_eff = 2u - 2 LD = 1.5u.
    {"n, overlap and junction capacitances", "M1 d g s b N1 W=10u L=2u\n" + n_card, "g", "b",
     3, 2, 0.5, -1,
     0.4e-9 * 10e-6 * 1.5 + 0.3e-9 * 10e-6 * -1 + 0.2e-9 * 1.5e-6 * 3,
     depletion(20e-15, 0.9, 0.4, -4) + depletion(30e-15, 0.9, 0.4, -1.5) + 0.2e-9 * 1.5e-6 * -3,
     junction_current(1e-15, -4) + junction_current(1e-15, -1.5)},
    // CJ and JS times AD and AS, PB and MJ at SPICE's 0.8 and 0.5.
    {"n, junctions sized by the areas", "M1 d g s b N2 W=10u L=2u AD=20p AS=40p\n" + n_area_card,
     "g", "b", 2, 1, 0, -0.5,
     0.4e-9 * 10e-6 * 1,
     depletion(0.1e-3 * 20e-12, 0.8, 0.5, -2.5) + depletion(0.1e-3 * 40e-12, 0.8, 0.5, -0.5),
     junction_current(1e-3 * 20e-12, -2.5) + junction_current(1e-3 * 40e-12, -0.5)},
    // The junctions run from drain and source to the bulk; the bulk tied
    // to the source leaves one.
    {"p, bulk on the source", "M1 d g s s P1 W=10u L=1u\n" + p_card, "g", "s",
     1, 2, 5, 5,
     0.5e-9 * 10e-6 * 1,
     -depletion(10e-15, 0.8, 0.5, -4),
     -junction_current(1e-14, -4)},
    // At the gate, which is the drain: the overlaps and the bulk-drain
    // junction's charge.
    {"n, gate on the drain", "M1 d d s b N1 W=10u L=2u\n" + n_card, "d", "b",
     2, 2, 0, 0,
     0.4e-9 * 10e-6 * 2 + 0.2e-9 * 1.5e-6 * 2 - depletion(20e-15, 0.9, 0.4, -2),
     depletion(20e-15, 0.9, 0.4, -2) + 0.2e-9 * 1.5e-6 * -2,
     junction_current(1e-15, -2)},
    // The central forms of the capacitors and junctions hold the same
    // charges.
    {"p, central differences", "M1 d g s b P1 W=10u L=1u\n.options DIFFERENCE=CENTRAL\n" + p_card,
     "g", "b", 1, 2, 5, 6,
     0.5e-9 * 10e-6 * 1,
     -depletion(10e-15, 0.8, 0.5, -5) - depletion(10e-15, 0.8, 0.5, -1),
     -junction_current(1e-14, -5) - junction_current(1e-14, -1)},
};
// clang-format on

struct terminal_sums {
  double charge = 0, current = 0;
};

// The charge and static current the compiled branches of M1 hold at node x.
terminal_sums sums_at(const circuit* c, const node* x, const charge_row& r) {
  terminal_sums sums;
  for (const std::string suffix : {"#cgs", "#cgd", "#cgb", "#bd", "#bs"}) {
    for (const element_end& end : ends_of(c, "M1" + suffix)) {
      if (end.at != x) continue;
      const double v = voltage(const_cast<node*>(end.at), 0)->value -
                       voltage(const_cast<node*>(end.toward), 0)->value;
      const int32_t type = end.entry->conection->type;
      // The netlist's DIFFERENCE option picks the forms of all the branches.
      EXPECT_EQ(type == conection_type::cap2 || type == conection_type::junction_diode_central,
                std::string(r.label).find("central") != std::string::npos)
          << r.label << ", " << suffix;
      if (type == conection_type::cap1 || type == conection_type::cap2) {
        sums.charge += find_attribute(end.entry->conection, attr::capacitance)->value * v;
        continue;
      }
      // A junction diode: its anode is the last node of its list.
      node_ref* r = end.entry->nodes;
      while (r->next != nullptr) r = r->next;
      const double s = r->node == x ? 1.0 : -1.0;
      const junction_point p = junction_law(read_junction_card(end.entry->conection), s * v);
      sums.charge += s * p.charge;
      sums.current += s * p.current;
    }
  }
  return sums;
}

TEST(mos_transistor, compiled_charges_and_bulk_currents_against_spice_forms) {
  for (const charge_row& r : charge_rows) {
    auto compiled = compile_and_read(r.netlist);
    ASSERT_TRUE(compiled->result.ok) << r.label;
    const char* names[4] = {"d", "g", "s", "b"};
    const double v[4] = {r.vd, r.vg, r.vs, r.vb};
    for (int i = 0; i < 4; ++i) {
      if (compiled->index(names[i]) >= 0) voltage(compiled->node_named(names[i]), 0)->value = v[i];
    }
    const terminal_sums gate = sums_at(compiled->c, compiled->node_named(r.gate), r);
    const terminal_sums bulk = sums_at(compiled->c, compiled->node_named(r.bulk), r);
    EXPECT_NEAR(gate.charge, r.gate_charge, 1e-9 * std::fabs(r.gate_charge)) << r.label;
    EXPECT_NEAR(bulk.charge, r.bulk_charge, 1e-9 * std::fabs(r.bulk_charge)) << r.label;
    EXPECT_NEAR(bulk.current, r.bulk_current, 1e-9 * std::fabs(r.bulk_current)) << r.label;
  }
}

// Transistors in saturation with body effect, the linear region behind RD
// and RS, a p-channel one, and one whose KP comes from TOX and U0, solved
// from a zero start;
// ngspice's operating point of the same netlist (printed with 11 digits).
TEST(mos_transistor, operating_point_is_ngspices) {
  const std::string netlist =
      "VDD vdd 0 5\nVG g 0 2\nVB nb 0 -1\n"
      "R1 vdd d1 10k\nM1 d1 g 0 nb NM W=20u L=2u\n"
      "R2 vdd d2 1k\nM2 d2 g 0 0 NM W=20u L=2u\n"
      "R3 0 d3 10k\nM3 d3 g vdd vdd PM W=40u L=2u\n"
      "R4 vdd d4 100k\nM4 d4 vdd 0 0 NR W=20u L=2u\n"
      ".model NM NMOS (LEVEL=1 VTO=0.8 KP=50u GAMMA=0.5 PHI=0.65 LAMBDA=0.02 CGSO=1n CBD=10f)\n"
      ".model PM PMOS (LEVEL=1 VTO=-0.9 KP=20u GAMMA=0.4 PHI=0.7 LAMBDA=0.03)\n"
      ".model NR NMOS (LEVEL=1 VTO=0.8 KP=50u RD=200 RS=100)\n"
      // KP from the oxide: U0 eps_ox / TOX.
      "R5 vdd d5 10k\nM5 d5 g 0 0 NT W=10u L=2u\n.model NT NMOS (LEVEL=1 VTO=0.7 TOX=20n U0=500)\n";
  const compiled_netlist compiled = compile_netlist(netlist);
  ASSERT_TRUE(compiled.ok);
  job_run job = run_job(write_network(compiled.network), "1e-12\nn\n1\ny\ny\n1\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  const std::unique_ptr<loaded_state> state = load_state(job, "0.var");
  struct row {
    const char* node;
    double ngspice;
  };
  const row rows[] = {{"d1", 2.57313182567},
                      {"d2", 4.60683081353},
                      {"d3", 4.39969048199},
                      {"d4", 0.0386048819599},
                      {"d5", 1.35261684795}};
  for (const row& r : rows) {
    for (std::size_t i = 0; i < compiled.names.nodes.size(); ++i) {
      if (compiled.names.nodes[i] != r.node) continue;
      EXPECT_NEAR(state->voltage(static_cast<int>(i), 0), r.ngspice, 1e-9) << r.node;
    }
  }
}

}  // namespace
}  // namespace pss::test
