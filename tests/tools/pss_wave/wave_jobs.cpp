#include "wave_jobs.h"

#include <gtest/gtest.h>

#include <fstream>

#include "model/codes.h"
#include "support/circuit_plan.h"
#include "support/net_builder.h"
#include "tools/netlist/netlist.h"

namespace pss::test {

job_run driven_job(double amps) {
  circuit_plan plan;
  const int in = plan.fixed(0.0);
  const int mid = plan.unknown();
  const int tap = plan.unknown();
  const std::vector<net_value> sine = {
      {attr::dc_level, 0.0}, {attr::ac_amplitude, 1.0}, {attr::phase, 0.0}, {attr::harmonic, 1.0}};
  plan.add({"V1", conection_type::vsource, in, 0, 0, sine, {in}, {in}, {}});
  plan.resistor("R1", in, mid, 1000);
  plan.resistor("R2", mid, 0, 2000);
  plan.resistor("R3", mid, tap, 1500);
  plan.resistor("R4", tap, 0, 500);
  const std::vector<net_value> third = {
      {attr::dc_level, 0.0}, {attr::ac_amplitude, amps}, {attr::phase, 0.3}, {attr::harmonic, 3.0}};
  plan.add({"I1", conection_type::isource, mid, 0, 1, third, {0}, {0}, {}});
  job_run job = run_job(plan.bytes(), "1e-12\nn\n1000\ny\ny\n16\n");
  EXPECT_EQ(job.result.status, 0) << job.result.out;
  std::ofstream(job.file(".names")) << "node 0 gnd\nnode 1 in\nnode 2 mid\nnode 3 R3#tap\n";
  return job;
}

job_run oscillator_job() {
  job_run job =
      run_job(net_bytes(data_text("oscillator.txt")), "1e-9\nn\n0.995\nn\ny\n32\nn\n0.0\n");
  EXPECT_EQ(job.result.status, 0) << job.result.out;
  return job;
}

job_run netlist_job(const std::string& netlist, const std::string& answers) {
  const compiled_netlist compiled = compile_netlist(netlist);
  EXPECT_TRUE(compiled.ok) << netlist;
  job_run job = run_job(write_network(compiled.network), answers);
  EXPECT_EQ(job.result.status, 0) << netlist << job.result.out;
  std::ofstream(job.file(".names")) << names_text(compiled.names);
  return job;
}

waveforms load_job(const job_run& job, const std::string& suffix,
                   const current_request& currents) {
  return load_waveforms(job.file(""), job.file(suffix), currents);
}

}  // namespace pss::test
