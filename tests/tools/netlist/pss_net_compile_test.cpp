// pss-net compile as a user runs it, and compiled netlists run by pss.
#include <gtest/gtest.h>

#include <fstream>

#include "support/files.h"
#include "support/job.h"
#include "support/process.h"
#include "tools/common/names_file.h"

namespace pss {
namespace {

// Compiles `netlist` in a fresh folder as c.cir → job.net; the result and
// the folder's files.
struct compile_run {
  test::temp_dir dir;
  test::process_result result;
  std::vector<uint8_t> net;
};

std::unique_ptr<compile_run> compile_in_folder(const std::string& netlist) {
  auto run = std::make_unique<compile_run>();
  std::ofstream(run->dir.file("c.cir")) << netlist;
  run->result =
      test::run_process(PSS_NET_EXE, {"compile", "c.cir", "-o", "job.net"}, "", run->dir.path);
  read_file(run->dir.file("job.net"), run->net);
  return run;
}

TEST(pss_net_compile, writes_the_network_and_its_names_and_shows_warnings) {
  const auto run = compile_in_folder("V1 in 0 SIN(1)\nR1 in out 1k\nC1 out 0 1u\nC2 x 0 1n\n");
  EXPECT_EQ(run->result.status, 0);
  EXPECT_EQ(run->result.out, "");
  EXPECT_EQ(run->result.err,
            "c.cir:4: warning: node 'x' has no DC path to ground or a fixed node\n");
  EXPECT_FALSE(run->net.empty());
  names_file names;
  std::string error;
  ASSERT_TRUE(read_names(run->dir.file("job.names"), names, error)) << error;
  EXPECT_EQ(names.nodes, (std::vector<std::string>{"0", "in", "out", "x"}));
  EXPECT_EQ(names.elements, (std::vector<std::string>{"V1", "R1", "C1", "C2"}));
}

TEST(pss_net_compile, explains_its_use) {
  const auto help = test::run_process(PSS_NET_EXE, {"--help"}, "");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("pss-net compile CIRCUIT.cir -o JOB.net"), std::string::npos);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"compile"},
                                               {"compile", "c.cir"},
                                               {"compile", "c.cir", "job.net"},
                                               {"compile", "c.cir", "-x", "job.net"}}) {
    const auto result = test::run_process(PSS_NET_EXE, args, "");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("pss-net: wrong arguments for compile\nusage: pss-net"),
              std::string::npos)
        << result.err;
  }
  const auto missing =
      test::run_process(PSS_NET_EXE, {"compile", "/nonexistent/c.cir", "-o", "j.net"}, "");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "pss-net: cannot read /nonexistent/c.cir\n");
}

// Smoke tests: what the compiler writes runs. The physics is checked
// elsewhere.
TEST(pss_net_compile, a_compiled_rc_circuit_solves) {
  const auto run = compile_in_folder("V1 in 0 SIN(1)\nR1 in out 1k\nC1 out 0 1u\n");
  ASSERT_EQ(run->result.status, 0) << run->result.err;
  const auto job = test::run_job(run->net, "1e-12\nn\n159.15\ny\ny\n16\n");
  EXPECT_EQ(job.result.status, 0) << job.result.out;
  EXPECT_NE(job.result.out.find("performing single frequency solution"), std::string::npos);
  auto state = test::load_state(job, "0.var");
  EXPECT_NE(state->voltage(2, 4), 0.0);
}

// V(n+) - V(n-) is the source's value and a current source drives its
// current from n+ through itself to n-, whichever end is ground; the phase
// is in degrees. b is the middle of a 1k-1k divider.
TEST(pss_net_compile, sources_follow_spice_signs) {
  struct row {
    const char* netlist;
    double b_at_0, b_at_quarter;
  };
  const row rows[] = {
      {"V1 0 a 5 SIN(1 90)\nR1 a b 1k\nR2 b 0 1k\n", -3.0, -2.5},
      {"V1 a 0 5 SIN(1 90)\nR1 a b 1k\nR2 b 0 1k\n", 3.0, 2.5},
      {"V1 a 0 0\nR1 a b 1k\nR2 b 0 1k\nI1 b 0 1m SIN(1m 90)\n", -1.0, -0.5},
      {"V1 a 0 0\nR1 a b 1k\nR2 b 0 1k\nI1 0 b 1m\n", 0.5, 0.5},
  };
  for (const row& r : rows) {
    const auto run = compile_in_folder(r.netlist);
    ASSERT_EQ(run->result.status, 0) << run->result.err;
    const auto job = test::run_job(run->net, "1e-12\nn\n1\ny\ny\n4\n");
    auto state = test::load_state(job, "0.var");
    EXPECT_NEAR(state->voltage(2, 0), r.b_at_0, 1e-9) << r.netlist;
    EXPECT_NEAR(state->voltage(2, 1), r.b_at_quarter, 1e-9) << r.netlist;
  }
}

TEST(pss_net_compile, a_compiled_oscillator_runs_to_natural_oscillation) {
  const auto run = compile_in_folder(
      "* a 1 Hz tank, L = C = 1/(2 pi), with a saturating negative resistor\n"
      "C1 o 0 0.15915494309189535\n"
      "RP o 0 50\n"
      "RN o 0 POLY(-25 0 -36) LIMITS(-10 10)\n"
      "L1 o 0 0.15915494309189535\n"
      ".osc o 1 1\n");
  ASSERT_EQ(run->result.status, 0) << run->result.err;
  const auto job = test::run_job(run->net, "1e-9\nn\n0.995\nn\ny\n16\nn\n0.0\n");
  EXPECT_EQ(job.result.status, 0) << job.result.out;
  EXPECT_TRUE(test::file_exists(job.file("O0.var")));
}

}  // namespace
}  // namespace pss
