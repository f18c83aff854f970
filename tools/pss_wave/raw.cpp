// The SPICE ASCII raw file, the form in which SPICE simulators save and load
// vectors: a header of "Key: value" lines, the variables with their types,
// then per point its number and one value per variable. The scale variable
// (time) comes first; node voltages are v(NAME), branch currents i(NAME).
// The point at the end of the period repeats plane 0, so that a plot or a
// Fourier analysis of the file sees a whole period.
#include <cstdio>

#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/text.h"

namespace pss {

namespace {

void append_header(std::string& out, const waveforms& w, const selection& s,
                   const std::string& date) {
  out += "Title: pss-wave " + w.job + " " + w.state_path;
  if (w.slots > 1) append_format(out, " slot %d", s.slot);
  out += "\nDate: " + date + "\n";
  out += "Plotname: Periodic steady state\n";
  out += "Flags: real\n";
  append_format(out, "No. Variables: %zu\n", s.nodes.size() + 1);
  append_format(out, "No. Points: %d\n", w.planes + 1);
  out += "Variables:\n\t0\ttime\ttime\n";
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    append_format(out, "\t%zu\t", i + 1);
    const wave_node& n = *s.nodes[i];
    out += n.is_current ? n.name + "\tcurrent\n" : "v(" + n.name + ")\tvoltage\n";
  }
  out += "Values:\n";
}

}  // namespace

std::string raw_text(const waveforms& w, const selection& s, const std::string& date) {
  std::string out;
  append_header(out, w, s, date);
  for (int point = 0; point <= w.planes; ++point) {
    const double time = point == w.planes ? w.period[s.slot] : plane_time(w, s.slot, point);
    append_format(out, "%d\t%.16e\n", point, time);
    for (const wave_node* n : s.nodes) {
      append_format(out, "\t%.16e\n", n->values[s.slot][point % w.planes]);
    }
  }
  return out;
}

}  // namespace pss
