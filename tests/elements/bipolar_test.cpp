// The Gummel-Poon bipolar transistor: its law against closed forms in every
// region, its branches' Jacobian against finite differences of their own
// currents, and a compiled transistor stage at ngspice's operating point.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "elements/calc_res.h"
#include "elements/fragment.h"
#include "elements/models.h"
#include "model/codes.h"
#include "support/job.h"
#include "tools/netlist/netlist.h"

namespace pss::test {
namespace {

constexpr double vt = 0.025865;
constexpr double gmin = 1e-12;

bipolar_card card() {
  bipolar_card d{};
  d.polarity = 1;
  d.is = 1e-16;
  d.bf = 100;
  d.br = 1;
  d.nf = d.nr = 1;
  d.ne = 1.5;
  d.nc = 2;
  d.vje = d.vjc = 0.75;
  d.mje = d.mjc = 0.33;
  d.fc = 0.5;
  return d;
}

bipolar_card early() {
  bipolar_card d = card();
  d.vaf = 50;
  d.var = 10;
  return d;
}

bipolar_card knee() {
  bipolar_card d = card();
  d.ikf = 1e-3;
  d.ikr = 1e-4;
  return d;
}

bipolar_card leaky() {
  bipolar_card d = card();
  d.ise = 1e-14;
  d.isc = 1e-13;
  return d;
}

bipolar_card charged() {
  bipolar_card d = knee();
  d.cje = 2e-12;
  d.vje = 0.8;
  d.mje = 0.4;
  d.cjc = 1e-12;
  d.vjc = 0.6;
  d.mjc = 0.5;
  d.tf = 3e-10;
  d.tr = 1e-8;
  return d;
}

double ideal(double is, double v, double n) {
  return is * (std::exp(v / (n * vt)) - 1);
}

// The closed forms, written out apart from the model for each row.
struct law_row {
  std::string label;
  bipolar_card d;
  double vbe, vbc;
  double transport, base_emitter, base_collector;  // A
  double qbe, qbc;                                 // C
};

const double f7 = ideal(1e-16, 0.7, 1);
const double r3 = ideal(1e-16, -3, 1);
const double f75 = ideal(1e-16, 0.75, 1);
const double r6 = ideal(1e-16, 0.6, 1);
const double f85 = ideal(1e-16, 0.85, 1);
const double r2 = ideal(1e-16, -2, 1);
// High injection: qb = (1 + sqrt(1 + 4 (If/IKF + Ir/IKR))) / 2.
const double qb85 = (1 + std::sqrt(1 + 4 * (f85 / 1e-3 + r2 / 1e-4))) / 2;
const double f35 = ideal(1e-16, 0.35, 1);
const double qb35 = (1 + std::sqrt(1 + 4 * (f35 / 1e-3 + r3 / 1e-4))) / 2;
// Depletion below FC VJ: CJ0 VJ (1 - (1 - v/VJ)^(1-M)) / (1 - M).
const double qje_35 = 2e-12 * 0.8 * (1 - std::pow(1 - 0.35 / 0.8, 0.6)) / 0.6;
const double qjc_3 = 1e-12 * 0.6 * (1 - std::pow(1 + 3 / 0.6, 0.5)) / 0.5;
// Above FC VJ, SPICE's quadratic: CJ0 (F1 + (F3 (v - FC VJ) + M/(2 VJ) (v^2 - (FC VJ)^2)) / F2).
const double qje_85 = 2e-12 * (0.8 * (1 - std::pow(0.5, 0.6)) / 0.6 +
                               ((1 - 0.5 * 1.4) * (0.85 - 0.4) + 0.4 / 1.6 * (0.85 * 0.85 - 0.16)) /
                                   std::pow(0.5, 1.4));

// clang-format off
const law_row law_rows[] = {
    {"forward active", card(), 0.7, -3,
     f7 - r3, f7 / 100 + 0.7 * gmin, r3 - 3 * gmin, 0, 0},
    {"forward active, Early effect: It (1 - vbc/VAF - vbe/VAR)", early(), 0.7, -3,
     (f7 - r3) * (1 + 3.0 / 50 - 0.7 / 10), f7 / 100 + 0.7 * gmin, r3 - 3 * gmin, 0, 0},
    {"saturation", card(), 0.75, 0.6,
     f75 - r6, f75 / 100 + 0.75 * gmin, r6 + 0.6 * gmin, 0, 0},
    {"cut-off", card(), -2, -5,
     r2 - ideal(1e-16, -5, 1), r2 / 100 - 2 * gmin, ideal(1e-16, -5, 1) - 5 * gmin, 0, 0},
    {"reverse active", card(), -3, 0.7,
     r3 - f7, r3 / 100 - 3 * gmin, f7 + 0.7 * gmin, 0, 0},
    {"leakage currents with their own emission coefficients", leaky(), 0.6, -1,
     ideal(1e-16, 0.6, 1) - ideal(1e-16, -1, 1),
     ideal(1e-16, 0.6, 1) / 100 + ideal(1e-14, 0.6, 1.5) + 0.6 * gmin,
     ideal(1e-16, -1, 1) + ideal(1e-13, -1, 2) - gmin, 0, 0},
    {"high injection above IKF", knee(), 0.85, -2,
     (f85 - r2) / qb85, f85 / 100 + 0.85 * gmin, r2 - 2 * gmin, 0, 0},
    {"charges: TF If/qb and depletion below FC VJ", charged(), 0.35, -3,
     (f35 - r3) / qb35, f35 / 100 + 0.35 * gmin, r3 - 3 * gmin,
     3e-10 * f35 / qb35 + qje_35, 1e-8 * r3 + qjc_3},
    {"charges: depletion above FC VJ", charged(), 0.85, -3,
     (f85 - r3) / ((1 + std::sqrt(1 + 4 * (f85 / 1e-3 + r3 / 1e-4))) / 2),
     f85 / 100 + 0.85 * gmin, r3 - 3 * gmin,
     3e-10 * f85 / ((1 + std::sqrt(1 + 4 * (f85 / 1e-3 + r3 / 1e-4))) / 2) + qje_85,
     1e-8 * r3 + qjc_3},
    {"charges: TF If under reverse bias, no qb", charged(), -1, 0.5,
     (ideal(1e-16, -1, 1) - ideal(1e-16, 0.5, 1)) /
         ((1 + std::sqrt(1 + 4 * (ideal(1e-16, -1, 1) / 1e-3 + ideal(1e-16, 0.5, 1) / 1e-4))) / 2),
     ideal(1e-16, -1, 1) / 100 - gmin, ideal(1e-16, 0.5, 1) + 0.5 * gmin,
     3e-10 * ideal(1e-16, -1, 1) + 2e-12 * 0.8 * (1 - std::pow(1 + 1 / 0.8, 0.6)) / 0.6,
     1e-8 * ideal(1e-16, 0.5, 1) +
         1e-12 * (0.6 * (1 - std::pow(0.5, 0.5)) / 0.5 +
                  ((1 - 0.5 * 1.5) * (0.5 - 0.3) + 0.5 / 1.2 * (0.25 - 0.09)) / std::pow(0.5, 1.5))},
};
// clang-format on

void expect_close(double got, double want, const std::string& what) {
  EXPECT_NEAR(got, want, 1e-9 * std::fabs(want) + 1e-30) << what;
}

TEST(bipolar_law, currents_and_charges_against_closed_forms) {
  for (const law_row& r : law_rows) {
    const bipolar_point p = bipolar_law(r.d, r.vbe, r.vbc);
    expect_close(p.transport.current, r.transport, r.label + ": transport");
    expect_close(p.base_emitter.current, r.base_emitter, r.label + ": base-emitter");
    expect_close(p.base_collector.current, r.base_collector, r.label + ": base-collector");
    expect_close(p.base_emitter.charge, r.qbe, r.label + ": Qbe");
    expect_close(p.base_collector.charge, r.qbc, r.label + ": Qbc");
    EXPECT_EQ(p.transport.charge, 0) << r.label;
  }
}

// Every derivative the law returns is the slope of what it returns, in
// every region of the table.
TEST(bipolar_law, derivatives_against_finite_differences) {
  for (const law_row& r : law_rows) {
    const double h = 1e-6;
    const bipolar_point p = bipolar_law(r.d, r.vbe, r.vbc);
    const bipolar_point be_up = bipolar_law(r.d, r.vbe + h, r.vbc);
    const bipolar_point be_down = bipolar_law(r.d, r.vbe - h, r.vbc);
    const bipolar_point bc_up = bipolar_law(r.d, r.vbe, r.vbc + h);
    const bipolar_point bc_down = bipolar_law(r.d, r.vbe, r.vbc - h);
    auto check = [&](bipolar_branch bipolar_point::*branch, const char* name) {
      const bipolar_branch& b = p.*branch;
      const double di_be = ((be_up.*branch).current - (be_down.*branch).current) / (2 * h);
      const double di_bc = ((bc_up.*branch).current - (bc_down.*branch).current) / (2 * h);
      const double dq_be = ((be_up.*branch).charge - (be_down.*branch).charge) / (2 * h);
      const double dq_bc = ((bc_up.*branch).charge - (bc_down.*branch).charge) / (2 * h);
      const std::string at = r.label + ", " + name;
      EXPECT_NEAR(b.current_vbe, di_be, 1e-5 * std::fabs(di_be) + 1e-18) << at;
      EXPECT_NEAR(b.current_vbc, di_bc, 1e-5 * std::fabs(di_bc) + 1e-18) << at;
      EXPECT_NEAR(b.charge_vbe, dq_be, 1e-5 * std::fabs(dq_be) + 1e-26) << at;
      EXPECT_NEAR(b.charge_vbc, dq_bc, 1e-5 * std::fabs(dq_bc) + 1e-26) << at;
    };
    check(&bipolar_point::transport, "transport");
    check(&bipolar_point::base_emitter, "base-emitter");
    check(&bipolar_point::base_collector, "base-collector");
  }
}

// The three branches of one transistor between rings C, B, E of three
// planes, with the node lists the expansion leaves them, the period free.
// For every branch, plane and end: the entries against a finite difference
// of the currents calc_res returns (the period included), and over the
// period the current that flows is the static currents' alone.
void check_branches(bool central, double polarity, const std::string& label) {
  fragment f(3, 1e-6, period_column);
  const double s = polarity;
  const std::vector<node*> c = f.add_ring(0, {s * 2.0, s * 0.1, s * 1.5});
  const std::vector<node*> b = f.add_ring(10, {s * 0.72, s * 0.68, s * 0.55});
  const std::vector<node*> e = f.add_ring(20, {0.0, s * -0.02, s * 0.01});
  const attribute_list at = {{attr::bipolar_polarity, polarity},
                             {attr::bipolar_is, 1e-15},
                             {attr::bipolar_vaf, 40},
                             {attr::bipolar_var, 8},
                             {attr::bipolar_ikf, 5e-3},
                             {attr::bipolar_ikr, 1e-3},
                             {attr::bipolar_ise, 1e-13},
                             {attr::bipolar_isc, 1e-12},
                             {attr::bipolar_cje, 2e-12},
                             {attr::bipolar_cjc, 1e-12},
                             {attr::bipolar_tf, 3e-10},
                             {attr::bipolar_tr, 1e-8}};
  struct branch {
    int32_t type;
    const std::vector<node*>* from;
    const std::vector<node*>* to;
    double static_sum;  // sum over the planes of its current from `from` to `to`
    std::vector<conection_entry*> at_from, at_to;
  };
  std::vector<branch> branches = {
      {conection_type::bipolar_transport, &c, &e, 0, {}, {}},
      {central ? conection_type::bipolar_base_emitter_central
               : conection_type::bipolar_base_emitter,
       &b,
       &e,
       0,
       {},
       {}},
      {central ? conection_type::bipolar_base_collector_central
               : conection_type::bipolar_base_collector,
       &b,
       &c,
       0,
       {},
       {}},
  };
  for (branch& br : branches) {
    for (int j = 0; j < 3; ++j) {
      std::vector<node*> list = {c[j], b[j], e[j]};
      if (br.type != conection_type::bipolar_transport) {
        const int p = (j + 2) % 3;
        list.insert(list.end(), {c[p], b[p], e[p]});
        if (central) list.insert(list.end(), {c[(j + 1) % 3], b[(j + 1) % 3], e[(j + 1) % 3]});
      }
      br.at_from.push_back(f.add_element((*br.from)[j], (*br.to)[j], br.type, at, list));
      br.at_to.push_back(f.add_element((*br.to)[j], (*br.from)[j], br.type, at, list));
      br.at_from[j]->conection = br.at_from[0]->conection;
      br.at_to[j]->conection = br.at_to[0]->conection;
    }
  }
  const bipolar_card d = read_bipolar_card(branches[0].at_from[0]->conection);
  for (branch& br : branches) {
    for (int j = 0; j < 3; ++j) {
      const double vbe = s * (voltage(b[j], 0)->value - voltage(e[j], 0)->value);
      const double vbc = s * (voltage(b[j], 0)->value - voltage(c[j], 0)->value);
      const bipolar_point p = bipolar_law(d, vbe, vbc);
      const bipolar_branch& law = br.type == conection_type::bipolar_transport ? p.transport
                                  : br.to == &e                                ? p.base_emitter
                                                                               : p.base_collector;
      br.static_sum += s * law.current;
    }
  }
  dvar* period = find_dvar_group(f.c.global_dvars, group_id::period)->dvars;
  auto column_value = [&](int32_t column) -> double& {
    if (column == period_column) return period->value;
    const std::vector<node*>& ring = column < 10 ? c : column < 20 ? b : e;
    return voltage(ring[static_cast<std::size_t>(column % 10)], 0)->value;
  };
  for (branch& br : branches) {
    double flowing = 0;
    for (int j = 0; j < 3; ++j) {
      for (int side = 0; side < 2; ++side) {
        node* row = side == 0 ? (*br.from)[j] : (*br.to)[j];
        node* nb = side == 0 ? (*br.to)[j] : (*br.from)[j];
        conection_entry* entry = side == 0 ? br.at_from[j] : br.at_to[j];
        auto residual = [&](tagged_value** entries) {
          return calc_res(br.type, &f.c, row, nb,
                          find_dvar_group(row->dvar_groups, group_id::voltage),
                          find_dvar_group(nb->dvar_groups, group_id::voltage), entry, entries, 0);
        };
        tagged_value* entries = nullptr;
        const double current = residual(&entries);
        if (side == 0) flowing -= current;
        std::map<int32_t, double> by_column;
        for (tagged_value* t = entries; t != nullptr; t = t->next) by_column[t->tag] += t->value;
        for (const auto& [column, value] : by_column) {
          double& x = column_value(column);
          const double h = column == period_column ? 1e-10 : 1e-6;
          tagged_value* scratch = nullptr;
          x += h;
          const double up = residual(&scratch);
          x -= 2 * h;
          const double down = residual(&scratch);
          x += h;
          const double fd = -(up - down) / (2 * h);  // entries hold minus the derivative
          EXPECT_NEAR(value, fd, 1e-6 * std::fabs(fd) + 1e-11)
              << label << ", type " << br.type << ", plane " << j << ", side " << side
              << ", column " << column;
        }
      }
    }
    EXPECT_NEAR(flowing, br.static_sum, 1e-9 * std::fabs(br.static_sum))
        << label << ", " << br.type;
  }
}

TEST(bipolar, jacobian_against_finite_differences_and_charge_conserved) {
  check_branches(false, 1, "NPN, backward charge");
  check_branches(true, 1, "NPN, central charge");
  check_branches(false, -1, "PNP, backward charge");
  check_branches(true, -1, "PNP, central charge");
}

// A stage biased into soft saturation, every parameter of the DC model in
// play (RB, RC, RE inside; Early voltages, knees, leakages), and its PNP
// mirror, at ngspice's operating point of the same netlist. ngspice (.op,
// reltol 1e-10) run where its kT/q is 25.865 mV, at 27.000963 degrees C
// with its constants, gives V(c) = 2.25871773, V(b) = 2.74932159,
// V(e) = 1.97157396 (at 27 degrees C, up to 2.1e-6 V off these).
TEST(bipolar, compiled_stage_sits_at_ngspice_operating_point) {
  const std::string card =
      "(IS=1e-15 BF=120 BR=2 VAF=80 VAR=20 IKF=5m IKR=1m ISE=1e-13 NE=1.6 ISC=1e-13 NC=1.8 "
      "RB=50 RE=2 RC=10)\n";
  for (double sign : {1.0, -1.0}) {
    const std::string supply = sign > 0 ? "10" : "-10";
    const std::string netlist = "V1 vcc 0 DC " + supply +
                                "\nRB1 vcc b 100k\nRC1 vcc c 2k\nQ1 c b e QX\nRE1 e 0 500\n"
                                ".model QX " +
                                (sign > 0 ? "NPN " : "PNP ") + card;
    const compiled_netlist compiled = compile_netlist(netlist);
    ASSERT_TRUE(compiled.ok);
    job_run job = run_job(write_network(compiled.network), "1e-9\nn\n50\ny\ny\n4\n");
    ASSERT_EQ(job.result.status, 0) << job.result.out;
    const std::unique_ptr<loaded_state> state = load_state(job, "0.var");
    std::map<std::string, double> v;
    for (std::size_t i = 0; i < compiled.names.nodes.size(); ++i) {
      v[compiled.names.nodes[i]] = state->voltage(static_cast<int>(i), 2);
    }
    EXPECT_NEAR(v["c"], sign * 2.25871773132, 1e-8) << supply;
    EXPECT_NEAR(v["b"], sign * 2.74932158722, 1e-8) << supply;
    EXPECT_NEAR(v["e"], sign * 1.97157395812, 1e-8) << supply;
    EXPECT_EQ(compiled.names.nodes.size(), 8u);  // 0, vcc, b, c, e, Q1#c, Q1#b, Q1#e
  }
}

}  // namespace
}  // namespace pss::test
