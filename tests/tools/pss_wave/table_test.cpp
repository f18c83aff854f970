// The default table and which nodes a listing shows.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "tools/pss_wave/formats.h"
#include "wave_jobs.h"

namespace pss {
namespace {

std::vector<std::string> names_of(const selection& s) {
  std::vector<std::string> names;
  for (const wave_node* n : s.nodes) names.push_back(n->name);
  return names;
}

TEST(pss_wave_nodes, default_listing_and_nodes_asked_for) {
  struct row {
    bool names_file;
    std::vector<std::string> wanted;
    std::vector<std::string> shown;
  };
  const row rows[] = {
      // Ground and the internal tap are left out unless asked for.
      {true, {}, {"in", "mid"}},
      {true, {"R3#tap", "0", "in"}, {"R3#tap", "gnd", "in"}},
      {true, {"2"}, {"mid"}},
      // Without names every node but ground, named by index.
      {false, {}, {"n1", "n2", "n3"}},
      {false, {"n3", "1"}, {"n3", "n1"}},
  };
  const test::job_run job = test::driven_job(0);
  const waveforms named = test::load_job(job, "0.var");
  std::remove(job.file(".names").c_str());
  const waveforms unnamed = test::load_job(job, "0.var");
  for (const row& r : rows) {
    selection s;
    std::string error;
    ASSERT_TRUE(select_nodes(r.names_file ? named : unnamed, r.wanted, s, error)) << error;
    EXPECT_EQ(names_of(s), r.shown) << ::testing::PrintToString(r.wanted);
  }
  selection s;
  std::string error;
  EXPECT_FALSE(select_nodes(named, {"in", "n9"}, s, error));
  EXPECT_EQ(error, "no node n9 in " + job.file("") + ".net");
}

TEST(pss_wave_table, heads_with_period_and_frequency_and_lists_every_plane) {
  const test::job_run job = test::driven_job(1e-3);
  const waveforms w = test::load_job(job, "0.var");
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {"mid", "in"}, s, error)) << error;
  const std::vector<std::string> lines = test::lines_of(table_text(w, s));
  ASSERT_EQ(lines.size(), 5u + 16u);
  EXPECT_EQ(lines[0], "# job " + job.file("") + ", state file " + job.file("0.var"));
  EXPECT_EQ(lines[1], "# 16 planes, slot 0 of 1");
  EXPECT_EQ(lines[2], "# period 1.000000e-03 s");
  EXPECT_EQ(lines[3], "# frequency 1.000000e+03 Hz");
  EXPECT_EQ(lines[4], "# plane        time/s           mid            in");
  auto state = test::load_state(job, "0.var");
  for (int plane = 0; plane < 16; ++plane) {
    std::istringstream row(lines[5 + static_cast<std::size_t>(plane)]);
    int number = -1;
    double time = 0, mid = 0, in = 0;
    ASSERT_TRUE(row >> number >> time >> mid >> in) << row.str();
    EXPECT_EQ(number, plane);
    EXPECT_NEAR(time, plane * 1e-3 / 16, 1e-12);
    EXPECT_NEAR(mid, state->voltage(2, plane), 1e-6);
    EXPECT_NEAR(in, state->voltage(1, plane), 1e-6);
  }
}

}  // namespace
}  // namespace pss
