#include "run/analysis.h"

#include <cstdio>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/newton.h"
#include "planes/expand.h"
#include "planes/sources.h"
#include "run/answer_checks.h"
#include "run/circuit_checks.h"
#include "run/double_runs.h"
#include "run/frequency_runs.h"
#include "run/injection_level.h"
#include "run/job_files.h"
#include "run/plane_count.h"
#include "run/solve.h"
#include "state/state_file.h"
#include "support/console.h"
#include "support/fatal.h"
#include "support/memory.h"
#include "support/phase_time.h"

namespace pss {

namespace {

struct job_answers {
  char scan;
  char dirichlet;
  frequency_plan frequencies;
};

job_answers ask_analysis() {
  job_answers a{};
  say("scan frequency (y/n)?\n");
  a.scan = read_char("scan frequency (y/n)?");
  if (a.scan == 'y') {
    const char* question = "starting frequency, final frequency and number of frequency steps?";
    say("%s\n", question);
    // A frequency of 0 or below has no period to sample: refused before any
    // solve, as are scans that would write more state files than a folder
    // can sensibly hold.
    a.frequencies.start = read_positive_real(question, "the starting frequency");
    a.frequencies.final = read_positive_real(question, "the final frequency");
    a.frequencies.steps = read_int(question);
    if (a.frequencies.steps < 0) {
      fatal("error, answer to \"%s\": the number of steps must not be negative\n", question);
    }
    check_step_count(question, a.frequencies.steps);
  } else {
    say("fundamental frequency?\n");
    a.frequencies.start = read_positive_real("fundamental frequency?", "the frequency");
  }
  say("period a dirichlet (y/n)?\n");
  a.dirichlet = read_char("period a dirichlet (y/n)?");
  return a;
}

void expand(circuit* c) {
  advise_huge_heap(static_cast<std::int64_t>(c->planes) * c->nodes_per_plane);
  const timed_phase timing{job_phase_time_spent().expansion};
  expand_time_planes(c);
  check_expanded(c);
}

// A node's slot-0 voltage averaged over its planes.
double mean_level(node* n, int planes) {
  double sum = 0.0;
  for (int j = 0; j < planes; ++j, n = n->next_plane) {
    sum += find_dvar_group(n->dvar_groups, group_id::voltage)->dvars->value;
  }
  return sum / planes;
}

// Restarts from a state file the user saved as `<job>S.var`. Returns
// whether the frequency runs are to be skipped.
bool start_from_saved_state(const std::string& path, circuit* c, const job_answers& a) {
  say("starting from a saved state\n");
  read_state_planes(c, path);
  say("solving with %d time planes\n", c->planes);
  check_plane_count(c, c->planes);
  expand(c);
  say("single (1) or double (2) dvars?\n");
  const int slots = read_int("single (1) or double (2) dvars?");
  if (slots == 2) {
    check_double_runs(c);
    make_double_dvars(c);
  } else if (slots != 1) {
    fatal("%d dvars not allowed!\n", slots);
  }
  read_state(c, path);
  if (c->nodelists != nullptr && c->nodelists->nodes->next != nullptr) {
    place_injection_about(c, mean_level(c->nodelists->nodes->next->node, c->planes),
                          "mean level in the saved state");
  }
  if (a.scan == 'n' && a.dirichlet == 'n') {
    // The double runs go on at the saved period.
    check_saved_period(c, path.c_str());
    period_dvar(c)->number = dvar_number::period_held;
    return true;
  }
  return false;
}

// Each node's DC voltage, by its position as read.
std::vector<double> dc_levels(circuit* c) {
  std::vector<double> levels;
  for (node* n : each(c->nodes)) {
    const dvar_group* v = find_dvar_group(n->dvar_groups, group_id::voltage);
    levels.push_back(v != nullptr ? v->dvars->value : 0.0);
  }
  return levels;
}

void start_from_dc(const std::string& job, circuit* c, double accuracy, oscillator_start& start) {
  say("performing DC solution\n");
  period_dvar(c)->value = 1.0;
  if (solve_circuit(c, accuracy) != newton_converged) fatal("DC not converged\n");
  write_state(c, dc_state_file(job));
  start.dc_levels = dc_levels(c);
  if (c->nodelists != nullptr && c->nodelists->nodes->next != nullptr) {
    const node* tank = c->nodelists->nodes->next->node;
    place_injection_about(c, start.dc_levels[static_cast<std::size_t>(tank->index)], "DC level");
  }
  say("number of time planes required?\n");
  const int planes = read_int("number of time planes required?");
  if (planes < 1) {
    fatal(
        "error, answer to \"number of time planes required?\": at least 1 plane is needed, "
        "got %d\n",
        planes);
  }
  check_plane_count(c, planes);
  c->planes = planes;
  expand(c);
}

bool file_present(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

}  // namespace

int run_analysis(const std::string& job, network& net, double accuracy) {
  circuit* c = net.circuit;
  const job_answers a = ask_analysis();
  period_dvar(c)->number = a.dirichlet == 'y' ? dvar_number::fixed : dvar_number::period_held;
  set_contacts(c);

  const std::string saved = saved_state_file(job);
  bool skip_frequency_runs = false;
  oscillator_start start;
  const bool from_saved = file_present(saved);
  if (from_saved) {
    skip_frequency_runs = start_from_saved_state(saved, c, a);
  } else {
    start_from_dc(job, c, accuracy, start);
  }
  if (!skip_frequency_runs) {
    start.frequency = a.frequencies.start;  // what a search in the first run starts from
    run_frequencies(job, c, accuracy, a.frequencies,
                    period_dvar(c)->number == dvar_number::period_held ? &start : nullptr,
                    !from_saved);
  }
  // The double runs start from the frequency last solved.
  start.frequency = 1.0 / period_dvar(c)->value;

  const int32_t mode = period_dvar(c)->number;
  if (mode == dvar_number::fixed) return 0;  // a fixed period: the job is complete
  if (mode == dvar_number::period_held) return run_independent_double(job, c, accuracy, start);
  return run_coupled_double(job, c, accuracy, start);
}

}  // namespace pss
