// Two runs of the same job give the same bytes: the whole standard output
// and every file the job writes. Nothing may depend on addresses, the
// order of a hash, the clock or memory left over from before.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/files.h"
#include "support/job.h"
#include "tools/netlist/netlist.h"

namespace pss {
namespace {

std::string example_text(const std::string& path) {
  std::ifstream in(std::string(PSS_SOURCE_DIR) + "/examples/" + path);
  EXPECT_TRUE(in.good()) << path;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::map<std::string, std::vector<uint8_t>> written_files(const test::job_run& job) {
  std::map<std::string, std::vector<uint8_t>> files;
  for (const auto& entry : std::filesystem::directory_iterator(job.dir->path)) {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(read_file(entry.path().string(), bytes)) << entry.path();
    files[entry.path().filename().string()] = bytes;
  }
  return files;
}

TEST(determinism, every_example_run_twice_writes_the_same_bytes) {
  const char* const examples[][2] = {
      {"rc_lowpass/rc.cir", "rc_lowpass/rc.answers"},
      {"rlc_scan/rlc_scan.cir", "rlc_scan/rlc_scan.answers"},
      {"rectifier/rectifier.cir", "rectifier/rectifier.answers"},
      {"oscillator/osc.cir", "oscillator/osc.answers"},
      {"lc_oscillator/lc.cir", "lc_oscillator/lc.answers"},
  };
  for (const auto& [netlist, answers_file] : examples) {
    SCOPED_TRACE(netlist);
    const compiled_netlist compiled = compile_netlist(example_text(netlist));
    ASSERT_TRUE(compiled.ok);
    const std::vector<uint8_t> net = write_network(compiled.network);
    const std::string answers = example_text(answers_file);
    const test::job_run first = test::run_job(net, answers);
    const test::job_run second = test::run_job(net, answers);
    ASSERT_EQ(first.result.status, 0) << first.result.out;
    EXPECT_EQ(second.result.status, 0);
    EXPECT_EQ(first.result.out, second.result.out);
    const auto first_files = written_files(first);
    const auto second_files = written_files(second);
    EXPECT_GE(first_files.size(), 2u) << "the network and at least one state file";
    ASSERT_EQ(first_files.size(), second_files.size());
    for (const auto& [name, bytes] : first_files) {
      ASSERT_EQ(second_files.count(name), 1u) << name;
      EXPECT_TRUE(bytes == second_files.at(name)) << name << " differs between the runs";
    }
  }
}

}  // namespace
}  // namespace pss
