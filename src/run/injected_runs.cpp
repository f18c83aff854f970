#include "run/injected_runs.h"

#include <algorithm>
#include <cmath>

#include "model/codes.h"
#include "model/lookups.h"
#include "newton/newton.h"
#include "run/injection_level.h"
#include "run/natural_cycle.h"
#include "run/ringing.h"
#include "run/solve.h"
#include "support/console.h"

namespace pss {

namespace {

constexpr int max_settling_runs = 8;
// A ringing estimate this close to the injected frequency has settled.
constexpr double ringing_settled = 1e-3;
// An injection jump this small against the injected amplitude is closed.
constexpr double jump_settled = 1e-7;
// Halvings of a continuation step before the continuation gives up.
constexpr int max_halvings = 8;

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

}  // namespace

search_state held_at_present(circuit* c, double accuracy, oscillator_start& start) {
  search_state s(c, accuracy, start);
  s.frequency = 1.0 / period_dvar(c)->value;
  s.injected = take_snapshot(c);
  s.rest_levels = rest_levels(c, start);
  s.tank_rest = rest_level(s, c->nodelists->nodes->next->node);
  return s;
}

double rest_level(const search_state& s, const node* n) {
  return level_of(s.rest_levels, n, s.c->planes);
}

int solve_injected(search_state& s) {
  ++s.start.injected_solves;
  solve_guards guards;
  guards.damp = true;
  return solve_circuit_guarded(s.c, s.accuracy, guards);
}

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

void settle_injected_cycle(search_state& s) {
  if (injection_level(s.c) == nullptr) return;
  follow_ringing(s);
  close_injection_jump(s);
}
}  // namespace pss
