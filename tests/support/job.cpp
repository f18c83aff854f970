#include "support/job.h"

#include <gtest/gtest.h>

#include <sstream>

#include "model/codes.h"
#include "model/lookups.h"
#include "model/read_network.h"
#include "run/load_solution.h"
#include "support/net_builder.h"

namespace pss::test {

job_run run_job(const std::vector<uint8_t>& net, const std::string& answers) {
  job_run job;
  job.net = net;
  write_bytes(job.file(".net"), net);
  rerun(job, answers);
  return job;
}

void rerun(job_run& job, const std::string& answers) {
  job.result = run_process(PSS_EXE, {job.name}, answers, job.dir->path);
}

std::unique_ptr<loaded_state> load_state(const job_run& job, const std::string& suffix) {
  auto state = std::make_unique<loaded_state>();
  EXPECT_TRUE(file_exists(job.file(suffix))) << job.name + suffix << "\n" << job.result.out;
  read_network_bytes(state->net, job.net);
  state->c = state->net.circuit;
  load_solution(state->c, job.file(suffix));
  return state;
}

double loaded_state::voltage(int position, int plane, int slot) {
  return solution_voltage(c, position, plane, slot)->value;
}

double loaded_state::period() {
  return find_dvar_group(c->global_dvars, group_id::period)->dvars->value;
}

int32_t loaded_state::period_number() {
  return find_dvar_group(c->global_dvars, group_id::period)->dvars->number;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

}  // namespace pss::test
