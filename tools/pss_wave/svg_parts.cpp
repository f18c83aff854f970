#include "tools/pss_wave/svg_parts.h"

#include <iterator>

#include "tools/pss_wave/text.h"

namespace pss {

namespace {

const char* const palette[] = {"#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd",
                               "#8c564b", "#e377c2", "#7f7f7f", "#bcbd22", "#17becf"};

}  // namespace

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

const char* trace_colour(std::size_t i) {
  return palette[i % std::size(palette)];
}

void append_svg_start(std::string& out, int width, int height, const std::string& title) {
  append_format(out,
                "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
                "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%d\" "
                "height=\"%d\" viewBox=\"0 0 %d %d\" font-family=\"sans-serif\" "
                "font-size=\"12\">\n",
                width, height, width, height);
  out += "<title>" + xml_escaped(title) + "</title>\n";
  append_format(out, "<rect x=\"0\" y=\"0\" width=\"%d\" height=\"%d\" fill=\"white\"/>\n", width,
                height);
}

void append_left_axis(std::string& out, const std::vector<double>& ticks,
                      const std::vector<std::string>& labels, const std::string& title) {
  using namespace svg_layout;
  out += "<g class=\"y-axis\">\n";
  for (std::size_t i = 0; i < labels.size(); ++i) {
    append_format(out, "<g class=\"ytick\" transform=\"translate(0,%.2f)\">", ticks[i]);
    append_format(out, "<line x1=\"%g\" y1=\"0\" x2=\"%g\" y2=\"0\" stroke=\"#dddddd\"/>", left,
                  right);
    append_format(out, "<line x1=\"%g\" y1=\"0\" x2=\"%g\" y2=\"0\" stroke=\"black\"/>", left - 5,
                  left);
    append_format(out, "<text x=\"%g\" y=\"0\" dy=\"0.32em\" text-anchor=\"end\">", left - 8);
    out += labels[i] + "</text></g>\n";
  }
  append_format(out,
                "<text transform=\"translate(%g,%g) rotate(-90)\" text-anchor=\"middle\">"
                "%s</text>\n",
                left - 62, (top + bottom) / 2, title.c_str());
  out += "</g>\n";
  append_format(out,
                "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" "
                "stroke=\"black\"/>\n",
                left, top, right - left, bottom - top);
}

}  // namespace pss
