// pss-wave run as the real executable: what it writes where, and how it
// refuses a command it cannot carry out.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/process.h"
#include "wave_jobs.h"

namespace pss {
namespace {

test::process_result pss_wave(const test::job_run& job, const std::vector<std::string>& args) {
  return test::run_process(PSS_WAVE_EXE, args, "", job.dir->path);
}

TEST(pss_wave_command, writes_each_format_to_standard_output_or_a_file) {
  const test::job_run job = test::driven_job(1e-3);
  struct row {
    std::vector<std::string> options;
    const char* starts_with;
  };
  const row rows[] = {
      {{}, "# job job, state file job0.var\n"},
      {{"--csv"}, "time,in,mid\n0,0,"},
      {{"--raw", "--nodes", "mid"}, "Title: pss-wave job job0.var\nDate: "},
      {{"--svg", "--periods=2"}, "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"},
      {{"--harmonics", "--nodes=R3#tap"}, "# job job, state file job0.var\n"},
  };
  for (const row& r : rows) {
    std::vector<std::string> args = {"job", "job0.var"};
    args.insert(args.end(), r.options.begin(), r.options.end());
    const auto printed = pss_wave(job, args);
    EXPECT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.err, "");
    EXPECT_EQ(printed.out.rfind(r.starts_with, 0), 0u) << printed.out.substr(0, 200);
    args.insert(args.end(), {"-o", "out.txt"});
    const auto written = pss_wave(job, args);
    EXPECT_EQ(written.status, 0) << written.err;
    EXPECT_EQ(written.out, "");
    const std::string file = test::read_text_file(job.dir->file("out.txt"));
    // A raw file carries the time of writing.
    if (r.options.empty() || r.options[0] != "--raw") {
      EXPECT_EQ(file, printed.out);
    }
    EXPECT_EQ(file.rfind(r.starts_with, 0), 0u);
  }
}

TEST(pss_wave_command, explains_its_use) {
  const test::job_run job = test::driven_job(0);
  const auto help = pss_wave(job, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: pss-wave JOB FILE.var", 0), 0u);
  EXPECT_EQ(help.err, "");
}

TEST(pss_wave_command, refuses_with_one_message_on_standard_error) {
  const test::job_run job = test::driven_job(0);
  const test::job_run oscillator = test::oscillator_job();
  std::filesystem::copy_file(oscillator.file("O0.var"), job.dir->file("other.var"));
  struct row {
    std::vector<std::string> args;
    const char* message;  // the first line on standard error
  };
  const row rows[] = {
      {{}, "pss-wave: needs JOB and FILE.var"},
      {{"job", "job0.var", "extra"}, "pss-wave: too many arguments"},
      {{"job", "job0.var", "--frob"}, "pss-wave: unknown option --frob"},
      {{"job", "job0.var", "--csv", "--svg"},
       "pss-wave: choose one of --csv, --raw, --svg and --harmonics"},
      {{"job", "job0.var", "--nodes"}, "pss-wave: --nodes needs a value"},
      {{"job", "job0.var", "--slot", "2"}, "pss-wave: --slot must be 0 or 1, not 2"},
      {{"job", "job0.var", "--periods", "2"}, "pss-wave: --periods goes with --svg"},
      {{"job", "job0.var", "--csv", "--slot", "1"},
       "pss-wave: --csv holds every slot; --slot does not apply"},
      {{"job", "job0.var", "--nodes", "in,zz"}, "pss-wave: no node zz in job.net"},
      {{"job", "job0.var", "--slot", "1"},
       "pss-wave: job0.var holds one solution slot; --slot 1 needs a two-slot file"},
      {{"job", "missing.var"}, "pss-wave: cannot read missing.var"},
      {{"nojob", "job0.var"}, "pss-wave: cannot read nojob.net"},
      {{"job", "job0.var", "-o", "no/such/folder/x"}, "pss-wave: cannot write no/such/folder/x: "},
      // The solver's own word for a state of another network.
      {{"job", "other.var"},
       "error, make_double_dvars: the double PSS needs a first nodelist of at least three nodes"},
  };
  for (const row& r : rows) {
    const auto result = pss_wave(job, r.args);
    EXPECT_EQ(result.status, 1) << ::testing::PrintToString(r.args);
    EXPECT_EQ(result.out, "") << ::testing::PrintToString(r.args);
    EXPECT_EQ(test::lines_of(result.err).at(0).rfind(r.message, 0), 0u) << result.err;
  }
  std::ofstream(job.file(".names")) << "node 1 in\nnode two mid\n";
  const auto result = pss_wave(job, {"job", "job0.var"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err, "pss-wave: job.names:2: malformed line\n");
}

}  // namespace
}  // namespace pss
