#include "tools/pss_run/solve.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace pss {

namespace {

bool executable(const std::filesystem::path& p) {
  return access(p.c_str(), X_OK) == 0 && std::filesystem::is_regular_file(p);
}

bool starts_with(const std::string& text, const char* prefix) {
  return text.rfind(prefix, 0) == 0;
}

// Shows one line of pss's output: progress passes through, the dialogue
// stays in the log.
void pass_on(const std::string& line, bool quiet) {
  if (quiet || is_dialogue_line(line)) return;
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}

}  // namespace

std::string find_pss() {
  std::error_code ignored;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ignored);
  if (!self.empty() && executable(self.parent_path() / "pss")) {
    return (self.parent_path() / "pss").string();
  }
  const char* path = std::getenv("PATH");
  std::string folders = path != nullptr ? path : "";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t colon = folders.find(':', start);
    if (colon == std::string::npos) colon = folders.size();
    const std::filesystem::path candidate =
        std::filesystem::path(colon > start ? folders.substr(start, colon - start) : ".") / "pss";
    if (executable(candidate)) return candidate.string();
    start = colon + 1;
  }
  return {};
}

bool is_dialogue_line(const std::string& line) {
  if (line.empty()) return false;
  const char last = line.back();
  if (last == '?' || line.find("? (") != std::string::npos) return true;
  if (starts_with(line, "Take default values")) return true;
  // The source dialogue: "V(1, 0)", then "dc_level (default 0.000000e+00)"...
  if ((starts_with(line, "V(") || starts_with(line, "I(")) && last == ')') return true;
  if (line.find(" (default ") != std::string::npos) return true;
  // The twinning options under "Twin nodes[..]: option?".
  return line.size() > 3 && line[0] == ' ' && line[1] >= '0' && line[1] <= '9' && line[2] == ')';
}

bool refused_an_answer(const solve_result& r) {
  if (r.status == 0 || r.lines.empty()) return false;
  const std::string& last = r.lines.back();
  return starts_with(last, "error, answer to ") || starts_with(last, "error, no answer to ");
}

solve_result run_solver(const std::string& pss, const std::string& job,
                        const std::string& answers_path, const std::string& log_path, bool quiet) {
  solve_result result{127, {}};
  std::FILE* log = std::fopen(log_path.c_str(), "wb");
  int pipe_ends[2];
  if (log == nullptr || pipe(pipe_ends) != 0) {
    if (log != nullptr) std::fclose(log);
    return result;
  }
  std::fflush(nullptr);  // the child must not repeat what is buffered here
  const pid_t pid = fork();
  if (pid == 0) {
    const int answers = open(answers_path.c_str(), O_RDONLY);
    if (answers < 0 || dup2(answers, 0) < 0 || dup2(pipe_ends[1], 1) < 0) _exit(127);
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    close(answers);
    execl(pss.c_str(), pss.c_str(), job.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipe_ends[1]);
  std::FILE* from_pss = pid > 0 ? fdopen(pipe_ends[0], "r") : nullptr;
  if (from_pss == nullptr) close(pipe_ends[0]);
  std::string line;
  for (int ch = 0; from_pss != nullptr && (ch = std::fgetc(from_pss)) != EOF;) {
    std::fputc(ch, log);
    if (ch != '\n') {
      line += static_cast<char>(ch);
      continue;
    }
    pass_on(line, quiet);
    result.lines.push_back(line);
    line.clear();
  }
  if (!line.empty()) {
    pass_on(line, quiet);
    result.lines.push_back(line);
  }
  if (from_pss != nullptr) std::fclose(from_pss);
  std::fclose(log);
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid) {
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  return result;
}

}  // namespace pss
