// Settings that shape the whole netlist. They are read before any element
// line, wherever they stand, so that an element never depends on where a
// setting was written:
//
//   .options DIFFERENCE=BACKWARD|CENTRAL
//       the difference forms of capacitors and inductors whose lines do not
//       choose (backward: CAP1 and explicit inductors, the default;
//       central: CAP2 and trapezoidal inductors)
//   .pss [FREQ=]f | SCAN(f1 f2 steps)  [FIXED | FREE]  [PLANES=n]
//        [ACCURACY=a]  [DVDF=w | DVDF(w1 w2 steps)]
//       the analysis: the fundamental or a frequency scan, a fixed or free
//       period, the plane count, the Newton accuracy and the dV/df values.
//       It leaves the network file as it is; it is the plan pss-run answers
//       pss's dialogue with, and its fundamental is what a source given in
//       hertz is a harmonic of.
#include <cmath>

#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

bool is_whole(double v, double least, double most) {
  return v >= least && v <= most && v == std::floor(v);
}

// SCAN(start final steps) or DVDF(start final steps).
bool read_range(netlist& nl, const item& group, value_range& out) {
  std::vector<double> v;
  if (!group_values(nl, group, ".pss", 3, 3, v)) return false;
  if (!is_whole(v[2], 1, 1e6)) {
    error(nl, group.first.line,
          ".pss: the number of " + group.key + " steps must be a whole number from 1");
    return false;
  }
  out = {v[0], v[1], static_cast<int>(v[2])};
  return true;
}

bool read_frequency(netlist& nl, std::vector<item>& items, analysis_plan& plan) {
  const item* bare = take_value(items);
  double f = 0;
  bool has_freq = false;
  if (!take_option(nl, items, ".pss", "FREQ", f, has_freq)) return false;
  const item* scan = take(items, item_kind::group, "SCAN");
  const int given = (bare != nullptr) + has_freq + (scan != nullptr);
  if (given > 1) {
    error(nl, plan.line, ".pss: give one fundamental frequency or one SCAN");
    return false;
  }
  if (bare != nullptr && !value_of(nl, bare->first, ".pss", f)) return false;
  if (scan != nullptr) {
    if (!read_range(nl, *scan, plan.frequency)) return false;
    plan.scan = true;
  } else if (given == 1) {
    plan.frequency = {f, f, 0};
  }
  plan.has_frequency = given == 1;
  if (plan.has_frequency && (plan.frequency.start <= 0 || plan.frequency.final <= 0)) {
    error(nl, plan.line, ".pss: frequencies must be positive");
    return false;
  }
  return true;
}

bool read_period(netlist& nl, std::vector<item>& items, analysis_plan& plan) {
  const bool fixed = take_flag(items, "FIXED");
  const bool free = take_flag(items, "FREE");
  if (fixed && free) {
    error(nl, plan.line, ".pss: FIXED and FREE exclude each other");
    return false;
  }
  if (fixed) plan.period = analysis_period::fixed;
  if (free) plan.period = analysis_period::free;
  return true;
}

bool read_numbers(netlist& nl, std::vector<item>& items, analysis_plan& plan) {
  double planes = 0;
  bool found = false;
  if (!take_option(nl, items, ".pss", "PLANES", planes, found)) return false;
  if (found && !is_whole(planes, 1, 1e7)) {
    error(nl, plan.line, ".pss: PLANES must be a whole number from 1");
    return false;
  }
  plan.planes = static_cast<int>(planes);
  if (!take_option(nl, items, ".pss", "ACCURACY", plan.accuracy, found)) return false;
  if (found && !(plan.accuracy > 0)) {
    error(nl, plan.line, ".pss: ACCURACY must be positive");
    return false;
  }
  return true;
}

// DVDF=w and DVDF(w) give one value, DVDF(w1 w2 steps) a scan.
bool read_dvdf(netlist& nl, std::vector<item>& items, analysis_plan& plan) {
  item* group = take(items, item_kind::group, "DVDF");
  if (group != nullptr && group->args.size() == 3) {
    plan.has_dvdf = read_range(nl, *group, plan.dvdf);
    return plan.has_dvdf;
  }
  if (group != nullptr) group->used = false;  // one value: read as an option
  double w = 0;
  if (!take_option(nl, items, ".pss", "DVDF", w, plan.has_dvdf)) return false;
  if (plan.has_dvdf) plan.dvdf = {w, w, 0};
  return true;
}

void apply_pss(netlist& nl, const statement& st) {
  analysis_plan& plan = nl.analysis;
  const int line = st.tokens[0].line;
  if (plan.given) {
    error(nl, line,
          ".pss: a second analysis directive (first on " + line_reference(nl, plan.line) + ")");
    return;
  }
  plan.given = true;
  plan.line = line;
  std::vector<item> items;
  if (!read_items(nl, st.tokens, 1, items)) return;
  if (read_frequency(nl, items, plan) && read_period(nl, items, plan) &&
      read_numbers(nl, items, plan) && read_dvdf(nl, items, plan)) {
    report_unused(nl, items, ".pss");
  }
}

void apply_options(netlist& nl, const statement& st) {
  std::vector<item> items;
  if (!read_items(nl, st.tokens, 1, items)) return;
  if (const item* forms = take(items, item_kind::assign, "DIFFERENCE")) {
    const int line = forms->first.line;
    const std::string value = lower(forms->args[0].text);
    if (nl.forms_line > 0) {
      error(
          nl, line,
          ".options: DIFFERENCE given twice (first on " + line_reference(nl, nl.forms_line) + ")");
    } else if (value == "backward" || value == "central") {
      nl.forms = value == "central" ? difference_forms::central : difference_forms::backward;
      nl.forms_line = line;
    } else {
      error(nl, line,
            ".options: DIFFERENCE is BACKWARD or CENTRAL, not '" + forms->args[0].text + "'");
    }
  }
  report_unused(nl, items, ".options");
}

}  // namespace

bool is_setting(const statement& st) {
  const std::string name = lower(st.tokens[0].text);
  return name == ".pss" || name == ".options";
}

void apply_setting(netlist& nl, const statement& st) {
  if (lower(st.tokens[0].text) == ".pss") {
    apply_pss(nl, st);
  } else {
    apply_options(nl, st);
  }
}

void check_settings(netlist& nl) {
  const analysis_plan& plan = nl.analysis;
  const bool oscillator = nl.osc_tank >= 0;
  if (plan.period == analysis_period::free && !oscillator) {
    error(nl, plan.line, ".pss: FREE needs an oscillator set up with .osc");
  }
  const bool free =
      plan.period == analysis_period::free || (plan.period == analysis_period::unset && oscillator);
  if (plan.has_dvdf && !free) {
    error(nl, plan.line, ".pss: DVDF goes with a free period (an .osc oscillator, not FIXED)");
  }
  if (oscillator && nl.forms == difference_forms::central) {
    warning(nl, nl.forms_line,
            ".options: central differences admit an alternating mode in an oscillator; "
            "DIFFERENCE=BACKWARD keeps the tank's energy");
  }
}

}  // namespace pss::netlist_compiler
