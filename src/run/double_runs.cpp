#include "run/double_runs.h"

#include <algorithm>
#include <cmath>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/newton.h"
#include "planes/expand.h"
#include "run/answer_checks.h"
#include "run/circuit_checks.h"
#include "run/job_files.h"
#include "run/natural_cycle.h"
#include "run/oscillator_search.h"
#include "run/solve.h"
#include "state/state_file.h"
#include "support/console.h"
#include "support/fatal.h"

namespace pss {

void make_double_dvars(circuit* c) {
  if (c->dvars_per_node >= 2) return;
  c->dvars_per_node *= 2;
  node_ref* second = c->nodelists->nodes->next;
  node_ref* third = second->next;
  // The observation samples of the period equation: the second and third
  // nodes now and one plane before.
  third->next = node_ref_list(c, {second->node->prev_plane, third->node->prev_plane}, nullptr);
  for (node* n : each(c->nodes)) {
    for (dvar_group* g : each(n->dvar_groups)) {
      dvar* copy = arena_new<dvar>(*c->memory);
      copy->number = g->dvars->number;
      copy->value = g->dvars->value;
      g->dvars->next = copy;
    }
  }
}

namespace {

[[noreturn]] void not_converged() {
  fatal("not converged\n");
}

dvar_group* injection_voltage(circuit* c) {
  return find_dvar_group(c->nodelists->nodes->node->dvar_groups, group_id::voltage);
}

struct dvdf_plan {
  double start;
  double final;
  int steps;
};

dvdf_plan ask_dvdf_values() {
  say("scan dvdf (y/n)?\n");
  if (read_char("scan dvdf (y/n)?") == 'y') {
    say("starting dvdf, final dvdf and number of dvdf steps?\n");
    const char* question = "starting dvdf, final dvdf and number of dvdf steps?";
    const double start = read_real(question);
    const double final = read_real(question);
    const int steps = read_int(question);
    check_step_count(question, steps);
    return {start, final, steps};
  }
  say("Required dV/df? (dV/df = 0.0 for natural oscillation)\n");
  return {read_real("Required dV/df?"), 0.0, 0};
}

bool converged_on_natural_cycle(circuit* c, int code, const oscillator_start& start) {
  return code == newton_converged && check_natural_cycle(c, start.frequency).natural;
}

}  // namespace

void hold_injection(circuit* c) {
  period_dvar(c)->number = dvar_number::period_held;
  dvar_group* injection = injection_voltage(c);
  nth_dvar(injection, 0)->number = dvar_number::fixed;
  nth_dvar(injection, 1)->number = dvar_number::fixed;
}

void free_injection(circuit* c) {
  period_dvar(c)->number = dvar_number::unknown;
  // The first nodelist's first node (the injection node) becomes an unknown
  // in both slots; the period equation fixes the phase through it.
  dvar_group* injection = injection_voltage(c);
  nth_dvar(injection, 0)->number = 0;
  nth_dvar(injection, 1)->number = 0;
}

int run_independent_double(const std::string& job, circuit* c, double accuracy,
                           oscillator_start& start) {
  say("performing independent double PSS solution\n");
  check_double_runs(c);
  check_injection_windows(c);
  make_double_dvars(c);
  say("freq %le\n", 1.0 / period_dvar(c)->value);
  if (solve_circuit(c, accuracy) != newton_converged) not_converged();
  return run_coupled_double(job, c, accuracy, start);
}

int run_coupled_double(const std::string& job, circuit* c, double accuracy,
                       oscillator_start& start) {
  if (c->dvars_per_node < 2) {
    fatal(
        "error, run_analysis: the coupled double PSS needs double dvars; a saved state "
        "with a free period must be read with the answer 2\n");
  }
  check_double_runs(c);
  check_injection_windows(c);
  write_state(c, double_state_file(job));
  const dvar_snapshot injected = take_snapshot(c);
  free_injection(c);
  say("performing coupled double PSS solution\n");
  const dvdf_plan plan = ask_dvdf_values();
  if (plan.steps < 0) return 0;
  for (int run = 0; run <= plan.steps; ++run) {
    tagged_value* dvdf = find_attribute(c->nodelists->conection, attr::dvdf);
    if (dvdf == nullptr) fatal("Error: no dV/df nodelist attribute found\n");
    dvdf->value = plan.steps == 0
                      ? plan.start
                      : ((plan.steps - run) * plan.start + run * plan.final) / plan.steps;
    say("\nrun %d, dvdf %le\n", run, dvdf->value);
    const dvar_snapshot previous = take_snapshot(c);
    const int code = solve_circuit(c, accuracy);
    if (!converged_on_natural_cycle(c, code, start)) {
      const search_request request{job, c, accuracy, start, run == 0 ? injected : previous, run};
      search_natural_cycle(request);
    }
    write_state(c, dvdf_state_file(job, run));
  }
  return 0;
}

}  // namespace pss
