#include "tools/pss_run/pss_run.h"

#include <cstdio>
#include <filesystem>

#include "model/codes.h"
#include "support/files.h"
#include "tools/netlist/netlist.h"
#include "tools/pss_run/job_plan.h"
#include "tools/pss_run/results.h"
#include "tools/pss_run/run_options.h"
#include "tools/pss_run/solve.h"
#include "tools/pss_wave/pss_wave.h"
#include "tools/pss_wave/waveforms.h"

namespace pss {

namespace {

// The stages a run passes through, as its messages name them.
int stage_error(const char* stage, const std::string& message, int status = 1) {
  std::fprintf(stderr, "pss-run: %s: %s\n", stage, message.c_str());
  return status;
}

bool write_text(const std::string& path, const std::string& text, std::string& error) {
  if (write_file_atomically(path, {text.begin(), text.end()}, error)) return true;
  error = "cannot write " + path + ": " + error;
  return false;
}

std::string default_job(const std::string& netlist) {
  return std::filesystem::path(netlist).stem().string();
}

// 2 where the error of what is extrapolated falls as 1/N^2: an oscillator's
// period with the CAP1 and explicit-inductor pair, or a driven circuit whose
// capacitors and inductors all take central differences; 1 otherwise.
int default_order(const net_file& network, const job_plan& plan) {
  if (plan.free_period) return 2;
  for (const net_circuit& c : network.circuits) {
    for (const net_node& n : c.nodes) {
      for (const net_neighbour& nb : n.neighbours) {
        for (const net_conection& con : nb.conections) {
          if (con.type == conection_type::cap1 || con.type == conection_type::inductor) return 1;
        }
      }
    }
  }
  return 2;
}

// One job: its files written, pss run on them. Returns 0, or the status the
// run ends with after its message.
int solve_job(const std::string& job, const compiled_netlist& compiled, const job_plan& plan,
              const std::string& pss, bool quiet) {
  std::string error;
  if (std::filesystem::exists(job + "S.var")) {
    return stage_error("dialogue", job +
                                       "S.var would make pss start from that saved state; "
                                       "remove it, or run pss " +
                                       job + " by hand");
  }
  const std::string answers = job + ".answers";
  if (!write_file_atomically(job + ".net", write_network(compiled.network), error)) {
    return stage_error("compile", "cannot write " + job + ".net: " + error);
  }
  if (!write_text(job + ".names", names_text(compiled.names), error) ||
      !write_text(answers, dialogue_answers(plan), error)) {
    return stage_error("compile", error);
  }
  const solve_result r = run_solver(pss, job, answers, job + ".log", quiet);
  const std::string last = r.lines.empty() ? "no output" : r.lines.back();
  if (r.status == 127 && r.lines.empty()) {
    return stage_error("solve", "cannot run " + pss, 127);
  }
  if (refused_an_answer(r)) {
    return stage_error("dialogue", "pss refused an answer of " + answers + ": " + last, r.status);
  }
  if (r.status != 0) {
    return stage_error("solve",
                       "pss " + job + " ended with status " + std::to_string(r.status) + ": " +
                           last + " (its output is in " + job + ".log)",
                       r.status);
  }
  return 0;
}

// pss-wave's outputs of one solution, next to its state file.
int write_outputs(const std::string& job, const std::string& state, const run_options& options) {
  const std::string stem = state.substr(0, state.size() - 4);  // without ".var"
  struct output {
    bool wanted;
    wave_format format;
    const char* suffix;
  };
  const output outputs[] = {{options.csv, wave_format::csv, ".csv"},
                            {options.raw, wave_format::raw, ".raw"},
                            {options.svg, wave_format::svg, ".svg"}};
  for (const output& o : outputs) {
    if (!o.wanted) continue;
    wave_options w;
    w.job = job;
    w.state_path = state;
    w.format = o.format;
    w.nodes = options.nodes;
    w.currents = options.currents;
    if (o.format == wave_format::svg && options.periods > 0) w.periods = options.periods;
    std::string error;
    if (!write_text(stem + o.suffix, wave_output(w), error)) return stage_error("output", error);
    if (o.format != wave_format::svg) continue;
    // The chart holds one kind of trace: the voltages asked for, or the
    // currents when only currents were.
    w.spectrum = true;
    w.currents = false;
    w.periods = 1;
    std::vector<std::string> voltages;
    for (const std::string& n : options.nodes) {
      if (current_element(n).empty()) voltages.push_back(n);
    }
    w.nodes = voltages.empty() ? options.nodes : voltages;
    if (!write_text(stem + "-spectrum.svg", wave_output(w), error)) {
      return stage_error("output", error);
    }
  }
  return 0;
}

}  // namespace

int run_pss_run(const std::vector<std::string>& args) {
  run_options options;
  std::string error;
  if (!parse_run_options(args, options, error)) {
    std::fprintf(stderr, "pss-run: %s\n(pss-run --help shows the usage)\n", error.c_str());
    return 1;
  }
  if (options.help) {
    std::fputs(run_usage, stdout);
    return 0;
  }
  if (options.version) {
    std::printf("pss-run %s\n", PSS_VERSION);
    return 0;
  }

  std::vector<uint8_t> bytes;
  if (!read_file(options.netlist, bytes)) {
    return stage_error("compile", "cannot read " + options.netlist);
  }
  // --freq gives a SPICE deck's sines their fundamental as .pss would.
  const compile_options spice{options.spice, options.has_frequency ? options.frequency.start : 0,
                              options.netlist};
  const compiled_netlist compiled = compile_netlist(std::string(bytes.begin(), bytes.end()), spice);
  for (const netlist_message& m : compiled.messages) {
    std::fprintf(stderr, "%s\n", message_line(options.netlist, m).c_str());
  }
  if (!compiled.ok) {
    return stage_error("compile", options.netlist + " has errors; nothing was solved");
  }

  job_plan plan;
  if (!settle_plan(options, compiled, plan, error)) return stage_error("dialogue", error);
  const std::string job = options.job.empty() ? default_job(options.netlist) : options.job;
  const std::filesystem::path folder = std::filesystem::path(job).parent_path();
  std::error_code failed;
  if (!folder.empty()) std::filesystem::create_directories(folder, failed);
  if (failed) return stage_error("compile", "cannot make folder " + folder.string());
  const std::string pss = find_pss();
  if (pss.empty()) return stage_error("solve", "cannot find pss beside pss-run or on PATH");

  if (const int status = solve_job(job, compiled, plan, pss, options.quiet)) return status;
  const std::string fine_job = job + ".fine";
  job_plan fine_plan = plan;
  fine_plan.planes = 2 * plan.planes;
  if (options.extrapolate) {
    if (!options.quiet)
      std::printf("\nsolving again on %d planes as %s\n", fine_plan.planes, fine_job.c_str());
    if (const int status = solve_job(fine_job, compiled, fine_plan, pss, options.quiet)) {
      return status;
    }
  }

  if (!options.quiet) std::fputc('\n', stdout);
  const std::vector<std::string> files = solution_files(job, plan);
  const std::vector<std::string> fine_files = solution_files(fine_job, fine_plan);
  const int order = options.order > 0 ? options.order : default_order(compiled.network, plan);
  for (std::size_t i = 0; i < files.size(); ++i) {
    solution_result s = read_solution(job, files[i], options.nodes, options.currents);
    s.label = "run " + std::to_string(i);
    s.dvdf = plan.dvdf.steps == 0 ? plan.dvdf.start
                                  : ((plan.dvdf.steps - static_cast<int>(i)) * plan.dvdf.start +
                                     static_cast<int>(i) * plan.dvdf.final) /
                                        plan.dvdf.steps;
    std::fputs(solution_text(s, plan).c_str(), stdout);
    if (options.extrapolate) {
      const solution_result fine =
          read_solution(fine_job, fine_files[i], options.nodes, options.currents);
      std::fputs(extrapolation_text(s, fine, plan, order).c_str(), stdout);
    }
    if (const int status = write_outputs(job, files[i], options)) return status;
  }
  return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace pss
