// Transient sweeps as Newton's start: driven circuits with junctions reach
// the same periodic state in a few iterations, and a circuit without one
// runs exactly as it did.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "support/job.h"
#include "tools/netlist/netlist.h"

namespace pss::test {
namespace {

// PSS_SWEEP_START=off for the life of the guard.
struct sweeps_off {
  sweeps_off() { setenv("PSS_SWEEP_START", "off", 1); }
  ~sweeps_off() { unsetenv("PSS_SWEEP_START"); }
  sweeps_off(const sweeps_off&) = delete;
  sweeps_off& operator=(const sweeps_off&) = delete;
};

int pss_iterations(const std::string& out) {
  const std::size_t from = out.find("performing single frequency solution");
  int count = 0;
  for (std::size_t at = from; (at = out.find("iter ", at)) != std::string::npos; ++at) ++count;
  return count;
}

// The largest difference of two runs' node voltages over every plane,
// relative to the largest voltage.
double largest_difference(const job_run& a, const job_run& b) {
  const auto x = load_state(a, "0.var");
  const auto y = load_state(b, "0.var");
  double largest = 0.0;
  double scale = 0.0;
  for (int position = 0; position < x->c->nodes_per_plane; ++position) {
    for (int plane = 0; plane < x->c->planes; ++plane) {
      const double u = x->voltage(position, plane);
      largest = std::max(largest, std::fabs(u - y->voltage(position, plane)));
      scale = std::max(scale, std::fabs(u));
    }
  }
  return largest / scale;
}

struct sweep_case {
  const char* label;
  const char* netlist;
  const char* answers;
  int most_with_sweeps;  // PSS iterations after the sweeps
  int fewest_without;    // and from the DC solution as it stands
};

const sweep_case cases[] = {
    {"half-wave rectifier into 100 periods, 64 planes",
     "V1 in 0 SIN(5)\nD1 in out 1n\nRL out 0 10k\nCL out 0 200u\n", "1e-9\nn\n50\ny\ny\n64\n", 5,
     15},
    {"the same on 512 planes", "V1 in 0 SIN(5)\nD1 in out 1n\nRL out 0 10k\nCL out 0 200u\n",
     "1e-9\nn\n50\ny\ny\n512\n", 5, 30},
    {"bridge rectifier",
     "V1 in 0 SIN(10)\nD1 in p DD\nD2 0 p DD\nD3 n in DD\nD4 n 0 DD\nRL p n 1k\nCL p n 100u\n"
     "RB1 p 0 10meg\nRB2 n 0 10meg\n.model DD D\n",
     "1e-9\nn\n50\ny\ny\n256\n", 3, 15},
    {"CMOS inverter",
     "VDD vdd 0 DC 3.3\nVIN in 0 DC 1.65 SIN(0.6)\nMN out in 0 0 NCH W=10u L=1u\n"
     "MP out in vdd vdd PCH W=25u L=1u\nCL out 0 10p\n"
     ".model NCH NMOS (LEVEL=1 VTO=0.7 KP=110u GAMMA=0.4 PHI=0.7 LAMBDA=0.04 CBD=10f IS=1e-15)\n"
     ".model PCH PMOS (LEVEL=1 VTO=-0.8 KP=40u GAMMA=0.5 PHI=0.7 LAMBDA=0.05 CBD=25f "
     "IS=1e-15)\n",
     "1e-9\nn\n100000\ny\ny\n256\n", 8, 10},
};

TEST(sweep_start, junction_circuits_reach_the_same_state_in_few_iterations) {
  for (const sweep_case& t : cases) {
    SCOPED_TRACE(t.label);
    const compiled_netlist compiled = compile_netlist(t.netlist);
    ASSERT_TRUE(compiled.ok);
    const job_run swept = run_job(write_network(compiled.network), t.answers);
    ASSERT_EQ(swept.result.status, 0) << swept.result.out;
    job_run plain;
    {
      const sweeps_off off;
      plain = run_job(write_network(compiled.network), t.answers);
    }
    ASSERT_EQ(plain.result.status, 0) << plain.result.out;
    EXPECT_LE(pss_iterations(swept.result.out), t.most_with_sweeps);
    EXPECT_GE(pss_iterations(plain.result.out), t.fewest_without);
    // Both converge to 1e-9; their solutions agree to the last steps' size.
    EXPECT_LT(largest_difference(swept, plain), 1e-9);
  }
}

// Without a junction the sweeps never run: the transcript is that of
// Newton from the DC solution, byte for byte.
TEST(sweep_start, a_circuit_without_junctions_runs_as_before) {
  const compiled_netlist compiled =
      compile_netlist("V1 in 0 SIN(5)\nR1 in out 1k\nRL out 0 10k\nCL out 0 2u\n");
  ASSERT_TRUE(compiled.ok);
  const job_run swept = run_job(write_network(compiled.network), "1e-9\nn\n50\ny\ny\n64\n");
  job_run plain;
  {
    const sweeps_off off;
    plain = run_job(write_network(compiled.network), "1e-9\nn\n50\ny\ny\n64\n");
  }
  EXPECT_EQ(swept.result.out, plain.result.out);
}

}  // namespace
}  // namespace pss::test
