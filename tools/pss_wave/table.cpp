// The plain table. Every line that is not a row of numbers starts with '#',
// so that the table also loads as it stands with numpy.loadtxt or gnuplot.
#include <algorithm>
#include <cstdio>

#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/text.h"

namespace pss {

namespace {

constexpr int number_width = 14;  // " -1.234567e+00"

// A column as wide as its name, but at least as wide as its numbers.
int column_width(const std::string& name) {
  return std::max(number_width, static_cast<int>(name.size()) + 1);
}

void append_padded(std::string& out, const std::string& text, int width) {
  out.append(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))), ' ');
  out += text;
}

void append_heading(std::string& out, const waveforms& w, const selection& s) {
  out += heading_lines(w, s);
  out += "# plane";
  append_padded(out, "time/s", number_width);
  for (const wave_node* n : s.nodes) append_padded(out, n->name, column_width(n->name));
  out += '\n';
}

}  // namespace

std::string table_text(const waveforms& w, const selection& s) {
  std::string out;
  append_heading(out, w, s);
  for (int plane = 0; plane < w.planes; ++plane) {
    append_format(out, "%7d", plane);
    append_format(out, "%*.6e", number_width, plane_time(w, s.slot, plane));
    for (const wave_node* n : s.nodes) {
      append_format(out, "%*.6e", column_width(n->name), n->values[s.slot][plane]);
    }
    out += '\n';
  }
  return out;
}

}  // namespace pss
