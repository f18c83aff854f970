// The harmonics as an SVG bar chart: per harmonic k a group of bars, one per
// trace, each as high as the term's amplitude, on a linear scale or in dB
// (20 log10 of the amplitude over 1 V, or 1 A). The DC term is drawn by its
// size. The same frame, colours and legend as the waveform plot.
#include <algorithm>
#include <cmath>

#include "tools/pss_wave/axis.h"
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/harmonics.h"
#include "tools/pss_wave/svg_parts.h"
#include "tools/pss_wave/text.h"

namespace pss {

namespace {

using namespace svg_layout;

// Harmonics drawn at most; more would leave bars under a pixel wide.
constexpr int most_harmonics = 100;
// The dB scale reaches this far below its top.
constexpr double decibel_range = 200;

struct chart {
  int harmonics;  // k = 0 .. harmonics are drawn
  bool cut;       // more were listed than are drawn
  axis values;    // amplitudes, or dB
  bool decibels;

  double group_width() const { return (right - left) / (harmonics + 1); }
  double x(int k) const { return left + (k + 0.5) * group_width(); }
  double y(double v) const { return bottom - (v - values.lo) / (values.hi - values.lo) * (bottom - top); }
  double level(double amplitude) const {
    if (!decibels) return amplitude;
    return amplitude > 0 ? std::max(20 * std::log10(amplitude), values.lo) : values.lo;
  }
};

// Harmonics drawn at least (as far as the planes reach), so that a clean
// sine shows the harmonics it lacks.
constexpr int least_harmonics = 10;

chart make_chart(const std::vector<spectrum>& spectra, bool decibels) {
  int highest = 1;
  for (const spectrum& s : spectra) {
    highest = std::max(highest, std::min(least_harmonics, static_cast<int>(s.terms.size()) - 1));
  }
  double largest = 0, smallest = INFINITY;
  for (const spectrum& s : spectra) {
    for (const harmonic& h : s.terms) {
      if (!is_listed(s, h.k)) continue;
      highest = std::max(highest, h.k);
      largest = std::max(largest, std::fabs(h.amplitude));
    }
  }
  // The dB floor: the smallest term that is not rounding noise (a DC term
  // is listed however small).
  for (const spectrum& s : spectra) {
    for (const harmonic& h : s.terms) {
      const double a = std::fabs(h.amplitude);
      if (is_listed(s, h.k) && a > 1e-9 * largest) smallest = std::min(smallest, a);
    }
  }
  chart c{std::min(highest, most_harmonics), highest > most_harmonics, {}, decibels};
  if (!decibels) {
    c.values = make_axis(0, largest, 8, true);
    return c;
  }
  const double hi = largest > 0 ? 20 * std::ceil(std::log10(largest)) : 0;
  const double lo = smallest < INFINITY ? std::max(20 * std::log10(smallest), hi - decibel_range)
                                        : hi - 20;
  c.values = make_axis(lo, hi, 8, true);
  return c;
}

void append_harmonic_axis(std::string& out, const chart& c) {
  const int step = std::max(1, (c.harmonics + 1 + 15) / 16);
  out += "<g class=\"x-axis\">\n";
  for (int k = 0; k <= c.harmonics; k += step) {
    append_format(out, "<g class=\"xtick\" transform=\"translate(%.2f,0)\">", c.x(k));
    append_format(out, "<line x1=\"0\" y1=\"%g\" x2=\"0\" y2=\"%g\" stroke=\"black\"/>", bottom,
                  bottom + 5);
    append_format(out, "<text x=\"0\" y=\"%g\" text-anchor=\"middle\">%d</text></g>\n",
                  bottom + 19, k);
  }
  append_format(out, "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">harmonic</text>\n",
                (left + right) / 2, bottom + 42);
  out += "</g>\n";
}

void append_level_axis(std::string& out, const chart& c, const char* unit) {
  std::vector<std::string> labels = tick_labels(c.values, unit);
  if (c.decibels) {
    labels.clear();
    for (double t : c.values.ticks) {
      std::string label;
      append_format(label, "%g", t);
      labels.push_back(label);
    }
  }
  std::vector<double> ticks;
  for (double t : c.values.ticks) ticks.push_back(c.y(t));
  append_left_axis(out, ticks, labels,
                   c.decibels ? std::string("amplitude/dB") + unit : "amplitude");
}

// A bar from the axis's floor up to the term's level, with a tooltip that
// gives the value.
void append_bars(std::string& out, const chart& c, const selection& s,
                 const std::vector<spectrum>& spectra) {
  const double bar = 0.8 * c.group_width() / static_cast<double>(std::max<std::size_t>(1, spectra.size()));
  out += "<g class=\"bars\">\n";
  for (std::size_t i = 0; i < spectra.size(); ++i) {
    const wave_node& n = *s.nodes[i];
    for (const harmonic& h : spectra[i].terms) {
      if (h.k > c.harmonics || !is_listed(spectra[i], h.k)) continue;
      const double a = std::fabs(h.amplitude);
      const double y = c.y(c.level(a));
      const double x = c.x(h.k) - 0.4 * c.group_width() + static_cast<double>(i) * bar;
      append_format(out,
                    "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"%s\">", x,
                    y, bar, bottom - y, trace_colour(i));
      out += "<title>" + xml_escaped(n.name) + " k=" + std::to_string(h.k) + ": " +
             engineering(a, unit_of(n)) + "</title></rect>\n";
    }
  }
  out += "</g>\n";
}

void append_legend(std::string& out, const selection& s) {
  out += "<g class=\"legend\">\n";
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    const double y = top + 10 + static_cast<double>(i) * legend_row;
    append_format(out, "<rect x=\"%g\" y=\"%g\" width=\"24\" height=\"10\" fill=\"%s\"/>",
                  legend_x, y - 5, trace_colour(i));
    append_format(out, "<text x=\"%g\" y=\"%g\" dy=\"0.32em\">", legend_x + 30, y);
    out += xml_escaped(s.nodes[i]->name) + "</text>\n";
  }
  out += "</g>\n";
}

}  // namespace

std::string spectrum_svg_text(const waveforms& w, const selection& s, bool decibels) {
  std::vector<spectrum> spectra;
  for (const wave_node* n : s.nodes) spectra.push_back(sampled_spectrum(n->values[s.slot]));
  const chart c = make_chart(spectra, decibels);
  const char* unit = !s.nodes.empty() && s.nodes[0]->is_current ? "A" : "V";
  const double legend_end = top + 10 + static_cast<double>(s.nodes.size()) * legend_row;
  const int height = std::max(least_height, static_cast<int>(std::ceil(legend_end)));
  std::string out;
  append_svg_start(out, width, height, "pss-wave " + w.job + " " + w.state_path + " harmonics");
  std::string heading = xml_escaped(w.job + " " + w.state_path) + ": harmonics of " +
                        engineering(frequency(w, s.slot), "Hz");
  if (c.cut) heading += ", harmonics 0 to " + std::to_string(c.harmonics) + " drawn";
  if (w.slots > 1) heading += ", slot " + std::to_string(s.slot);
  append_format(out, "<text x=\"%g\" y=\"24\" text-anchor=\"middle\" font-size=\"14\">",
                (left + right) / 2);
  out += heading + "</text>\n";
  append_harmonic_axis(out, c);
  append_level_axis(out, c, unit);
  append_bars(out, c, s, spectra);
  append_legend(out, s);
  out += "</svg>\n";
  return out;
}

}  // namespace pss
