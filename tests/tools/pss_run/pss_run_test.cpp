// pss-run end to end, as a user types it, on every shipped example: the
// state files it leaves are those pss writes with the example's own answer
// file, the answers it keeps repeat the solve by hand, its summary shows
// the documented results, and each stage's error names the stage and ends
// with its status.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "support/process.h"

namespace pss {
namespace {

std::string example(const std::string& path) {
  return std::string(PSS_SOURCE_DIR) + "/examples/" + path;
}

test::process_result pss_run(const test::temp_dir& dir, std::vector<std::string> args) {
  return test::run_process(PSS_RUN_EXE, args, "", dir.path);
}

std::string file_text(const test::temp_dir& dir, const std::string& name) {
  EXPECT_TRUE(test::file_exists(dir.file(name))) << name;
  return test::read_text_file(dir.file(name));
}

// The example solved by hand with its shipped answers, in a folder of its
// own, to compare the state files with.
void solve_by_hand(const test::temp_dir& dir, const std::string& netlist,
                   const std::string& answers, const std::string& job) {
  const auto compiled = test::run_process(
      PSS_NET_EXE, {"compile", example(netlist), "-o", job + ".net"}, "", dir.path);
  ASSERT_EQ(compiled.status, 0) << compiled.err;
  const auto solved =
      test::run_process(PSS_EXE, {job}, test::read_text_file(example(answers)), dir.path);
  ASSERT_EQ(solved.status, 0) << solved.out;
}

struct example_row {
  const char* netlist;
  const char* answers;
  const char* job;
  std::vector<std::string> state_files;
  std::vector<std::string> summary;  // texts the summary holds, in order
};

const std::vector<example_row>& example_rows() {
  static const std::vector<example_row> rows = {
      {"rc_lowpass/rc.cir",
       "rc_lowpass/rc.answers",
       "rc",
       {"rcDC0.var", "rc0.var"},
       {"periodic steady state at 159.154943 Hz, 64 planes, rc0.var",
        "  out                         0 V     690.511 mV     -43.583           0"}},
      {"rectifier/rectifier.cir",
       "rectifier/rectifier.answers",
       "rectifier",
       {"rectifier0.var"},
       {"periodic steady state at 50 Hz, 128 planes, rectifier0.var", "  out  ", "2.62133 V"}},
      {"rlc_tank/rlc.cir",
       "rlc_tank/rlc.answers",
       "rlc",
       {"rlc0.var"},
       {"at 5032.92121 Hz, 128 planes", "  b  ", "3.16251 V"}},
      {"rlc_scan/rlc_scan.cir",
       "rlc_scan/rlc_scan.answers",
       "rlc_scan",
       {"rlc_scan0.var", "rlc_scan4.var", "rlc_scan8.var"},
       {"run 0: 4000 Hz, 128 planes, rlc_scan0.var", "run 4: 5000 Hz", "3.17729 V",
        "run 8: 6000 Hz, 128 planes, rlc_scan8.var"}},
      {"oscillator/osc.cir",
       "oscillator/osc.answers",
       "osc",
       {"oscDC0.var", "osc0.var", "oscDP.var", "oscO0.var"},
       {"natural oscillation: 1.00159715 Hz (period 0.998405393 s), 32 planes, oscO0.var",
        "  o  ", "999.737 mV"}},
  };
  return rows;
}

TEST(pss_run, solves_each_shipped_example_as_its_answer_file_does) {
  for (const example_row& r : example_rows()) {
    test::temp_dir dir;
    const auto result = pss_run(dir, {example(r.netlist), "-q"});
    ASSERT_EQ(result.status, 0) << r.netlist << result.err;
    EXPECT_EQ(result.err, "") << r.netlist;
    std::size_t at = 0;
    for (const std::string& text : r.summary) {
      at = result.out.find(text, at);
      EXPECT_NE(at, std::string::npos) << r.netlist << ": " << text << "\n" << result.out;
    }
    test::temp_dir by_hand;
    solve_by_hand(by_hand, r.netlist, r.answers, r.job);
    for (const std::string& state : r.state_files) {
      EXPECT_EQ(file_text(dir, state), file_text(by_hand, state)) << r.netlist << " " << state;
    }
    // The answers it kept repeat the run by hand, to the byte.
    const std::string answers = file_text(dir, std::string(r.job) + ".answers");
    test::temp_dir again;
    std::filesystem::copy_file(dir.file(std::string(r.job) + ".net"),
                               again.file(std::string(r.job) + ".net"));
    const auto repeated = test::run_process(PSS_EXE, {r.job}, answers, again.path);
    ASSERT_EQ(repeated.status, 0) << repeated.out;
    for (const std::string& state : r.state_files) {
      EXPECT_EQ(file_text(again, state), file_text(dir, state)) << r.netlist << " " << state;
    }
    EXPECT_EQ(repeated.out, file_text(dir, std::string(r.job) + ".log")) << r.netlist;
  }
}

TEST(pss_run, passes_progress_through_and_keeps_the_dialogue_in_the_log) {
  test::temp_dir dir;
  const auto result = pss_run(dir, {example("rc_lowpass/rc.cir")});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.out.rfind("performing DC solution\n   iter 0, error", 0), 0u) << result.out;
  EXPECT_NE(result.out.find("\nrun 0, freq 1.591549e+02\n   iter 0,"), std::string::npos);
  EXPECT_EQ(result.out.find('?'), std::string::npos) << result.out;
  const std::string log = file_text(dir, "rc.log");
  EXPECT_EQ(log.rfind("convergence accuracy?\nscan frequency (y/n)?\n", 0), 0u) << log;
}

TEST(pss_run, writes_the_outputs_asked_for_next_to_each_state_file) {
  test::temp_dir dir;
  const auto result = pss_run(dir, {example("rlc_scan/rlc_scan.cir"), "-q", "--job", "runs/s",
                                    "--planes", "32", "--csv", "--svg", "--raw", "--currents"});
  ASSERT_EQ(result.status, 0) << result.err;
  for (int run = 0; run <= 8; ++run) {
    const std::string stem = "runs/s" + std::to_string(run);
    EXPECT_EQ(file_text(dir, stem + ".csv").rfind("time,in,a,b,i(V1),i(R1),i(L1),i(C1)\n", 0), 0u);
    EXPECT_NE(file_text(dir, stem + ".raw").find("\ti(L1)\tcurrent\n"), std::string::npos);
    EXPECT_NE(file_text(dir, stem + ".svg").find("class=\"y2-axis\""), std::string::npos);
    EXPECT_NE(file_text(dir, stem + "-spectrum.svg").find("harmonics of"), std::string::npos);
  }
  EXPECT_NE(result.out.find("  i(L1)  "), std::string::npos) << result.out;
  EXPECT_TRUE(test::file_exists(dir.file("runs/s.answers")));
}

// The central-difference capacitor's alternating mode is warned about in
// the summary too.
TEST(pss_run, warns_of_the_alternating_mode_in_its_summary) {
  test::temp_dir dir;
  std::ofstream(dir.file("r.cir")) << test::read_text_file(example("rectifier/rectifier.cir"))
                                   << ".options DIFFERENCE=CENTRAL\n";
  const auto result = pss_run(dir, {"r.cir", "-q", "--planes", "64"});
  ASSERT_EQ(result.status, 0) << result.err;
  EXPECT_NE(result.out.find("  warning: out alternates between even and odd planes by 0.87"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.out.find("warning: in "), std::string::npos);
}

TEST(pss_run, each_stage_names_itself_in_its_error_and_passes_the_status_on) {
  struct row {
    const char* netlist;  // written as t.cir; nullptr: none
    std::vector<std::string> options;
    int status;
    const char* message;  // the last line of standard error
  };
  const char* const rc = "V1 in 0 SIN(1)\nR1 in out 1k\nC1 out 0 1u\n";
  const row rows[] = {
      {nullptr, {}, 1, "pss-run: compile: cannot read t.cir"},
      {"V1 in 0 SIN(1)\nR1 in out\n", {"--freq", "1k"}, 1,
       "pss-run: compile: t.cir has errors; nothing was solved"},
      {rc, {}, 1,
       "pss-run: dialogue: no frequency: give --freq F or --scan F1 F2 STEPS, or a .pss "
       "directive in the netlist"},
      {rc, {"--freq", "1k", "--free"}, 1,
       "pss-run: dialogue: a free period needs an oscillator set up with .osc in the netlist"},
      {"V1 a 0 SIN(1)\nC1 a b 1u\nC2 b 0 1u\n", {"--freq", "1k"}, 1,
       "pss-run: solve: pss t ended with status 1: DC not converged (its output is in t.log)"},
      {"V1 a 0 SIN(1)\nR1 a b 1k\nR2 b 0 1k\nR3 c 0 1\nR4 d 0 1\n.twin d c\n",
       {"--freq", "1k", "--planes", "5", "--twinning", "3"}, 1,
       "pss-run: solve: pss t ended with status 1: error, expand_time_planes: twinning option 3 "
       "for node[4] needs a plane half a period away, and 5 time planes have none (use an even "
       "number) (its output is in t.log)"},
      {"", {"--freq", "1k", "--planes", "12345678"}, 1,
       "pss-run: --planes must be a whole number from 1, not 12345678"},
  };
  for (const row& r : rows) {
    test::temp_dir dir;
    if (r.netlist != nullptr) std::ofstream(dir.file("t.cir")) << r.netlist;
    std::vector<std::string> args = {"t.cir", "-q"};
    args.insert(args.end(), r.options.begin(), r.options.end());
    const auto result = pss_run(dir, args);
    EXPECT_EQ(result.status, r.status) << r.message;
    const std::vector<std::string> lines = [&] {
      std::vector<std::string> out;
      std::size_t start = 0;
      for (std::size_t nl; (nl = result.err.find('\n', start)) != std::string::npos; start = nl + 1)
        out.push_back(result.err.substr(start, nl - start));
      return out;
    }();
    const bool usage = std::string(r.message).find(": --planes") != std::string::npos;
    ASSERT_FALSE(lines.empty()) << r.message;
    EXPECT_EQ(usage ? lines[0] : lines.back(), r.message);
  }
  // The compiler's own messages come first, with their lines.
  test::temp_dir dir;
  std::ofstream(dir.file("t.cir")) << "V1 in 0 SIN(1)\nR1 in out\n";
  const auto result = pss_run(dir, {"t.cir", "--freq", "1k"});
  EXPECT_EQ(result.err.rfind("t.cir:2: error: R1: missing resistance\n", 0), 0u) << result.err;
  EXPECT_FALSE(test::file_exists(dir.file("t.net")));
}

// An oscillator pss cannot find ends in failure with the solver's reason:
// the example's tank without its negative resistor has no cycle to find.
TEST(pss_run, an_oscillator_without_a_cycle_is_a_failure) {
  test::temp_dir dir;
  std::ifstream in(example("oscillator/osc.cir"));
  std::ofstream dead(dir.file("dead.cir"));
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("RN", 0) != 0) dead << line << "\n";
  }
  dead.close();
  const auto result = pss_run(dir, {"dead.cir", "-q"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err.rfind("pss-run: solve: pss dead ended with status 1: error, oscillator "
                             "search: no natural cycle found (",
                             0),
            0u)
      << result.err;
  EXPECT_NE(result.err.find("(its output is in dead.log)\n"), std::string::npos) << result.err;
  EXPECT_EQ(result.out, "");
  EXPECT_FALSE(test::file_exists(dir.file("deadO0.var")));
}

TEST(pss_run, refuses_to_start_from_a_saved_state_it_did_not_plan_for) {
  test::temp_dir dir;
  std::ofstream(dir.file("rcS.var")) << "x";
  const auto result = pss_run(dir, {example("rc_lowpass/rc.cir"), "-q"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.err,
            "pss-run: dialogue: rcS.var would make pss start from that saved state; remove it, "
            "or run pss rc by hand\n");
}

TEST(pss_run, help_and_version) {
  test::temp_dir dir;
  const auto help = pss_run(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: pss-run CIRCUIT.cir [options]\n", 0), 0u);
  const auto version = pss_run(dir, {"--version"});
  EXPECT_EQ(version.out, std::string("pss-run ") + PSS_VERSION + "\n");
  const auto wrong = pss_run(dir, {"--colour"});
  EXPECT_EQ(wrong.status, 1);
  EXPECT_EQ(wrong.err, "pss-run: unknown option --colour\n(pss-run --help shows the usage)\n");
}

}  // namespace
}  // namespace pss
