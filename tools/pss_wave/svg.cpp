// The waveforms as an SVG 1.1 image: a framed plot with a grid, time and
// voltage ticks labelled with units, one path per node drawn through its
// plane values, and a legend. Plain elements only, no scripts or styles, so
// that browsers and drawing programs all show it alike.
#include <algorithm>
#include <cmath>

#include "tools/pss_wave/axis.h"
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/text.h"

namespace pss {

namespace {

// Plot area and legend, in pixels.
constexpr double left = 80, right = 620, top = 40, bottom = 420;
constexpr double legend_x = 640, legend_row = 20;
constexpr int width = 800, least_height = 480;

const char* const palette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                               "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

std::string xml_escaped(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += ch;
    }
  }
  return out;
}

struct plot {
  axis time;
  axis volts;

  double x(double t) const { return left + (t - time.lo) / (time.hi - time.lo) * (right - left); }
  double y(double v) const {
    return bottom - (v - volts.lo) / (volts.hi - volts.lo) * (bottom - top);
  }
};

plot make_plot(const waveforms& w, const selection& s, int periods) {
  double lo = INFINITY, hi = -INFINITY;
  for (const wave_node* n : s.nodes) {
    for (double v : n->values[s.slot]) {
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
  }
  if (s.nodes.empty() || w.planes == 0) lo = hi = 0;
  return {make_axis(0, periods * w.period[s.slot], 8, false), make_axis(lo, hi, 8, true)};
}

void append_frame(std::string& out, const waveforms& w, const selection& s, int height) {
  append_format(out,
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%d\" "
                "height=\"%d\" viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" "
                "font-size=\"12\">\n",
                width, height, width, height);
  const std::string what = xml_escaped(w.job + " " + w.state_path);
  out += "<title>pss-wave " + what + "</title>\n";
  append_format(out, "<rect x=\"0\" y=\"0\" width=\"%d\" height=\"%d\" fill=\"white\"/>\n", width,
                height);
  std::string heading = what + ": period " + engineering(w.period[s.slot], "s") + ", " +
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

// Each tick is a group translated to its value's height, so that a reader
// of the file finds the scale as (label, translation) pairs.
void append_voltage_axis(std::string& out, const plot& p) {
  const std::vector<std::string> labels = tick_labels(p.volts, "V");
  out += "<g class=\"y-axis\">\n";
  for (std::size_t i = 0; i < labels.size(); ++i) {
    append_format(out, "<g class=\"ytick\" transform=\"translate(0,%.2f)\">",
                  p.y(p.volts.ticks[i]));
    append_format(out, "<line x1=\"%g\" y1=\"0\" x2=\"%g\" y2=\"0\" stroke=\"#dddddd\"/>", left,
                  right);
    append_format(out, "<line x1=\"%g\" y1=\"0\" x2=\"%g\" y2=\"0\" stroke=\"black\"/>", left - 5,
                  left);
    append_format(out, "<text x=\"%g\" y=\"0\" dy=\"0.32em\" text-anchor=\"end\">", left - 8);
    out += labels[i] + "</text></g>\n";
  }
  append_format(out,
                "<text transform=\"translate(%g,%g) rotate(-90)\" text-anchor=\"middle\">"
                "voltage</text>\n",
                left - 62, (top + bottom) / 2);
  out += "</g>\n";
  append_format(out,
                "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" "
                "stroke=\"black\"/>\n",
                left, top, right - left, bottom - top);
}

// The path runs through every plane of every period drawn and closes at the
// end of the last period with plane 0's value, the solution being periodic.
void append_waves(std::string& out, const waveforms& w, const selection& s, const plot& p,
                  int periods) {
  out += "<g class=\"waves\" fill=\"none\" stroke-width=\"1.5\" stroke-linejoin=\"round\">\n";
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    const std::vector<double>& v = s.nodes[i]->values[s.slot];
    append_format(out, "<path stroke=\"%s\" d=\"", palette[i % std::size(palette)]);
    for (int point = 0; point <= periods * w.planes; ++point) {
      const double t = point * w.period[s.slot] / w.planes;
      append_format(out, "%s%.2f,%.2f", point == 0 ? "M" : " L", p.x(t),
                    p.y(v[static_cast<std::size_t>(point % w.planes)]));
    }
    out += "\"><title>" + xml_escaped(s.nodes[i]->name) + "</title></path>\n";
  }
  out += "</g>\n";
}

void append_legend(std::string& out, const selection& s) {
  out += "<g class=\"legend\">\n";
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    const double y = top + 10 + static_cast<double>(i) * legend_row;
    append_format(out,
                  "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke=\"%s\" "
                  "stroke-width=\"2\"/>",
                  legend_x, y, legend_x + 24, y, palette[i % std::size(palette)]);
    append_format(out, "<text x=\"%g\" y=\"%g\" dy=\"0.32em\">", legend_x + 30, y);
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
  append_voltage_axis(out, p);
  if (w.planes > 0) append_waves(out, w, s, p, periods);
  append_legend(out, s);
  out += "</svg>\n";
  return out;
}

}  // namespace pss
