#include <gtest/gtest.h>

#include <cmath>
#include <string>

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

junction_card card(double is, double n, double cjo, double tt, double bv) {
  return {is, n, cjo, 1.0, 0.5, 0.5, tt, bv, 1e-3};
}

struct law_row {
  std::string label;
  junction_card d;
  double v;
  double current, charge;  // closed forms, worked out apart from the model
};

const junction_card plain = card(1e-14, 1, 0, 0, 0);
const junction_card stored = card(1e-14, 2, 2e-12, 1e-9, 0);
const junction_card knee = card(1e-14, 1, 0, 0, 10);
// BVe = 10 - Vt ln(1e-3 / 1e-14): the knee where -IBV flows at -BV.
const double bve = 10 - vt * std::log(1e11);

// clang-format off
const law_row law_rows[] = {
    {"forward", plain, 0.65, 1e-14 * (std::exp(0.65 / vt) - 1) + gmin * 0.65, 0},
    {"far forward, unclipped", plain, 1.0, 1e-14 * (std::exp(1.0 / vt) - 1) + gmin, 0},
    {"reverse", plain, -3, -1e-14 * (1 - std::exp(-3 / vt)) - 3 * gmin, 0},
    {"stored charge, depletion below FC VJ", stored, -2,
     1e-14 * (std::exp(-2 / (2 * vt)) - 1) - 2 * gmin,
     1e-9 * 1e-14 * (std::exp(-1 / vt) - 1) + 2e-12 * 2 * (1 - std::sqrt(3.0))},
    {"stored charge, above FC VJ", stored, 0.7,
     1e-14 * (std::exp(0.7 / (2 * vt)) - 1) + 0.7 * gmin,
     // F1 = 2 (1 - sqrt(0.5)), F2 = 0.5^1.5, F3 = 0.25
     1e-9 * 1e-14 * (std::exp(0.7 / (2 * vt)) - 1) +
         2e-12 * 2 * (1 - std::sqrt(0.5)) +
         2e-12 / std::pow(0.5, 1.5) * (0.25 * 0.2 + 0.25 * (0.49 - 0.25))},
    {"at the breakdown voltage", knee, -10, -1e-3 - 1e-14 * (1 - std::exp(-10 / vt)) - 10 * gmin + 1e-14, 0},
    {"above the knee", knee, -bve + 0.1, -1e-14 * (1 - std::exp((-bve + 0.1) / vt)) + (-bve + 0.1) * gmin, 0},
};
// clang-format on

TEST(junction_law, current_and_charge_against_closed_forms) {
  for (const law_row& r : law_rows) {
    const junction_point p = junction_law(r.d, r.v);
    EXPECT_NEAR(p.current, r.current, 1e-9 * std::fabs(r.current)) << r.label;
    EXPECT_NEAR(p.charge, r.charge, 1e-9 * std::fabs(r.charge) + 1e-30) << r.label;
  }
}

// The conductance and capacitance are the derivatives of the current and
// the charge the law returns, in every region of the table.
TEST(junction_law, derivatives_against_finite_differences) {
  for (const law_row& r : law_rows) {
    const double h = 1e-6;
    const junction_point p = junction_law(r.d, r.v);
    const junction_point up = junction_law(r.d, r.v + h);
    const junction_point down = junction_law(r.d, r.v - h);
    EXPECT_NEAR(p.conductance, (up.current - down.current) / (2 * h), 1e-5 * p.conductance)
        << r.label;
    EXPECT_NEAR(p.capacitance, (up.charge - down.charge) / (2 * h), 1e-5 * p.capacitance + 1e-24)
        << r.label;
  }
}

TEST(junction_limit, steps_above_the_critical_voltage_grow_logarithmically) {
  const double vcrit = junction_critical_voltage(1e-14, vt);
  EXPECT_NEAR(vcrit, vt * std::log(vt / (std::sqrt(2.0) * 1e-14)), 1e-15);
  struct row {
    const char* label;
    double v_new, v_old, limited;
  };
  const row rows[] = {
      {"below vcrit: untouched", 0.5, 0.0, 0.5},
      {"small step above vcrit: untouched", vcrit + 0.04, vcrit, vcrit + 0.04},
      {"from reverse: logarithm of the new", 5.0, -1.0, vt * std::log(5.0 / vt)},
      {"forward step: logarithm of the step", 5.0, 0.7, 0.7 + vt * std::log(1 + 4.3 / vt)},
  };
  for (const row& r : rows) {
    EXPECT_NEAR(pn_limit(r.v_new, r.v_old, vt, vcrit), r.limited, 1e-12) << r.label;
  }
}

// The first evaluation takes a solution as it stands (a restart) unless it
// lies far forward, and always where pss-wave evaluates a stored one; later
// ones are limited against the last limited voltage, and a repeated voltage
// keeps its limited value.
TEST(junction_limit, first_call_unlimited_later_calls_against_the_last) {
  const double vcrit = junction_critical_voltage(1e-14, vt);
  junction_state s{};
  EXPECT_EQ(limited_junction_voltage(nullptr, s, 0.9, vt, vcrit, 0), 0.9);
  const double next = limited_junction_voltage(nullptr, s, 3.0, vt, vcrit, 0);
  EXPECT_NEAR(next, 0.9 + vt * std::log(1 + 2.1 / vt), 1e-12);
  EXPECT_EQ(limited_junction_voltage(nullptr, s, 3.0, vt, vcrit, 0), next);
  junction_state far{};
  EXPECT_NEAR(limited_junction_voltage(nullptr, far, 100.0, vt, vcrit, 0), vt * std::log(100 / vt),
              1e-12);
  // 1.9 V on a fresh junction of Is = 1 nA (a source's plane value against
  // a load still at its DC level) is no converged solution: limited too.
  junction_state start{};
  const double vcrit_1n = junction_critical_voltage(1e-9, vt);
  EXPECT_NEAR(limited_junction_voltage(nullptr, start, 1.9, vt, vcrit_1n, 0),
              vt * std::log(1.9 / vt), 1e-12);
  // pss-wave evaluates a stored solution: its currents are the law's, as far
  // forward as the solution stands.
  circuit stored{};
  stored.junctions_as_stored = true;
  junction_state read{};
  EXPECT_EQ(limited_junction_voltage(&stored, read, 1.9, vt, vcrit_1n, 0), 1.9);
}

// Within one assembly a repeated voltage keeps its limited value; the next
// assembly limits it afresh against that value. Every limited evaluation is
// counted on the circuit, which Newton reads before it calls a step small.
TEST(junction_limit, each_assembly_limits_afresh_and_counts_its_limits) {
  const double vcrit = junction_critical_voltage(1e-14, vt);
  circuit c{};
  junction_state s{};
  c.assembly_serial = 1;
  EXPECT_EQ(limited_junction_voltage(&c, s, 0.9, vt, vcrit, 0), 0.9);
  EXPECT_EQ(c.limited_evaluations, 0);
  c.assembly_serial = 2;
  const double first = limited_junction_voltage(&c, s, 3.0, vt, vcrit, 0);
  EXPECT_EQ(limited_junction_voltage(&c, s, 3.0, vt, vcrit, 0), first);
  EXPECT_EQ(c.limited_evaluations, 2);
  c.assembly_serial = 3;
  const double second = limited_junction_voltage(&c, s, 3.0, vt, vcrit, 0);
  EXPECT_NEAR(second, first + vt * std::log(1 + (3.0 - first) / vt), 1e-12);
  EXPECT_EQ(c.limited_evaluations, 3);
}

// calc_res of the diode between rings a (anode) and k (cathode) of three
// planes, against a finite difference of the currents it returns.
void check_jacobian(int32_t type, const std::string& label) {
  fragment f(3, 1e-3, period_fixed);
  const std::vector<node*> a = f.add_ring(0, {0.60, 0.62, 0.55});
  const std::vector<node*> k = f.add_ring(10, {-0.01, 0.02, 0.03});
  const attribute_list at = {
      {attr::junction_n, 1.2}, {attr::junction_cjo, 1e-12}, {attr::junction_tt, 1e-9}};
  const bool central = type == conection_type::junction_diode_central;
  std::vector<conection_entry*> at_a, at_k;
  for (int j = 0; j < 3; ++j) {
    const int p = (j + 2) % 3;
    const int n = (j + 1) % 3;
    std::vector<node*> la = {k[p], a[p]};
    std::vector<node*> lk = {a[p], k[p]};
    if (central) {
      la.insert(la.end(), {k[n], a[n]});
      lk.insert(lk.end(), {a[n], k[n]});
    }
    la.push_back(a[j]);
    lk.push_back(a[j]);
    at_a.push_back(f.add_element(a[j], k[j], type, at, la));
    at_k.push_back(f.add_element(k[j], a[j], type, at, lk));
    // As the expansion leaves them: each end's record shared by all planes.
    at_a[j]->conection = at_a[0]->conection;
    at_k[j]->conection = at_k[0]->conection;
  }
  auto residual = [&](node* row, node* nb, conection_entry* e, tagged_value** entries) {
    dvar_group* g = find_dvar_group(row->dvar_groups, group_id::voltage);
    dvar_group* gn = find_dvar_group(nb->dvar_groups, group_id::voltage);
    return calc_res(type, &f.c, row, nb, g, gn, e, entries, 0);
  };
  for (int j = 0; j < 3; ++j) {
    for (int side = 0; side < 2; ++side) {
      node* row = side == 0 ? a[j] : k[j];
      node* nb = side == 0 ? k[j] : a[j];
      conection_entry* e = side == 0 ? at_a[j] : at_k[j];
      tagged_value* entries = nullptr;
      residual(row, nb, e, &entries);
      for (tagged_value* t = entries; t != nullptr; t = t->next) {
        node* x = t->tag < 10 ? a[static_cast<std::size_t>(t->tag)]
                              : k[static_cast<std::size_t>(t->tag - 10)];
        dvar* d = voltage(x, 0);
        const double h = 1e-7;
        tagged_value* scratch = nullptr;
        d->value += h;
        const double up = residual(row, nb, e, &scratch);
        d->value -= 2 * h;
        const double down = residual(row, nb, e, &scratch);
        d->value += h;
        // The entries are the negated derivatives of the row's current.
        const double fd = -(up - down) / (2 * h);
        EXPECT_NEAR(t->value, fd, 1e-5 * std::fabs(fd) + 1e-12)
            << label << ", plane " << j << ", side " << side << ", column " << t->tag;
      }
    }
  }
}

// Over a period the charge current of either difference form sums to zero
// however the voltage moves: what flows is the static current alone.
void check_charge_conserved(int32_t type, const std::string& label) {
  const std::vector<double> va = {0.55, -2.0, 0.62, 0.3};
  fragment f(4, 1e-3, period_fixed);
  const std::vector<node*> a = f.add_ring(0, va);
  const std::vector<node*> k = f.add_ring(10, {0, 0, 0, 0});
  const attribute_list at = {{attr::junction_cjo, 3e-12}, {attr::junction_tt, 5e-9}};
  const bool central = type == conection_type::junction_diode_central;
  std::vector<conection_entry*> entries;
  for (int j = 0; j < 4; ++j) {
    std::vector<node*> list = {k[(j + 3) % 4], a[(j + 3) % 4]};
    if (central) list.insert(list.end(), {k[(j + 1) % 4], a[(j + 1) % 4]});
    list.push_back(a[j]);
    entries.push_back(f.add_element(a[j], k[j], type, at, list));
    entries[j]->conection = entries[0]->conection;
  }
  const junction_card d = read_junction_card(entries[0]->conection);
  double flowing = 0, static_sum = 0;
  for (int j = 0; j < 4; ++j) {
    tagged_value* out = nullptr;
    dvar_group* g = find_dvar_group(a[j]->dvar_groups, group_id::voltage);
    dvar_group* gn = find_dvar_group(k[j]->dvar_groups, group_id::voltage);
    flowing -= calc_res(type, &f.c, a[j], k[j], g, gn, entries[j], &out, 0);
    static_sum += junction_law(d, va[j]).current;
  }
  EXPECT_NEAR(flowing, static_sum, 1e-12 * std::fabs(static_sum)) << label;
}

TEST(junction_diode, charge_current_sums_to_zero_over_the_period) {
  check_charge_conserved(conection_type::junction_diode, "backward charge");
  check_charge_conserved(conection_type::junction_diode_central, "central charge");
}

TEST(junction_diode, jacobian_against_finite_differences) {
  check_jacobian(conection_type::junction_diode, "backward charge");
  check_jacobian(conection_type::junction_diode_central, "central charge");
}

std::string solved_voltage(const std::string& netlist, const std::string& node_name,
                           double& value) {
  const compiled_netlist compiled = compile_netlist(netlist);
  if (!compiled.ok) return "does not compile";
  job_run job = run_job(write_network(compiled.network), "1e-9\nn\n50\ny\ny\n4\n");
  if (job.result.status != 0) return "pss failed:\n" + job.result.out;
  const std::unique_ptr<loaded_state> state = load_state(job, "0.var");
  for (std::size_t i = 0; i < compiled.names.nodes.size(); ++i) {
    if (compiled.names.nodes[i] == node_name) value = state->voltage(static_cast<int>(i), 0);
  }
  return "";
}

// ngspice's operating point of the same circuit: 0.6294408 V.
TEST(junction_diode, one_diode_through_a_resistor_sits_where_ngspice_does) {
  double v = 0;
  EXPECT_EQ(solved_voltage("V1 in 0 DC 1\nR1 in a 1k\nD1 a 0 1e-14\n", "a", v), "");
  EXPECT_NEAR(v, 0.6294408, 5e-6);
}

// A junction diode as an F's control: the copy of its current, 1 - 0.62944
// V over 1 kOhm, into another 1 kOhm. Reading the anode from the wrong end
// of the control's list turns the sign.
TEST(junction_diode, controls_a_generator_as_the_clipped_diode_does) {
  double v = 0;
  EXPECT_EQ(
      solved_voltage("V1 in 0 DC 1\nR1 in a 1k\nD1 a 0 1e-14\nF1 0 o D1 1\nRL o 0 1k\n", "o", v),
      "");
  EXPECT_NEAR(v, 1 - 0.6294408, 5e-6);
}

// 100 V straight onto the diode through 1 ohm from a zero start: the
// unlimited law overflows at the first Newton step (exp(100 V / Vt) is
// beyond double range), the limited one walks up the exponential.
TEST(junction_diode, hard_forward_drive_converges_where_the_unlimited_law_overflows) {
  EXPECT_TRUE(std::isinf(1e-14 * std::exp(100 / vt)));
  double v = 0;
  EXPECT_EQ(solved_voltage("V1 in 0 DC 100\nR1 in a 1\nD1 a 0 1e-14\n", "a", v), "");
  // About 100 A through the junction: V = Vt ln(100 / 1e-14 + 1).
  const double i = (100 - v) / 1;
  EXPECT_NEAR(v, vt * std::log(i / 1e-14 + 1), 1e-6);
  EXPECT_GT(v, 0.9);
}

// A half-wave rectifier straight from its 5 V source into a load of 100
// periods. The first PSS iteration pairs the source's plane values with
// the load's DC level of 0 V, up to 5 V across the junction; taken as it
// stood, Newton walked the junction back down by about Vt an iteration
// and needed 70 of them.
TEST(junction_diode, rectifier_from_a_dc_start_converges_in_few_iterations) {
  const compiled_netlist compiled =
      compile_netlist("V1 in 0 SIN(5)\nD1 in out 1n\nRL out 0 10k\nCL out 0 200u\n");
  ASSERT_TRUE(compiled.ok);
  job_run job = run_job(write_network(compiled.network), "1e-9\nn\n50\ny\ny\n64\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  int iterations = 0;
  for (std::size_t at = 0; (at = job.result.out.find("iter ", at)) != std::string::npos; ++at) {
    ++iterations;
  }
  EXPECT_LE(iterations, 25);
}

// A diode at an oscillator's tank node: in the plane after the injection
// the windowed switch hands the tank's history over from the injection
// node, where the diode has no record. The charge of that previous plane
// was looked up there, and the job stopped with "junction diode missing in
// a neighbouring plane"; now it finds the natural cycle.
TEST(junction_diode, at_an_oscillators_tank_node_takes_the_handed_over_history) {
  const compiled_netlist compiled = compile_netlist(
      "C1 o 0 0.15915494309189535\nRP o 0 50\nRN o 0 POLY(-25 0 -36) LIMITS(-10 10)\n"
      "L1 o 0 0.15915494309189535\nD1 0 o 1e-14 CJO=10m\n.osc o 1 1\n");
  ASSERT_TRUE(compiled.ok);
  job_run job = run_job(write_network(compiled.network), "1e-9\nn\n0.995\nn\ny\n32\nn\n0.0\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  // The diode's capacitance adds to the tank's and lowers its frequency.
  EXPECT_GT(load_state(job, "O0.var")->period(), 1.0);
}

}  // namespace
}  // namespace pss::test
