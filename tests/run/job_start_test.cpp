// The job start, run as the real executable.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/net_builder.h"
#include "support/process.h"

namespace pss {
namespace {

using test::run_process;

struct job_start : ::testing::Test {
  test::temp_dir dir;

  void SetUp() override {
    test::write_bytes(dir.file("osc.net"), test::net_bytes(test::data_text("oscillator.txt")));
  }
};

TEST_F(job_start, needs_exactly_one_argument) {
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, std::vector<std::string>{"osc", "extra"}}) {
    const auto result = run_process(PSS_EXE, args, "1e-9\n", dir.path);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "Command line error: jobname required\n");
  }
}

// The two command lines about the program itself; "-h" or "--help" with a
// second word are still job command lines.
TEST_F(job_start, help_and_version_speak_about_the_program) {
  const auto help = run_process(PSS_EXE, {"--help"}, "", dir.path);
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: pss JOB\n", 0), 0u) << help.out;
  const auto version = run_process(PSS_EXE, {"--version"}, "", dir.path);
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("pss ") + PSS_VERSION + "\n");
  const auto short_help = run_process(PSS_EXE, {"-h"}, "", dir.path);
  EXPECT_EQ(short_help.status, 1);
  EXPECT_EQ(short_help.out, "-h.net does not exist, exiting\n");
  const auto two = run_process(PSS_EXE, {"--help", "osc"}, "", dir.path);
  EXPECT_EQ(two.status, 1);
  EXPECT_EQ(two.out, "Command line error: jobname required\n");
}

TEST_F(job_start, names_the_missing_network_file) {
  const auto result = run_process(PSS_EXE, {"nothere"}, "1e-9\n", dir.path);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "nothere.net does not exist, exiting\n");
}

TEST_F(job_start, refuses_a_missing_or_non_numeric_accuracy) {
  struct row {
    const char* input;
    const char* message;
  };
  const row rows[] = {
      {"", "error, no answer to \"convergence accuracy?\" (end of input)\n"},
      {"  \n\t", "error, no answer to \"convergence accuracy?\" (end of input)\n"},
      {"abc\n", "error, answer to \"convergence accuracy?\" is not a number: \"abc\"\n"},
      {"1e-9x\n", "error, answer to \"convergence accuracy?\" is not a number: \"1e-9x\"\n"},
      {"nan\n", "error, answer to \"convergence accuracy?\" is not a number: \"nan\"\n"},
  };
  for (const row& r : rows) {
    const auto result = run_process(PSS_EXE, {"osc"}, r.input, dir.path);
    EXPECT_EQ(result.status, 1) << r.input;
    EXPECT_EQ(result.out, std::string("convergence accuracy?\n") + r.message) << r.input;
  }
}

TEST_F(job_start, reads_a_job_name_with_folders_of_any_length) {
  const std::string folder = std::string(100, 'a') + "/" + std::string(100, 'b');
  std::filesystem::create_directories(dir.file(folder));
  std::filesystem::copy_file(dir.file("osc.net"), dir.file(folder + "/osc.net"));
  const auto result = run_process(PSS_EXE, {folder + "/osc"}, "", dir.path);
  EXPECT_EQ(result.out.rfind("convergence accuracy?\n", 0), 0u) << result.out;
}

TEST_F(job_start, stops_on_a_malformed_network) {
  test::write_bytes(dir.file("bad.net"), {1, 0, 0, 0, 0, 1, 0});
  const auto result = run_process(PSS_EXE, {"bad"}, "1e-9\n", dir.path);
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out,
            "error, read_network: circuit count 1 at byte 0 is more than the rest of the file can "
            "hold\n");
}

}  // namespace
}  // namespace pss
