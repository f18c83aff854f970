// CSV cells against the state file read independently: every value must
// read back to the very double the solver wrote.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "model/codes.h"
#include "model/lookups.h"
#include "tools/pss_wave/formats.h"
#include "wave_jobs.h"

namespace pss {
namespace {

std::vector<std::vector<std::string>> csv_cells(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : test::lines_of(text)) {
    std::vector<std::string> row;
    std::istringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

double number(const std::string& cell) {
  char* end = nullptr;
  const double value = std::strtod(cell.c_str(), &end);
  EXPECT_EQ(*end, '\0') << cell;
  return value;
}

// Checks every cell of the CSV of `suffix` against the state: `positions`
// are the chain positions of the default columns.
void expect_csv_matches_state(const test::job_run& job, const std::string& suffix,
                              const std::string& header, const std::vector<int>& positions) {
  const waveforms w = test::load_job(job, suffix);
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {}, s, error)) << error;
  const auto rows = csv_cells(csv_text(w, s));
  auto state = test::load_state(job, suffix);
  const int planes = state->c->planes;
  const int slots = state->c->dvars_per_node;
  const tagged_value* offset = find_value(state->c->params, param_id::slot1_period_offset);
  ASSERT_EQ(rows.size(), static_cast<std::size_t>(planes) + 1);
  EXPECT_EQ(test::lines_of(csv_text(w, s))[0], header);
  const std::size_t width = positions.size() + 1;
  for (int plane = 0; plane < planes; ++plane) {
    const auto& row = rows[static_cast<std::size_t>(plane) + 1];
    ASSERT_EQ(row.size(), width * static_cast<std::size_t>(slots)) << "plane " << plane;
    for (int slot = 0; slot < slots; ++slot) {
      const double period = state->period() + (slot == 1 ? offset->value : 0.0);
      const std::size_t first = width * static_cast<std::size_t>(slot);
      EXPECT_DOUBLE_EQ(number(row[first]), plane * period / planes) << "plane " << plane;
      for (std::size_t i = 0; i < positions.size(); ++i) {
        EXPECT_EQ(number(row[first + 1 + i]), state->voltage(positions[i], plane, slot))
            << "plane " << plane << " slot " << slot << " column " << i;
      }
    }
  }
}

TEST(pss_wave_csv, every_cell_equals_the_state_file) {
  expect_csv_matches_state(test::driven_job(1e-3), "0.var", "time,in,mid", {1, 2});
  expect_csv_matches_state(test::oscillator_job(), "O0.var", "time,n1,n2,n3,time@1,n1@1,n2@1,n3@1",
                           {1, 2, 3});
}

TEST(pss_wave_csv, quotes_a_name_that_holds_a_comma_or_a_quote) {
  const test::job_run job = test::driven_job(0);
  std::ofstream(job.file(".names")) << "node 1 a,b\nnode 2 say\"hi\"\n";
  const waveforms w = test::load_job(job, "0.var");
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {}, s, error)) << error;
  EXPECT_EQ(test::lines_of(csv_text(w, s))[0], "time,\"a,b\",\"say\"\"hi\"\"\",n3");
}

}  // namespace
}  // namespace pss
