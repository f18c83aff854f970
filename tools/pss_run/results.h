// What pss-run reports of a solved job: per solution the DC level, the
// fundamental's amplitude and phase and the THD of each trace asked for,
// and the Richardson extrapolation from two plane counts.
#pragma once

#include <complex>
#include <string>
#include <vector>

#include "tools/pss_run/job_plan.h"
#include "tools/pss_wave/harmonics.h"

namespace pss {

struct trace_result {
  std::string name;
  bool is_current;
  double dc;
  std::complex<double> fundamental;  // amplitude and phase (against a sine)
  bool has_fundamental;
  double thd;
  alternation alternating;  // bin N/2 against the AC amplitude
};

struct solution_result {
  std::string state_file;
  std::string label;  // "run 2" or "dV/df run 0"
  double dvdf;        // of a dV/df run
  int planes;
  double period;
  std::vector<trace_result> traces;
};

// The state files the plan's job writes, in run order: each frequency run,
// or for a free period each dV/df run.
std::vector<std::string> solution_files(const std::string& job, const job_plan& plan);

// Reads one solution with the traces `nodes` names (pss-wave's --nodes;
// all but ground and internal nodes when empty), and every element's
// current besides with `currents`.
solution_result read_solution(const std::string& job, const std::string& state_file,
                              const std::vector<std::string>& nodes, bool currents);

// The summary lines of a solution, and a warning for each trace that
// alternates between even and odd planes.
std::string solution_text(const solution_result& s, const job_plan& plan);

// Richardson's extrapolation of a quantity whose error falls as 1/N^order
// from its values on N and 2N planes.
template <class T>
T richardson(const T& coarse, const T& fine, int order) {
  const double factor = static_cast<double>(1 << order) - 1;
  return fine + (fine - coarse) / factor;
}

// The extrapolation's report: for an oscillator its frequency (and period)
// with the error estimate, the difference from the finer solve; for a
// driven circuit each trace's DC level and fundamental.
std::string extrapolation_text(const solution_result& coarse, const solution_result& fine,
                               const job_plan& plan, int order);

}  // namespace pss
