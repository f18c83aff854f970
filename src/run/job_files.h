// The names of a job's files: the job name followed by a suffix. The job
// name may carry folders; nothing limits its length.
#pragma once

#include <string>

namespace pss {

inline std::string network_file(const std::string& job) {
  return job + ".net";
}
inline std::string saved_state_file(const std::string& job) {
  return job + "S.var";
}
inline std::string dc_state_file(const std::string& job) {
  return job + "DC0.var";
}
inline std::string run_state_file(const std::string& job, int run) {
  return job + std::to_string(run) + ".var";
}
inline std::string double_state_file(const std::string& job) {
  return job + "DP.var";
}
inline std::string dvdf_state_file(const std::string& job, int run) {
  return job + "O" + std::to_string(run) + ".var";
}

}  // namespace pss
