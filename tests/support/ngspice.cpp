#include "support/ngspice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "support/process.h"

namespace pss::test {

std::string ngspice_path() {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path != nullptr ? path : "");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (!folder.empty() && file_exists(folder + "/ngspice")) return folder + "/ngspice";
  }
  return {};
}

std::vector<std::pair<double, double>> ngspice_wrdata(const std::string& folder,
                                                      const std::string& deck,
                                                      const std::string& data_file) {
  std::ofstream(folder + "/deck.cir") << deck;
  const process_result result = run_process(ngspice_path(), {"-b", "deck.cir"}, "", folder);
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  std::vector<std::pair<double, double>> samples;
  std::ifstream in(folder + "/" + data_file);
  for (double t, v; in >> t >> v;) samples.emplace_back(t, v);
  EXPECT_FALSE(samples.empty()) << result.out << result.err;
  return samples;
}

double ngspice_printed(const std::string& folder, const std::string& deck,
                       const std::string& name) {
  std::ofstream(folder + "/deck.cir") << deck;
  const process_result result = run_process(ngspice_path(), {"-b", "deck.cir"}, "", folder);
  EXPECT_EQ(result.status, 0) << result.out << result.err;
  const std::string key = name + " = ";
  const std::size_t at = result.out.find(key);
  if (at == std::string::npos) {
    ADD_FAILURE() << "ngspice printed no " << name << "\n" << result.out << result.err;
    return 0.0;
  }
  return std::strtod(result.out.c_str() + at + key.size(), nullptr);
}

double interpolate(const std::vector<std::pair<double, double>>& samples, double time) {
  const auto after = std::lower_bound(samples.begin(), samples.end(), std::make_pair(time, -1e300));
  if (after == samples.begin()) return after->second;
  if (after == samples.end()) return samples.back().second;
  const auto before = after - 1;
  const double f = (time - before->first) / (after->first - before->first);
  return before->second + f * (after->second - before->second);
}

}  // namespace pss::test
