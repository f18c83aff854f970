// The waveforms as an SVG 1.1 image: a framed plot with a grid, time and
// voltage ticks labelled with units, one path per node drawn through its
// plane values, and a legend. Branch currents take an axis of their own in
// amperes, on the right beside voltages or on the left alone. Plain
// elements only, no scripts or styles, so that browsers and drawing
// programs all show it alike.
#include <algorithm>
#include <cmath>

#include "tools/pss_wave/axis.h"
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/svg_parts.h"
#include "tools/pss_wave/text.h"

namespace pss {

namespace {

using namespace svg_layout;

// A second value axis on the right moves the legend over to make room for
// its labels.
constexpr double legend_x_beside_axis = 690;

struct plot {
  axis time;
  axis values;  // the left axis: voltages, or currents when there are no voltages
  axis amps;    // the right axis, for currents beside voltages
  bool left_in_amperes;
  bool two_axes;

  double x(double t) const { return left + (t - time.lo) / (time.hi - time.lo) * (right - left); }
  double y_on(const axis& a, double v) const {
    return bottom - (v - a.lo) / (a.hi - a.lo) * (bottom - top);
  }
  double y(const wave_node& n, double v) const {
    return y_on(n.is_current && two_axes ? amps : values, v);
  }
};

// An axis over the range of the traces of one kind in the slot.
axis value_axis(const waveforms& w, const selection& s, bool currents) {
  double lo = INFINITY, hi = -INFINITY;
  for (const wave_node* n : s.nodes) {
    if (n->is_current != currents) continue;
    for (double v : n->values[s.slot]) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (lo > hi || w.planes == 0) lo = hi = 0;
  return make_axis(lo, hi, 8, true);
}

plot make_plot(const waveforms& w, const selection& s, int periods) {
  bool volts = false, amps = false;
  for (const wave_node* n : s.nodes) (n->is_current ? amps : volts) = true;
  plot p{};
  p.left_in_amperes = amps && !volts;
  p.two_axes = amps && volts;
  p.time = make_axis(0, periods * w.period[s.slot], 8, false);
  p.values = value_axis(w, s, p.left_in_amperes);
  if (p.two_axes) p.amps = value_axis(w, s, true);
  return p;
}

void append_frame(std::string& out, const waveforms& w, const selection& s, int height) {
  append_svg_start(out, width, height, "pss-wave " + w.job + " " + w.state_path);
  std::string heading = xml_escaped(w.job + " " + w.state_path) + ": period " +
                        engineering(w.period[s.slot], "s") + ", " +
                        engineering(frequency(w, s.slot), "Hz");
  if (w.slots > 1) heading += ", slot " + std::to_string(s.slot);
  append_format(out, "<text x=\"%g\" y=\"24\" text-anchor=\"middle\" font-size=\"14\">",
                (left + right) / 2);
  out += heading + "</text>\n";
}

void append_time_axis(std::string& out, const plot& p) {
  const std::vector<std::string> labels = tick_labels(p.time, "s");
  out += "<g class=\"x-axis\">\n";
  for (std::size_t i = 0; i < labels.size(); ++i) {
    append_format(out, "<g class=\"xtick\" transform=\"translate(%.2f,0)\">", p.x(p.time.ticks[i]));
    append_format(out, "<line x1=\"0\" y1=\"%g\" x2=\"0\" y2=\"%g\" stroke=\"#dddddd\"/>", top,
                  bottom);
    append_format(out, "<line x1=\"0\" y1=\"%g\" x2=\"0\" y2=\"%g\" stroke=\"black\"/>", bottom,
                  bottom + 5);
    append_format(out, "<text x=\"0\" y=\"%g\" text-anchor=\"middle\">", bottom + 19);
    out += labels[i] + "</text></g>\n";
  }
  append_format(out, "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">time</text>\n",
                (left + right) / 2, bottom + 42);
  out += "</g>\n";
}

void append_value_axis(std::string& out, const plot& p) {
  std::vector<double> ticks;
  for (double t : p.values.ticks) ticks.push_back(p.y_on(p.values, t));
  append_left_axis(out, ticks, tick_labels(p.values, p.left_in_amperes ? "A" : "V"),
                   p.left_in_amperes ? "current" : "voltage");
}

// The currents' axis on the right, beside voltages: ticks and labels only,
// the voltage grid already lines the plot.
void append_current_axis(std::string& out, const plot& p) {
  const std::vector<std::string> labels = tick_labels(p.amps, "A");
  out += "<g class=\"y2-axis\">\n";
  for (std::size_t i = 0; i < labels.size(); ++i) {
    append_format(out, "<g class=\"y2tick\" transform=\"translate(0,%.2f)\">",
                  p.y_on(p.amps, p.amps.ticks[i]));
    append_format(out, "<line x1=\"%g\" y1=\"0\" x2=\"%g\" y2=\"0\" stroke=\"black\"/>", right,
                  right + 5);
    append_format(out, "<text x=\"%g\" y=\"0\" dy=\"0.32em\" text-anchor=\"start\">", right + 8);
    out += labels[i] + "</text></g>\n";
  }
  append_format(out,
                "<text transform=\"translate(%g,%g) rotate(90)\" text-anchor=\"middle\">"
                "current</text>\n",
                right + 62, (top + bottom) / 2);
  out += "</g>\n";
}

// The path runs through every plane of every period drawn and closes at the
// end of the last period with plane 0's value, the solution being periodic.
void append_waves(std::string& out, const waveforms& w, const selection& s, const plot& p,
                  int periods) {
  out += "<g class=\"waves\" fill=\"none\" stroke-width=\"1.5\" stroke-linejoin=\"round\">\n";
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    const wave_node& n = *s.nodes[i];
    const std::vector<double>& v = n.values[s.slot];
    append_format(out, "<path stroke=\"%s\" d=\"", trace_colour(i));
    for (int point = 0; point <= periods * w.planes; ++point) {
      const double t = point * w.period[s.slot] / w.planes;
      append_format(out, "%s%.2f,%.2f", point == 0 ? "M" : " L", p.x(t),
                    p.y(n, v[static_cast<std::size_t>(point % w.planes)]));
    }
    out += "\"><title>" + xml_escaped(n.name) + "</title></path>\n";
  }
  out += "</g>\n";
}

void append_legend(std::string& out, const selection& s, double x) {
  out += "<g class=\"legend\">\n";
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    const double y = top + 10 + static_cast<double>(i) * legend_row;
    append_format(out,
                  "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"%s\" "
                  "stroke-width=\"2\"/>",
                  x, y, x + 24, y, trace_colour(i));
    append_format(out, "<text x=\"%g\" y=\"%g\" dy=\"0.32em\">", x + 30, y);
    out += xml_escaped(s.nodes[i]->name) + "</text>\n";
  }
  out += "</g>\n";
}

}  // namespace

std::string svg_text(const waveforms& w, const selection& s, int periods) {
  const plot p = make_plot(w, s, periods);
  const double legend_end = top + 10 + static_cast<double>(s.nodes.size()) * legend_row;
  const int height = std::max(least_height, static_cast<int>(std::ceil(legend_end)));
  std::string out;
  append_frame(out, w, s, height);
  append_time_axis(out, p);
  append_value_axis(out, p);
  if (p.two_axes) append_current_axis(out, p);
  if (w.planes > 0) append_waves(out, w, s, p, periods);
  append_legend(out, s, p.two_axes ? legend_x_beside_axis : legend_x);
  out += "</svg>\n";
  return out;
}

}  // namespace pss
