#include "tools/pss_run/results.h"

#include <cmath>
#include <numbers>

#include "support/fatal.h"
#include "tools/pss_wave/harmonics.h"
#include "tools/pss_wave/selection.h"
#include "tools/pss_wave/text.h"
#include "tools/pss_wave/waveforms.h"

namespace pss {

namespace {

double degrees(const std::complex<double>& z) {
  return std::arg(z) * 180 / std::numbers::pi;
}

std::string leaf(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string frequency_text(double f) {
  std::string out;
  append_format(out, "%.9g Hz", f);
  return out;
}

std::string heading(const solution_result& s, const job_plan& plan) {
  std::string out;
  if (plan.free_period) {
    out = s.dvdf == 0 ? "natural oscillation" : "oscillation at dV/df " + answer_number(s.dvdf);
    out += ": " + frequency_text(1 / s.period);
    append_format(out, " (period %.9g s)", s.period);
  } else {
    out = (plan.scan ? s.label + ": " : std::string("periodic steady state at ")) +
          frequency_text(1 / s.period);
  }
  append_format(out, ", %d planes, %s\n", s.planes, leaf(s.state_file).c_str());
  return out;
}

// A DC level or a distortion that is rounding noise against the
// fundamental is shown as 0.
double shown_dc(double dc, const std::complex<double>& fundamental) {
  return std::fabs(dc) <= 1e-9 * std::abs(fundamental) ? 0.0 : dc;
}

double shown_thd(double thd) {
  return thd <= 1e-9 ? 0.0 : thd;
}

}  // namespace

std::vector<std::string> solution_files(const std::string& job, const job_plan& plan) {
  std::vector<std::string> files;
  if (plan.free_period) {
    for (int run = 0; run <= plan.dvdf.steps; ++run) {
      files.push_back(job + "O" + std::to_string(run) + ".var");
    }
  } else {
    for (int run = 0; run <= (plan.scan ? plan.frequency.steps : 0); ++run) {
      files.push_back(job + std::to_string(run) + ".var");
    }
  }
  return files;
}

solution_result read_solution(const std::string& job, const std::string& state_file,
                              const std::vector<std::string>& nodes, bool currents) {
  current_request request{currents, {}};
  for (const std::string& name : nodes) {
    const std::string element = current_element(name);
    if (!element.empty()) request.elements.push_back(element);
  }
  const waveforms w = load_waveforms(job, state_file, request);
  selection s;
  std::string error;
  if (!select_nodes(w, nodes, s, error, currents)) fatal("pss-run: %s\n", error.c_str());
  solution_result out{state_file, {}, 0, w.planes, w.period[0], {}};
  for (const wave_node* n : s.nodes) {
    const spectrum sp = sampled_spectrum(n->values[0]);
    const double dc = sp.terms.empty() ? 0.0 : sp.terms[0].amplitude;
    trace_result t{n->name, n->is_current, dc, {}, sp.has_fundamental, sp.thd,
                   alternation_of(n->values[0])};
    if (sp.terms.size() > 1) {
      t.fundamental = std::polar(sp.terms[1].amplitude, sp.terms[1].phase * std::numbers::pi / 180);
    }
    out.traces.push_back(t);
  }
  return out;
}

std::string solution_text(const solution_result& s, const job_plan& plan) {
  std::string out = heading(s, plan);
  append_format(out, "  %-16s %14s %14s %11s %11s\n", "", "DC", "fundamental", "phase/deg",
                "THD/%");
  for (const trace_result& t : s.traces) {
    const char* unit = t.is_current ? "A" : "V";
    append_format(out, "  %-16s %14s %14s", t.name.c_str(),
                  engineering(shown_dc(t.dc, t.fundamental), unit, 6).c_str(),
                  engineering(std::abs(t.fundamental), unit, 6).c_str());
    if (t.has_fundamental) {
      append_format(out, " %11.3f %11.4g\n", degrees(t.fundamental), 100 * shown_thd(t.thd));
    } else {
      append_format(out, " %11s %11s\n", "-", "-");
    }
  }
  for (const trace_result& t : s.traces) {
    if (!t.alternating.suspect()) continue;
    append_format(out,
                  "  warning: %s alternates between even and odd planes by %.3g %% of its AC "
                  "amplitude (DFT bin N/2): central-difference capacitors (CAP2) admit this "
                  "mode; take CAP1 or more planes\n",
                  t.name.c_str(), 100 * t.alternating.ratio);
  }
  return out;
}

std::string extrapolation_text(const solution_result& coarse, const solution_result& fine,
                               const job_plan& plan, int order) {
  std::string out;
  append_format(out, "extrapolated from %d and %d planes (%s), assuming errors that fall as 1/N",
                coarse.planes, fine.planes, leaf(fine.state_file).c_str());
  if (order > 1) append_format(out, "^%d", order);
  append_format(out, " (order %d)\n", order);
  if (plan.free_period) {
    const double t = richardson(coarse.period, fine.period, order);
    const double f = 1 / t;
    append_format(out, "  frequency %.9g Hz, error estimate %.2e Hz (%.2e of it)\n", f,
                  std::fabs(f - 1 / fine.period), std::fabs(f * fine.period - 1));
    append_format(out, "  period    %.9g s, error estimate %.2e s\n", t, std::fabs(t - fine.period));
    return out;
  }
  append_format(out, "  %-16s %14s %14s %11s %14s\n", "", "DC", "fundamental", "phase/deg",
                "error est.");
  for (std::size_t i = 0; i < coarse.traces.size() && i < fine.traces.size(); ++i) {
    const trace_result& c = coarse.traces[i];
    const trace_result& f = fine.traces[i];
    const char* unit = c.is_current ? "A" : "V";
    const double dc = richardson(c.dc, f.dc, order);
    const std::complex<double> a = richardson(c.fundamental, f.fundamental, order);
    append_format(out, "  %-16s %14s %14s %11.3f %14s\n", c.name.c_str(),
                  engineering(shown_dc(dc, a), unit, 6).c_str(),
                  engineering(std::abs(a), unit, 6).c_str(),
                  degrees(a), engineering(std::abs(a - f.fundamental), unit, 2).c_str());
  }
  return out;
}

}  // namespace pss
