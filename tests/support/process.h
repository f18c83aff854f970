// Running the real executables, and scratch folders for their files.
#pragma once

#include <string>
#include <vector>

namespace pss::test {

struct process_result {
  int status;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

// Runs `exe` with `args` in folder `cwd`, feeding `input` on standard input.
process_result run_process(const std::string& exe, const std::vector<std::string>& args,
                           const std::string& input, const std::string& cwd = ".");

// A fresh folder removed with everything in it when the object goes.
struct temp_dir {
  std::string path;
  temp_dir();
  ~temp_dir();
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  std::string file(const std::string& name) const { return path + "/" + name; }
};

// Sets an environment variable (which the processes run meanwhile inherit)
// for the life of the object, then restores what was there.
struct scoped_env {
  std::string name;
  bool had;
  std::string old;
  scoped_env(const std::string& variable, const std::string& value);
  ~scoped_env();
  scoped_env(const scoped_env&) = delete;
  scoped_env& operator=(const scoped_env&) = delete;
};

bool file_exists(const std::string& path);
std::string read_text_file(const std::string& path);

}  // namespace pss::test
