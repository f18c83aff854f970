#include "support/process.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace pss::test {

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

process_result run_process(const std::string& exe, const std::vector<std::string>& args,
                           const std::string& input, const std::string& cwd) {
  const temp_dir io;
  const std::string in_path = io.file("stdin");
  const std::string out_path = io.file("stdout");
  const std::string err_path = io.file("stderr");
  std::ofstream(in_path, std::ios::binary) << input;

  std::fflush(nullptr);  // the child must not repeat what the parent has buffered
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(127);
    if (!freopen(in_path.c_str(), "rb", stdin) || !freopen(out_path.c_str(), "wb", stdout) ||
        !freopen(err_path.c_str(), "wb", stderr)) {
      _exit(127);
    }
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  process_result result;
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.out = slurp(out_path);
  result.err = slurp(err_path);
  return result;
}

temp_dir::temp_dir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "pss-test-XXXXXX").string();
  path = mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

temp_dir::~temp_dir() {
  std::error_code ignored;
  if (!path.empty()) std::filesystem::remove_all(path, ignored);
}

scoped_env::scoped_env(const std::string& variable, const std::string& value) : name(variable) {
  const char* present = std::getenv(name.c_str());
  had = present != nullptr;
  if (had) old = present;
  setenv(name.c_str(), value.c_str(), 1);
}

scoped_env::~scoped_env() {
  if (had) {
    setenv(name.c_str(), old.c_str(), 1);
  } else {
    unsetenv(name.c_str());
  }
}

bool file_exists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

std::string read_text_file(const std::string& path) {
  return slurp(path);
}

}  // namespace pss::test
