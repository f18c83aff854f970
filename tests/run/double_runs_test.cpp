// The switch to two solution slots, and what the double runs refuse before
// they solve.
#include "run/double_runs.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "model/codes.h"
#include "model/lookups.h"
#include "planes/expand.h"
#include "support/bytes.h"
#include "support/circuit_plan.h"
#include "support/files.h"
#include "support/job.h"
#include "support/model_views.h"
#include "support/net_builder.h"

namespace pss {
namespace {

const char* const oscillator_answers = "1e-9\nn\n0.995\nn\ny\n16\nn\n0.0\n";

std::string oscillator_with(const std::string& from, const std::string& to) {
  std::string text = test::data_text("oscillator.txt");
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return text.replace(at, from.size(), to);
}

TEST(make_double_dvars, gives_every_group_a_second_equal_slot_once) {
  network net;
  test::read_text_network(net, test::data_text("oscillator.txt"));
  circuit* c = net.circuit;
  c->planes = 8;
  expand_time_planes(c);
  get_node_with_index(c, 17)->dvar_groups->dvars->value = 0.25;
  make_double_dvars(c);
  EXPECT_EQ(c->dvars_per_node, 2);
  for (node* n : each(c->nodes)) {
    for (dvar_group* g : each(n->dvar_groups)) {
      ASSERT_NE(g->dvars->next, nullptr);
      EXPECT_EQ(g->dvars->next->next, nullptr);
      EXPECT_EQ(g->dvars->next->number, g->dvars->number);
      EXPECT_EQ(g->dvars->next->value, g->dvars->value);
    }
  }
  EXPECT_EQ(find_dvar_group(c->global_dvars, 20)->dvars->next, nullptr);
  // s, o, g, then the planes before o and g.
  EXPECT_EQ(test::node_indices(c->nodelists->nodes), (std::vector<int32_t>{8, 16, 0, 23, 7}));
  make_double_dvars(c);
  EXPECT_EQ(c->dvars_per_node, 2);
  EXPECT_EQ(test::node_indices(c->nodelists->nodes), (std::vector<int32_t>{8, 16, 0, 23, 7}));
}

TEST(double_runs, refuse_what_they_cannot_form_and_keep_earlier_files) {
  struct row {
    const char* what;
    std::string network;
    const char* message;
  };
  const row rows[] = {
      {"short nodelist", oscillator_with("nodelist 0 1 2 0", "nodelist 0 1 2"),
       "error, make_double_dvars: the double PSS needs a first nodelist of at least three "
       "nodes\n"},
      {"no slot-1 period offset", oscillator_with("  param 4 0.001\n", ""),
       "error, run_analysis: the double PSS needs circuit param 4, the period offset of the "
       "second solution slot, present and not zero\n"},
      {"zero slot-1 period offset", oscillator_with("param 4 0.001", "param 4 0"),
       "error, run_analysis: the double PSS needs circuit param 4, the period offset of the "
       "second solution slot, present and not zero\n"},
      {"windowed resistor on an unknown node",
       oscillator_with("attribute 87 0\n        nodes 1", "attribute 87 0\n        nodes 2"),
       "error, run_analysis: windowed conection \"RI\" between node[32] and node[16] has an "
       "unknown orientation node[32] in double-dvar mode; only the first nodelist's first node "
       "may be one\n"},
  };
  for (const row& r : rows) {
    const auto job = test::run_job(test::net_bytes(r.network), oscillator_answers);
    EXPECT_EQ(job.result.status, 1) << r.what;
    const std::string& out = job.result.out;
    EXPECT_NE(out.find(r.message), std::string::npos) << r.what << "\n" << out;
    EXPECT_EQ(out.find(r.message) + std::strlen(r.message), out.size()) << r.what;
    EXPECT_TRUE(test::file_exists(job.file("0.var"))) << r.what;
    EXPECT_FALSE(test::file_exists(job.file("O0.var"))) << r.what;
  }
}

TEST(double_runs, a_central_capacitor_on_two_planes_is_refused) {
  test::circuit_plan plan;
  const int s = plan.fixed(0.0);
  const int a = plan.unknown();
  plan.add({"V1", conection_type::vsource, s, 0, 0, {{81, 1.0}}, {s}, {s}, {}});
  plan.resistor("R1", s, a, 1000);
  plan.add({"C1", conection_type::cap2, a, 0, 0, {{600, 1e-6}}, {a}, {a}, {}});
  const auto job = test::run_job(plan.bytes(), "1e-12\nn\n100\ny\ny\n2\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_NE(job.result.out.find("error, run_analysis: CAP2 conection \"C1\" between node[0] and "
                                "node[4] has no time step on 2 time planes; use 3 or more "
                                "planes, or CAP1\n"),
            std::string::npos)
      << job.result.out;
  EXPECT_TRUE(test::file_exists(job.file("DC0.var")));
  EXPECT_FALSE(test::file_exists(job.file("0.var")));
}

TEST(double_runs, a_saved_double_pss_restarts_straight_into_the_double_runs) {
  auto job = test::run_job(test::net_bytes(test::data_text("oscillator.txt")), oscillator_answers);
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  auto first = test::load_state(job, "O0.var");
  std::filesystem::rename(job.file("O0.var"), job.file("O0.first"));
  std::filesystem::copy_file(job.file("DP.var"), job.file("S.var"));
  test::rerun(job, "1e-9\nn\n0.995\nn\ny\n2\nn\n0.0\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  EXPECT_EQ(job.result.out.find("performing DC solution"), std::string::npos);
  EXPECT_EQ(job.result.out.find("\nrun 0, freq"), std::string::npos);
  EXPECT_NE(job.result.out.find("solving with 16 time planes\n"), std::string::npos);
  auto again = test::load_state(job, "O0.var");
  EXPECT_NEAR(again->period() / first->period(), 1.0, 1e-9);
}

TEST(double_runs, a_free_period_needs_double_dvars) {
  auto job = test::run_job(test::net_bytes(test::data_text("oscillator.txt")),
                           "1e-9\nn\n0.995\ny\ny\n16\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  // A single-slot state whose period is an unknown (number 0).
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(read_file(job.file("0.var"), bytes));
  const std::size_t period_number_at = 12 + 12 + 4;  // sizes, param 4, group id
  ASSERT_EQ(load_i32(&bytes[period_number_at]), -1);
  bytes[period_number_at] = bytes[period_number_at + 1] = 0;
  bytes[period_number_at + 2] = bytes[period_number_at + 3] = 0;
  test::write_bytes(job.file("S.var"), bytes);
  test::rerun(job, "1e-9\nx\n0.995\nn\ny\n1\n");
  EXPECT_EQ(job.result.status, 1);
  EXPECT_NE(job.result.out.find("error, run_analysis: the period can be an unknown only with "
                                "double dvars (answer 2 to the dvars question)\n"),
            std::string::npos)
      << job.result.out;
}

}  // namespace
}  // namespace pss
