// A pss job run end to end: the network written into a scratch folder, the
// executable run there with answers on standard input, and its state files
// read back into the expanded circuit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "model/circuit.h"
#include "support/process.h"

namespace pss::test {

struct job_run {
  std::unique_ptr<temp_dir> dir = std::make_unique<temp_dir>();
  std::vector<uint8_t> net;
  std::string name = "job";
  process_result result{};

  std::string file(const std::string& suffix) const { return dir->file(name + suffix); }
};

// Writes `net` as job.net and runs `pss job` with `answers`.
job_run run_job(const std::vector<uint8_t>& net, const std::string& answers);

// Runs pss again in the same folder.
void rerun(job_run& job, const std::string& answers);

// A state file of the job read into its expanded circuit.
struct loaded_state {
  network net;
  circuit* c = nullptr;

  double voltage(int position, int plane, int slot = 0);
  double period();
  int32_t period_number();
};

std::unique_ptr<loaded_state> load_state(const job_run& job, const std::string& suffix);

// The lines of a text.
std::vector<std::string> lines_of(const std::string& text);

}  // namespace pss::test
