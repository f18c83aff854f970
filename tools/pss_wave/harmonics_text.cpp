// The harmonics report: per node a block of listed terms and its THD.
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/harmonics.h"
#include "tools/pss_wave/text.h"

namespace pss {

namespace {

void append_heading(std::string& out, const waveforms& w, const selection& s) {
  out += heading_lines(w, s);
  out += "# sampled DFT of the plane values: v(t) = A0 + sum of Ak sin(2 pi k f t + phase k)\n";
  out += "# listed: DC, the fundamental and each harmonic up to N/2 above 1e-9 of it\n";
}

void append_node(std::string& out, const waveforms& w, const wave_node& n, int slot) {
  const spectrum s = sampled_spectrum(n.values[slot]);
  out += (n.is_current ? "\ncurrent " : "\nnode ") + n.name + "\n";
  append_format(out, "      k    frequency/Hz     amplitude/%s   phase/deg\n", unit_of(n));
  for (const harmonic& h : s.terms) {
    if (!is_listed(s, h.k)) continue;
    append_format(out, "%7d %15.6e %15.6e %11.4f\n", h.k, h.k * frequency(w, slot), h.amplitude,
                  h.phase);
  }
  if (s.has_fundamental) {
    append_format(out, "    THD %.6e (%.6g %%)\n", s.thd, 100 * s.thd);
  } else {
    out += "    THD undefined: no fundamental\n";
  }
}

}  // namespace

std::vector<std::string> alternation_warnings(const waveforms& w, const selection& s) {
  std::vector<std::string> lines;
  for (const wave_node* n : s.nodes) {
    const alternation a = alternation_of(n->values[s.slot]);
    if (!a.suspect()) continue;
    std::string line;
    append_format(line,
                  "warning: %s alternates between even and odd planes by %.3g %% of its AC "
                  "amplitude (DFT bin N/2 of %d planes); central-difference capacitors (CAP2) "
                  "admit this mode: take CAP1 or more planes",
                  n->name.c_str(), 100 * a.ratio, w.planes);
    lines.push_back(line);
  }
  return lines;
}

std::string harmonics_text(const waveforms& w, const selection& s) {
  std::string out;
  append_heading(out, w, s);
  for (const wave_node* n : s.nodes) append_node(out, w, *n, s.slot);
  return out;
}

}  // namespace pss
