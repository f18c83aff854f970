#include "run/oscillator_search.h"

#include <algorithm>
#include <cmath>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/newton.h"
#include "run/double_runs.h"
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

constexpr int max_settling_runs = 8;
// A ringing estimate this close to the injected frequency has settled.
constexpr double ringing_settled = 1e-3;
// An injection jump this small against the injected amplitude is closed.
constexpr double jump_settled = 1e-7;
// The search's rounds. A level above the natural amplitude pumps the
// injected cycle away from the natural one, while any level below it lies
// on the natural cycle: after the first round the level moves by this
// factor, down when the settled cycle decays and up when it grows.
constexpr int rounds = 3;
constexpr double round_factor = 3.0;
// Halvings of a continuation step before the continuation gives up.
constexpr int max_halvings = 8;
// The detuned starts of a fixed-period run that fails near resonance.
constexpr double detunings[] = {0.8, 1.25};

// The injected solution the search holds and moves.
struct search_state {
  search_state(circuit* circ, double acc, oscillator_start& s) : c(circ), accuracy(acc), start(s) {}
  circuit* c;
  double accuracy;
  oscillator_start& start;
  double frequency = 0.0;  // of the injected solution in `injected`
  dvar_snapshot injected;
  bool injected_is_cycle = false;   // `injected` holds a coupled cycle instead
  std::vector<double> rest_levels;  // per node as read
  double tank_rest = 0.0;
};

// Each node's level at rest, by position as read: the DC solution when the
// job made one, else its slot-0 mean over the planes.
std::vector<double> rest_levels(circuit* c, const oscillator_start& start) {
  if (!start.dc_levels.empty()) return start.dc_levels;
  std::vector<double> sums;
  for (node* n : each(c->nodes)) {
    const auto position = static_cast<std::size_t>(n->index / c->planes);
    if (sums.size() <= position) sums.resize(position + 1, 0.0);
    const dvar_group* v = find_dvar_group(n->dvar_groups, group_id::voltage);
    if (v != nullptr) sums[position] += v->dvars->value / c->planes;
  }
  return sums;
}

double level_of(const std::vector<double>& levels, const node* n, int planes) {
  const auto position = static_cast<std::size_t>(n->index / planes);
  return position < levels.size() ? levels[position] : 0.0;
}

search_state held_at_present(circuit* c, double accuracy, oscillator_start& start) {
  search_state s(c, accuracy, start);
  s.frequency = 1.0 / period_dvar(c)->value;
  s.injected = take_snapshot(c);
  s.rest_levels = rest_levels(c, start);
  s.tank_rest = level_of(s.rest_levels, c->nodelists->nodes->next->node, c->planes);
  return s;
}

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
      const double level = n == injection ? s.tank_rest : level_of(s.rest_levels, n, c->planes);
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

int solve_injected(search_state& s) {
  ++s.start.injected_solves;
  solve_guards guards;
  guards.damp = true;
  return solve_circuit_guarded(s.c, s.accuracy, guards);
}

// Where the injected runs go next: a frequency and an injection level.
struct injected_target {
  double frequency;
  double level;
};

// Moves the injected solution held in the search towards `target` in steps
// that halve on failure; true when it gets there.
bool continue_injected(search_state& s, injected_target target) {
  circuit* c = s.c;
  tagged_value* level = injection_level(c);
  const injected_target from{s.frequency, level != nullptr ? level->value : 0.0};
  double done = 0.0;  // share of the way from `from` to `target` reached
  double step = 1.0;
  for (int halvings = 0; halvings <= max_halvings;) {
    const double next = std::min(1.0, done + step);
    const double frequency = from.frequency + next * (target.frequency - from.frequency);
    period_dvar(c)->value = 1.0 / frequency;
    if (level != nullptr) level->value = from.level + next * (target.level - from.level);
    if (solve_injected(s) == newton_converged) {
      s.frequency = frequency;
      s.injected = take_snapshot(c);
      done = next;
      if (done == 1.0) return true;
    } else {
      restore_snapshot(c, s.injected);
      step *= 0.5;
      ++halvings;
    }
  }
  if (level != nullptr) level->value = from.level + done * (target.level - from.level);
  return false;
}

// The root of r(x) by secant steps through the points seen so far; the
// first step is `first`, and no step goes further from x than `reach` or
// the last step's length, whichever is more.
struct secant_root {
  bool started = false;
  double x = 0.0;
  double r = 0.0;

  double next(double x_now, double r_now, double first, double reach) {
    double target = first;
    if (started && r_now != r) {
      target = x_now - r_now * (x_now - x) / (r_now - r);
      const double span = std::max(std::fabs(x_now - x), reach);
      target = std::clamp(target, x_now - span, x_now + span);
    }
    started = true;
    x = x_now;
    r = r_now;
    return target;
  }
};

// Solves the injected runs at the frequency their ringing gives until the
// estimate settles, a fixed point found by secant steps.
void follow_ringing(search_state& s) {
  circuit* c = s.c;
  secant_root root;
  for (int k = 0; k < max_settling_runs; ++k) {
    const ringing estimate = estimate_ringing(tank_samples(c, 0), s.frequency);
    if (!estimate.found) return;
    s.start.best_estimate = estimate.frequency;
    const double offset = estimate.frequency - s.frequency;
    if (std::fabs(offset) < ringing_settled * s.frequency) return;
    const double target = root.next(s.frequency, offset, estimate.frequency, std::fabs(offset));
    say("search %d: the injected cycle at %le Hz rings at %le Hz, growing %.4g times a "
        "period; injected runs at %le Hz\n",
        ++s.start.search_steps, s.frequency, estimate.frequency, estimate.growth, target);
    if (!continue_injected(s, {target, injection_level(c)->value})) return;
  }
}

// The step the tank's voltage makes at the injection: its free value at
// t = 0 less the level the injection hands it.
double injection_jump(circuit* c) {
  return tank_samples(c, 0)[0] - injection_level(c)->value;
}

// Closes the injection's jump by secant steps in the frequency. A cycle
// without a jump runs free between injections: slot 0 of the coupled runs
// then starts on the natural cycle, whatever the level, as long as the
// level lies on it.
void close_injection_jump(search_state& s) {
  circuit* c = s.c;
  secant_root root;
  const double level = injection_level(c)->value;
  const double tolerance = jump_settled * (std::fabs(level - s.tank_rest) + 1e-3);
  double best = 0.0;
  for (int k = 0; k < max_settling_runs; ++k) {
    const double jump = injection_jump(c);
    if (std::fabs(jump) < tolerance) return;
    // A level at or above the cycle's amplitude leaves a jump that no
    // frequency closes: stop once a step fails to halve the best so far.
    if (k > 0 && !(std::fabs(jump) < 0.5 * best)) return;
    best = std::fabs(jump);
    const ringing estimate = estimate_ringing(tank_samples(c, 0), s.frequency);
    double first = estimate.found ? estimate.frequency : s.frequency;
    if (std::fabs(first - s.frequency) < 1e-7 * s.frequency) first = s.frequency * (1.0 + 1e-7);
    const double target = root.next(s.frequency, jump, first, std::fabs(first - s.frequency));
    if (std::fabs(target - s.frequency) < 1e-13 * s.frequency) return;
    say("search %d: the injected cycle at %le Hz jumps %le V at the injection; injected runs "
        "at %le Hz\n",
        ++s.start.search_steps, s.frequency, jump, target);
    if (!continue_injected(s, {target, level})) return;
    s.start.best_estimate = s.frequency;
  }
}

void settle_injected_cycle(search_state& s) {
  if (injection_level(s.c) == nullptr) return;
  follow_ringing(s);
  close_injection_jump(s);
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
