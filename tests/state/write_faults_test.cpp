// A job whose writing fails at any one step (a write, flush, fsync, close
// or rename of a state file, or the folder's sync) through the file layer's
// seam, PSS_FAIL_WRITE_STEP: it must end with a clear line and status 1,
// leave no temporary file, and every state file it leaves must be whole and
// hold the converged solution a clean run writes under that name.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/files.h"
#include "support/job.h"
#include "support/net_builder.h"
#include "tools/netlist/netlist.h"

namespace pss {
namespace {

// An RC low-pass scanned over four frequencies: DC0.var and job0..job3.var.
const char* const rc_netlist =
    "V1 in 0 SIN(1)\n"
    "R1 in out 1k\n"
    "C1 out 0 1uF\n";
const char* const scan_answers = "1e-9\ny\n100 200 3\ny\ny\n16\n";

// Steps the file layer counts per state file written.
constexpr int steps_per_file = 6;

std::vector<uint8_t> rc_network() {
  const compiled_netlist c = compile_netlist(rc_netlist);
  EXPECT_TRUE(c.ok);
  return write_network(c.network);
}

std::map<std::string, std::vector<uint8_t>> files_of(const test::job_run& job) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : std::filesystem::directory_iterator(job.dir->path)) {
    const std::string name = entry.path().filename().string();
    if (name == job.name + ".net") continue;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(read_file(entry.path().string(), bytes)) << name;
    files[name] = bytes;
  }
  return files;
}

TEST(write_faults, every_failing_step_ends_the_job_with_whole_converged_files_only) {
  const std::vector<uint8_t> net = rc_network();
  const test::job_run clean = test::run_job(net, scan_answers);
  ASSERT_EQ(clean.result.status, 0) << clean.result.out;
  const auto clean_files = files_of(clean);
  ASSERT_EQ(clean_files.size(), 5u) << "DC0.var and four scan steps";
  const int steps = steps_per_file * static_cast<int>(clean_files.size());

  for (int step = 1; step <= steps; ++step) {
    SCOPED_TRACE("failing step " + std::to_string(step));
    test::scoped_env fault("PSS_FAIL_WRITE_STEP", std::to_string(step));
    const test::job_run job = test::run_job(net, scan_answers);
    EXPECT_EQ(job.result.status, 1);
    const std::vector<std::string> lines = test::lines_of(job.result.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("error, write_state: cannot write job", 0), 0u) << lines.back();
    EXPECT_NE(lines.back().find(": No space left on device"), std::string::npos) << lines.back();
    // The files written before the failing one, and that one only when
    // the step that failed came after its rename.
    const auto files = files_of(job);
    const std::size_t expected = (step - 1) / steps_per_file + (step % steps_per_file == 0);
    EXPECT_EQ(files.size(), expected);
    for (const auto& [name, bytes] : files) {
      EXPECT_EQ(name.find(".tmp"), std::string::npos) << name << " left behind";
      ASSERT_EQ(clean_files.count(name), 1u) << name;
      EXPECT_TRUE(bytes == clean_files.at(name)) << name << " differs from a clean run's";
    }
  }
}

TEST(write_faults, a_step_past_the_last_changes_nothing) {
  const std::vector<uint8_t> net = rc_network();
  const test::job_run clean = test::run_job(net, scan_answers);
  test::scoped_env fault("PSS_FAIL_WRITE_STEP", std::to_string(steps_per_file * 5 + 1));
  const test::job_run job = test::run_job(net, scan_answers);
  EXPECT_EQ(job.result.status, 0);
  EXPECT_EQ(job.result.out, clean.result.out);
  EXPECT_TRUE(files_of(job) == files_of(clean));
}

}  // namespace
}  // namespace pss
