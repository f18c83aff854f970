// Every seed and every kept finding of the fuzz targets, replayed through
// the same entry points in the ordinary and the sanitizer builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz_targets.h"

namespace pss {
namespace {

std::vector<std::filesystem::path> inputs_of(const std::string& target) {
  std::vector<std::filesystem::path> files;
  for (const char* kind : {"corpus", "regressions"}) {
    const std::filesystem::path folder =
        std::filesystem::path(PSS_SOURCE_DIR) / "tests/fuzz" / kind / target;
    if (!std::filesystem::exists(folder)) continue;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

TEST(fuzz_replay, every_kept_input_runs_to_an_answer) {
  for (const char* target : {"network", "state", "netlist", "dialogue"}) {
    const fuzz::target run = fuzz::target_named(target);
    ASSERT_NE(run, nullptr);
    const std::vector<std::filesystem::path> files = inputs_of(target);
    EXPECT_FALSE(files.empty()) << "no seeds for " << target;
    for (const std::filesystem::path& file : files) {
      SCOPED_TRACE(file.string());
      const std::string bytes = contents(file);
      run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
  }
  fuzz::end_inputs();
}

}  // namespace
}  // namespace pss
