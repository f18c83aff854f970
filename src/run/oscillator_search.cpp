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
// A ringing estimate this close to the injected frequency has settled...
constexpr double frequency_settled = 1e-5;
// ...and so has a ringing whose log grows or decays by less than this a period.
constexpr double growth_settled = 1e-3;
// The injection levels of the search's rounds, as multiples of the one it
// starts from: a level above the natural amplitude pumps the injected cycle
// away from the natural one, while any level below it lies on the natural
// cycle.
constexpr double amplitude_rounds[] = {1.0, 1.0 / 3.0, 3.0};
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

// Solves the injected runs at the frequency their ringing gives, and at an
// injection level at which the ringing neither grows nor decays, until both
// settle. Each is a fixed point, found by secant steps.
void settle_injected_cycle(search_state& s) {
  circuit* c = s.c;
  tagged_value* level = injection_level(c);
  secant_root frequency_root;
  secant_root amplitude_root;
  for (int k = 0; k < max_settling_runs; ++k) {
    const ringing estimate = estimate_ringing(tank_samples(c, 0), s.frequency);
    if (!estimate.found) return;
    s.start.best_estimate = estimate.frequency;
    const double offset = estimate.frequency - s.frequency;
    const double log_growth = std::log(estimate.growth);
    const double amplitude = level != nullptr ? level->value - s.tank_rest : 0.0;
    const bool frequency_settled_now = std::fabs(offset) < frequency_settled * s.frequency;
    const bool amplitude_settled_now = amplitude == 0.0 || std::fabs(log_growth) < growth_settled;
    if (frequency_settled_now && amplitude_settled_now) return;
    injected_target target{s.frequency, level != nullptr ? level->value : 0.0};
    if (!frequency_settled_now) {
      target.frequency =
          frequency_root.next(s.frequency, offset, estimate.frequency, std::fabs(offset));
    }
    if (!amplitude_settled_now) {
      // A cycle that grows at this level asks for a larger one.
      const double log_amplitude = std::log(std::fabs(amplitude));
      const double first = log_amplitude + std::copysign(std::log(2.0), log_growth);
      const double next = amplitude_root.next(log_amplitude, log_growth, first, std::log(4.0));
      target.level = s.tank_rest + std::copysign(std::exp(next), amplitude);
    }
    say("search %d: the injected cycle at %le Hz rings at %le Hz, growing %.4g times a "
        "period; injected runs at %le Hz, amplitude %le V\n",
        ++s.start.search_steps, s.frequency, estimate.frequency, estimate.growth, target.frequency,
        target.level - s.tank_rest);
    if (!continue_injected(s, target)) return;
  }
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
  hold_injection(c);
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
  restore_snapshot(c, r.from);
  hold_injection(c);
  search_state s = held_at_present(c, r.accuracy, r.start);
  tagged_value* level = injection_level(c);
  const double amplitude = level != nullptr ? level->value - s.tank_rest : 0.0;
  for (double factor : amplitude_rounds) {
    if (level != nullptr && factor != 1.0) {
      const double target = s.tank_rest + factor * amplitude;
      say("search %d: the injected runs at %le Hz, amplitude %le V\n", ++s.start.search_steps,
          s.frequency, target - s.tank_rest);
      if (!continue_injected(s, {s.frequency, target})) continue;
    }
    settle_injected_cycle(s);
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
