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

}  // namespace pss
