#include "run/oscillator_search.h"

#include <algorithm>
#include <cmath>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/newton.h"
#include "run/double_runs.h"
#include "run/injected_runs.h"
#include "run/injection_level.h"
#include "run/job_files.h"
#include "run/natural_cycle.h"
#include "run/ringing.h"
#include "run/solve.h"
#include "state/state_file.h"
#include "support/console.h"
#include "support/fatal.h"

namespace pss {

namespace {

// The search's rounds. A level above the natural amplitude pumps the
// injected cycle away from the natural one, while any level below it lies
// on the natural cycle: after the first round the level moves by this
// factor, down when the settled cycle decays and up when it grows.
constexpr int rounds = 3;
constexpr double round_factor = 3.0;
// The detuned starts of a fixed-period run that fails near resonance.
constexpr double detunings[] = {0.8, 1.25};

// What the coupled runs must keep away from: slot 0 at rest, every voltage
// at its rest level and the injection node at the tank's. Slot 1 is left
// out of the distance, since it can ring on an injected cycle of its own
// while slot 0 rests; so is the period, which is free at rest. Distances are
// in units of `scale` volts, averaged over slot 0's unknowns.
deflated_dvars slot0_at_rest(const search_state& s, double scale) {
  circuit* c = s.c;
  const dvar_snapshot present = take_snapshot(c);
  const node* injection = c->nodelists->nodes->node;
  int unknowns = 0;
  for (node* n : each(c->nodes)) {
    dvar_group* v = find_dvar_group(n->dvar_groups, group_id::voltage);
    if (v != nullptr && v->dvars->number >= 0) ++unknowns;
  }
  deflated_dvars rest;
  for (int pass = 0; pass < 2; ++pass) {
    for (node* n : each(c->nodes)) {
      dvar_group* v = find_dvar_group(n->dvar_groups, group_id::voltage);
      if (v == nullptr) continue;
      const double level = n == injection ? s.tank_rest : rest_level(s, n);
      const double weight = 1.0 / (scale * scale * std::max(unknowns, 1));
      int slot = 0;
      for (dvar* d : each(v->dvars)) d->value = pass == 0 ? level : (slot++ == 0 ? weight : 0.0);
    }
    for (dvar_group* g : each(c->global_dvars)) {
      for (dvar* d : each(g->dvars)) d->value = 0.0;
    }
    (pass == 0 ? rest.values : rest.weights) = take_snapshot(c);
  }
  restore_snapshot(c, present);
  return rest;
}

// The size of the injected oscillation at the tank, never 0.
double oscillation_scale(circuit* c) {
  const std::vector<double> v = tank_samples(c, 0);
  const double amplitude = harmonic_amplitude(v, 1);
  const double level = std::fabs(harmonic_amplitude(v, 0));
  return std::max(amplitude, 1e-3 * (1.0 + level));
}

// One coupled solve from the injected solution held, with the equilibrium
// deflated: true when it ends on a natural cycle, else the injected
// solution is back in place and the line printed says what happened.
bool coupled_attempt(search_state& s, bool damp) {
  circuit* c = s.c;
  const deflated_dvars rest = slot0_at_rest(s, oscillation_scale(c));
  free_injection(c);
  ++s.start.coupled_solves;
  solve_guards guards;
  guards.damp = damp;
  guards.deflated = &rest;
  const int code = solve_circuit_guarded(c, s.accuracy, guards);
  if (code == newton_converged) {
    const cycle_report report = check_natural_cycle(c, s.start.frequency);
    if (report.natural) return true;
    say("search %d: the coupled runs converged, but %s (%le Hz, amplitude %le V)\n",
        s.start.search_steps, report.problem, report.frequency, report.amplitude);
  }
  restore_snapshot(c, s.injected);
  if (!s.injected_is_cycle) hold_injection(c);
  return false;
}

// The coupled runs from the injected solution held, first with full Newton
// steps, then with steps that make the residual grow cut back.
bool coupled_from_injected(search_state& s, const std::string& job) {
  write_state(s.c, double_state_file(job));
  say("search %d: coupled runs from the injected cycle at %le Hz, the equilibrium deflated\n",
      ++s.start.search_steps, s.frequency);
  if (coupled_attempt(s, false)) return true;
  say("search %d: coupled runs from the injected cycle at %le Hz, the equilibrium deflated, "
      "damped\n",
      ++s.start.search_steps, s.frequency);
  return coupled_attempt(s, true);
}

// A dV/df run after the first that missed, solved again from the previous
// run's cycle with the guards.
void search_from_previous_run(const search_request& r) {
  circuit* c = r.c;
  restore_snapshot(c, r.from);
  search_state s = held_at_present(c, r.accuracy, r.start);
  s.injected_is_cycle = true;
  for (bool damp : {false, true}) {
    say("search %d: dV/df run %d from run %d's cycle at %le Hz, the equilibrium deflated%s\n",
        ++s.start.search_steps, r.run, r.run - 1, s.frequency, damp ? ", damped" : "");
    if (coupled_attempt(s, damp)) return;
  }
  fatal(
      "error, oscillator search: dV/df run %d found no natural cycle from run %d's at %le Hz; "
      "take smaller dV/df steps\n",
      r.run, r.run - 1, s.frequency);
}

}  // namespace

void oscillator_search_failed(const oscillator_start& start, double frequency) {
  fatal(
      "error, oscillator search: no natural cycle found (%d injected and %d coupled solves "
      "tried from %le Hz); the best estimate of the natural frequency is %le Hz: start "
      "there, or change the .osc amplitude or the plane count\n",
      start.injected_solves, start.coupled_solves, start.frequency,
      start.best_estimate > 0.0 ? start.best_estimate : frequency);
}

void search_natural_cycle(const search_request& r) {
  circuit* c = r.c;
  if (r.run > 0) {
    search_from_previous_run(r);
    return;
  }
  restore_snapshot(c, r.from);
  hold_injection(c);
  search_state s = held_at_present(c, r.accuracy, r.start);
  tagged_value* level = injection_level(c);
  double factor = 1.0 / round_factor;
  for (int round = 0; round < rounds; ++round) {
    if (round > 0 && level != nullptr) {
      const double target = s.tank_rest + factor * (level->value - s.tank_rest);
      say("search %d: the injected runs at %le Hz, amplitude %le V\n", ++s.start.search_steps,
          s.frequency, target - s.tank_rest);
      if (!continue_injected(s, {s.frequency, target})) continue;
    }
    settle_injected_cycle(s);
    if (round == 0) {
      const ringing settled = estimate_ringing(tank_samples(c, 0), s.frequency);
      if (settled.found && settled.growth > 1.0) factor = round_factor;
    }
    if (coupled_from_injected(s, r.job)) return;
  }
  oscillator_search_failed(r.start, s.frequency);
}

void recover_injected_run(circuit* c, double accuracy, double frequency, oscillator_start& start,
                          const dvar_snapshot& start_values) {
  restore_snapshot(c, start_values);
  period_dvar(c)->value = 1.0 / frequency;
  search_state s = held_at_present(c, accuracy, start);
  say("search %d: the injected run at %le Hz with damped steps\n", ++start.search_steps, frequency);
  if (solve_injected(s) == newton_converged) return;
  for (double detuning : detunings) {
    restore_snapshot(c, start_values);
    const double detuned = frequency * detuning;
    say("search %d: the injected run at %le Hz, continued to %le Hz\n", ++start.search_steps,
        detuned, frequency);
    period_dvar(c)->value = 1.0 / detuned;
    if (solve_injected(s) != newton_converged) continue;
    s.frequency = detuned;
    s.injected = take_snapshot(c);
    tagged_value* level = injection_level(c);
    if (continue_injected(s, {frequency, level != nullptr ? level->value : 0.0})) return;
  }
  oscillator_search_failed(start, frequency);
}

}  // namespace pss
