// pss run as a child process: the answers file on its standard input, its
// output kept in a log, its progress lines passed through as they come.
#pragma once

#include <string>
#include <vector>

namespace pss {

struct solve_result {
  int status;                      // pss's exit status, or 128 + signal
  std::vector<std::string> lines;  // everything pss printed
};

// The pss executable: beside this program (in the build folder's bin/ as
// once installed), else the first `pss` on PATH; "" when there is none.
std::string find_pss();

// Runs `pss JOB < answers`, writing all its output to `log_path` and
// passing each progress line on to standard output unless `quiet`. A pss
// that cannot be started gives status 127 and no lines.
solve_result run_solver(const std::string& pss, const std::string& job,
                        const std::string& answers_path, const std::string& log_path, bool quiet);

// Whether a line of pss's output is part of its dialogue (a question, a
// listed source value or a twinning option) rather than progress.
bool is_dialogue_line(const std::string& line);

// Whether pss stopped on an answer it refused: its last line names the
// question answered.
bool refused_an_answer(const solve_result& r);

}  // namespace pss
