// The raw file as ngspice's own reader loads it: ngspice prints the loaded
// vectors and they must be the state file's values at the planes' times.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "model/codes.h"
#include "model/lookups.h"
#include "support/ngspice.h"
#include "support/process.h"
#include "tools/pss_wave/formats.h"
#include "wave_jobs.h"

namespace pss {
namespace {

// The rows ngspice's print command writes: index, then one value per vector.
std::vector<std::vector<double>> printed_rows(const std::string& out) {
  std::vector<std::vector<double>> rows;
  for (const std::string& line : test::lines_of(out)) {
    if (line.empty() || line[0] < '0' || line[0] > '9' || line.find('\t') == std::string::npos) {
      continue;
    }
    std::istringstream fields(line);
    std::vector<double> row;
    for (double value; fields >> value;) row.push_back(value);
    rows.push_back(row);
  }
  return rows;
}

// Writes the raw file of `slot`, has ngspice load and print it, and checks
// time and every node's value at every point against the state file.
void expect_ngspice_reads_the_state(const test::job_run& job, const std::string& suffix, int slot) {
  const waveforms w = test::load_job(job, suffix);
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {}, s, error)) << error;
  s.slot = slot;
  std::ofstream(job.file(".raw")) << raw_text(w, s, "Thu Jan  1 00:00:00 2026");
  std::string vectors = "time";
  for (const wave_node* n : s.nodes) vectors += " v(" + n->name + ")";
  std::ofstream(job.dir->file("load.cir"))
      << "* load a pss-wave raw file\n.control\nset numdgt=17\nset width=2000\nload " << job.name
      << ".raw\nprint " << vectors << "\nquit\n.endc\n.end\n";
  const auto result = test::run_process(test::ngspice_path(), {"-b", "load.cir"}, "", job.dir->path);
  ASSERT_EQ(result.status, 0) << result.out << result.err;

  auto state = test::load_state(job, suffix);
  const int planes = state->c->planes;
  const tagged_value* offset = find_value(state->c->params, param_id::slot1_period_offset);
  const double period = state->period() + (slot == 1 ? offset->value : 0.0);
  const auto rows = printed_rows(result.out);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(planes) + 1) << result.out;
  for (int point = 0; point <= planes; ++point) {
    const auto& row = rows[static_cast<std::size_t>(point)];
    ASSERT_EQ(row.size(), s.nodes.size() + 2) << "point " << point;
    EXPECT_EQ(row[0], point);
    EXPECT_DOUBLE_EQ(row[1], point * period / planes) << "point " << point;
    for (std::size_t i = 0; i < s.nodes.size(); ++i) {
      // Positions and indices coincide in these networks.
      const double expected = state->voltage(s.nodes[i]->index, point % planes, slot);
      EXPECT_DOUBLE_EQ(row[2 + i], expected) << s.nodes[i]->name << " point " << point;
    }
  }
}

TEST(pss_wave_raw, ngspice_loads_the_values_of_each_slot) {
  if (test::ngspice_path().empty()) GTEST_SKIP() << "ngspice is not on PATH";
  expect_ngspice_reads_the_state(test::driven_job(1e-3), "0.var", 0);
  const test::job_run oscillator = test::oscillator_job();
  expect_ngspice_reads_the_state(oscillator, "O0.var", 0);
  expect_ngspice_reads_the_state(oscillator, "O0.var", 1);
}

}  // namespace
}  // namespace pss
