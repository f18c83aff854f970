// The Newton iteration's error measure, its visit order of the unknowns,
// the voltage-source values, and where list nodes of an element may stand.
#include "newton/newton.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/assemble.h"
#include "support/circuit_plan.h"
#include "support/job.h"
#include "support/net_builder.h"

namespace pss {
namespace {

TEST(calc_error, weighs_each_correction_by_its_value_and_classifies_it) {
  struct row {
    std::vector<double> correction, present;
    double accuracy;
    int code;
    double error;
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const row rows[] = {
      {{0.0}, {5.0}, 1e-9, newton_converged, 0.0},
      {{0.0}, {5.0}, 0.0, newton_not_converged, 0.0},            // an accuracy of 0 is never met
      {{0.3}, {3.0}, 1.0, newton_converged, 0.15},               // |d| / sqrt(|x| + 1)
      {{0.15}, {0.0}, 0.15, newton_not_converged, 0.15},         // equal is not converged
      {{3.0, 4.0}, {0.0, 0.0}, 1.0, newton_not_converged, 2.5},  // root of the sum over n
      {{4e5}, {15.0}, 1.0, newton_not_converged, 1e5},           // exactly 1e5: code 1
      {{4.0000004e5}, {15.0}, 1.0, newton_diverged, 1.0000001e5},
      {{nan}, {1.0}, 1.0, newton_not_converged, nan},
  };
  for (const row& r : rows) {
    std::vector<double> c = r.correction, p = r.present;
    const real_vector correction{c.data(), static_cast<int32_t>(c.size())};
    const real_vector present{p.data(), static_cast<int32_t>(p.size())};
    const error_measure m = calc_error(&correction, &present, r.accuracy);
    EXPECT_EQ(m.code, r.code) << r.correction[0];
    if (std::isnan(r.error)) {
      EXPECT_TRUE(std::isnan(m.error));
    } else {
      EXPECT_NEAR(m.error, r.error, 1e-12 * r.error) << r.correction[0];
    }
  }
}

TEST(vsource_value, adds_the_first_sine_with_its_phase_in_periods) {
  network net;
  test::read_text_network(net, test::data_text("oscillator.txt"));
  node* s = get_node_with_index(net.circuit, 1);
  node* g = get_node_with_index(net.circuit, 0);
  conection_entry* at_s = get_conection(s, g, 0);
  conection* v1 = at_s->conection;
  // dc 1, amplitude 2, phase 0.25 of a period, harmonic 1, and a second
  // component that is not read.
  tagged_value* a = v1->attributes;  // attribute 82 = 1.0 as read
  a->next = arena_array<tagged_value>(net.memory, 5);
  const int32_t tags[] = {81, 83, 80, 81, 82};
  const double values[] = {2.0, 0.25, 1.0, 100.0, 50.0};
  for (int i = 0; i < 5; ++i) {
    a->next[i] = {tags[i], values[i], i < 4 ? &a->next[i + 1] : nullptr};
  }
  find_value(s->params, 0)->value = 0.0;
  EXPECT_NEAR(vsource_value(s, at_s), 3.0, 1e-15);
  find_value(s->params, 0)->value = 0.25;
  EXPECT_NEAR(vsource_value(s, at_s), 1.0, 1e-15);
  // Seen from the node that is not first in the list, the value is negated.
  get_conection(g, s, 0)->nodes->node = g;
  EXPECT_NEAR(vsource_value(s, get_conection(g, s, 0)), -1.0, 1e-15);
}

// Where the series-source node of a resistor may stand: the matrix has a
// place in a row only for the row node's neighbours and for fixed nodes.
test::circuit_plan series_source(bool source_fixed, bool source_is_neighbour) {
  test::circuit_plan plan;
  const int s = plan.fixed(0.0);
  const int a = plan.unknown();
  const int x = source_fixed ? plan.fixed(0.0) : plan.unknown();
  plan.add({"V1", conection_type::vsource, s, 0, 0, {{82, 1.0}}, {s}, {s}, {}});
  if (source_fixed) {
    plan.add({"V2", conection_type::vsource, x, 0, 0, {{82, 0.5}}, {x}, {x}, {}});
  } else {
    plan.resistor("RX", x, 0, 1000);
  }
  if (source_is_neighbour) plan.resistor("RN", a, x, 1000);
  plan.resistor("R1", s, a, 1000);
  plan.add({"R2", conection_type::resistor, a, 0, 1, {{100, 1000}}, {x}, {x}, {}});
  return plan;
}

TEST(list_nodes, a_series_source_must_be_fixed_or_a_neighbour) {
  const std::string answers = "1e-12\nn\n50\ny\ny\n1\n";
  const auto fixed = test::run_job(series_source(true, false).bytes(), answers);
  EXPECT_EQ(fixed.result.status, 0) << fixed.result.out;
  auto state = test::load_state(fixed, "DC0.var");
  // Into a: (1 - a)/1k + (0 - a + 0.5)/1k = 0.
  EXPECT_NEAR(state->voltage(2, 0), 0.75, 1e-12);

  const auto neighbour = test::run_job(series_source(false, true).bytes(), answers);
  EXPECT_EQ(neighbour.result.status, 0) << neighbour.result.out;

  // a and x are unknowns 0 and 1, with no place for each other.
  const auto elsewhere = test::run_job(series_source(false, false).bytes(), answers);
  EXPECT_EQ(elsewhere.result.status, 1);
  EXPECT_NE(elsewhere.result.out.find("error, add_ele_to_matrix: ele[1, 0] not found\n"),
            std::string::npos)
      << elsewhere.result.out;
}

TEST(update_dvars, visits_unknowns_in_numbering_order_and_skips_twins) {
  network net;
  test::read_text_network(net, test::data_text("twins.txt"));
  circuit* c = net.circuit;
  // Node 0's voltage (number 0) is shared by its twins; its group 30 holds
  // fixed dvars; the period is fixed. One unknown.
  std::vector<double> delta = {0.5};
  const real_vector correction{delta.data(), 1};
  const double before = c->nodes->dvar_groups->dvars->value;
  update_dvars(c, &correction);
  EXPECT_EQ(c->nodes->dvar_groups->dvars->value, before + 0.5);
  EXPECT_EQ(find_dvar_group(c->nodes->dvar_groups, 30)->dvars->value, 5.0);
  std::vector<double> values = {0.0};
  real_vector present{values.data(), 1};
  get_dvar_values(c, &present);
  EXPECT_EQ(values[0], before + 0.5);
}

}  // namespace
}  // namespace pss
