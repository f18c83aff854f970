// A long frequency scan killed with SIGKILL at random moments: whatever
// moment the kill hits, every state file under the job's name is whole and
// reads back, since each is written to a temporary file that is renamed
// into place only once complete; and a rerun from one of them continues.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <regex>
#include <thread>

#include "support/job.h"
#include "support/net_builder.h"
#include "tools/netlist/netlist.h"

namespace pss {
namespace {

const char* const rc_netlist =
    "V1 in 0 SIN(1)\n"
    "R1 in out 1k\n"
    "C1 out 0 1uF\n";
// 401 steps on 16 planes: a few seconds, nearly all of it in writing.
const char* const long_scan = "1e-9\ny\n100 200 400\ny\ny\n16\n";

std::vector<uint8_t> rc_network() {
  const compiled_netlist c = compile_netlist(rc_netlist);
  EXPECT_TRUE(c.ok);
  return write_network(c.network);
}

// Starts `pss job` in the job's folder with `answers` on standard input and
// its output thrown away.
pid_t start_job(const test::job_run& job, const std::string& answers) {
  const std::string input = job.dir->file("answers.txt");
  const std::string text(answers);
  test::write_bytes(input, std::vector<uint8_t>(text.begin(), text.end()));
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int in = ::open(input.c_str(), O_RDONLY);
    const int out = ::open("/dev/null", O_WRONLY);
    if (in < 0 || out < 0 || ::chdir(job.dir->path.c_str()) != 0) ::_exit(127);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(out, 2);
    ::execl(PSS_EXE, PSS_EXE, job.name.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  return pid;
}

struct state_lengths {
  std::size_t dc;
  std::size_t step;
};

// Every state file present: its length, and that it reads back.
void check_state_files(const test::job_run& job, state_lengths lengths, int kill) {
  const std::regex step_file(job.name + "[0-9]+\\.var");
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(job.dir->path)) {
    const std::string name = entry.path().filename().string();
    if (name.size() < 4 || name.substr(name.size() - 4) != ".var") continue;
    ++files;
    const bool is_step = std::regex_match(name, step_file);
    ASSERT_TRUE(is_step || name == job.name + "DC0.var") << name << " after kill " << kill;
    EXPECT_EQ(entry.file_size(), is_step ? lengths.step : lengths.dc)
        << name << " after kill " << kill;
    test::load_state(job, name.substr(job.name.size()));
  }
  EXPECT_GE(files, 1);
}

TEST(kills, a_scan_killed_at_any_moment_leaves_whole_state_files_and_continues) {
  const std::vector<uint8_t> net = rc_network();
  test::job_run job = test::run_job(net, "1e-9\ny\n100 200 1\ny\ny\n16\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  const state_lengths lengths{std::filesystem::file_size(job.file("DC0.var")),
                              std::filesystem::file_size(job.file("0.var"))};

  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> milliseconds(1, 400);
  for (int kill = 0; kill < 20; ++kill) {
    const pid_t pid = start_job(job, long_scan);
    ASSERT_GT(pid, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    check_state_files(job, lengths, kill);
  }

  // A killed writer's temporary file stays, under a name no job reads.
  std::filesystem::copy_file(job.file("0.var"), job.file("S.var"),
                             std::filesystem::copy_options::overwrite_existing);
  test::rerun(job, "1e-9\nn\n300\ny\ny\n1\n1\n");
  ASSERT_EQ(job.result.status, 0) << job.result.out;
  EXPECT_NE(job.result.out.find("starting from a saved state\nsolving with 16 time planes\n"),
            std::string::npos);
  EXPECT_NE(job.result.out.find("\nrun 0, freq 3.000000e+02\n"), std::string::npos);
  EXPECT_DOUBLE_EQ(test::load_state(job, "0.var")->period(), 1.0 / 300);
}

}  // namespace
}  // namespace pss
