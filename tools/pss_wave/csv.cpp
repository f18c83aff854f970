// CSV as spreadsheets and numpy read it: one header row, commas, no comment
// lines, and every value with 17 significant digits so that it reads back
// to the very double the state file holds.
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/text.h"

namespace pss {

namespace {

// A field that holds a comma, a quote or a line break is quoted, with its
// quotes doubled.
std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char ch : text) {
    if (ch == '"') quoted += '"';
    quoted += ch;
  }
  return quoted + '"';
}

// Slot 0's columns carry the plain names, slot k's the suffix @k.
std::string column_name(const std::string& name, int slot) {
  return slot == 0 ? name : name + "@" + std::to_string(slot);
}

void append_number(std::string& out, double value) {
  append_format(out, "%.17g", value);
}

}  // namespace

std::string csv_text(const waveforms& w, const selection& s) {
  std::string out;
  for (int slot = 0; slot < w.slots; ++slot) {
    if (slot > 0) out += ',';
    out += csv_field(column_name("time", slot));
    for (const wave_node* n : s.nodes) out += ',' + csv_field(column_name(n->name, slot));
  }
  out += '\n';
  for (int plane = 0; plane < w.planes; ++plane) {
    for (int slot = 0; slot < w.slots; ++slot) {
      if (slot > 0) out += ',';
      append_number(out, plane_time(w, slot, plane));
      for (const wave_node* n : s.nodes) {
        out += ',';
        append_number(out, n->values[slot][plane]);
      }
    }
    out += '\n';
  }
  return out;
}

}  // namespace pss
