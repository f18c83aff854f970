#include "tools/pss_wave/pss_wave.h"

#include <cstdio>
#include <ctime>

#include "support/fatal.h"
#include "support/files.h"
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/selection.h"
#include "tools/pss_wave/waveforms.h"

namespace pss {

namespace {

// The Date line of a raw file, in the form SPICE writes it.
std::string now_text() {
  const std::time_t now = std::time(nullptr);
  char buffer[64];
  std::strftime(buffer, sizeof buffer, "%a %b %e %H:%M:%S %Y", std::localtime(&now));
  return buffer;
}

selection selected(const waveforms& w, const wave_options& options) {
  selection s;
  std::string error;
  if (!select_nodes(w, options.nodes, s, error, options.currents)) {
    fatal("pss-wave: %s\n", error.c_str());
  }
  if (options.slot >= w.slots) {
    fatal("pss-wave: %s holds one solution slot; --slot %d needs a two-slot file\n",
          w.state_path.c_str(), options.slot);
  }
  s.slot = options.slot;
  return s;
}

current_request currents_asked(const wave_options& options) {
  current_request request{options.currents, {}};
  for (const std::string& name : options.nodes) {
    const std::string element = current_element(name);
    if (!element.empty()) request.elements.push_back(element);
  }
  return request;
}

std::string spectrum_chart(const waveforms& w, const selection& s, bool decibels) {
  const bool currents = !s.nodes.empty() && s.nodes[0]->is_current;
  for (const wave_node* n : s.nodes) {
    if (n->is_current != currents) {
      fatal("pss-wave: --spectrum draws voltages or currents, not both in one chart\n");
    }
  }
  return spectrum_svg_text(w, s, decibels);
}

}  // namespace

std::string wave_output(const wave_options& options, std::vector<std::string>* warnings) {
  const waveforms w = load_waveforms(options.job, options.state_path, currents_asked(options));
  const selection s = selected(w, options);
  if (warnings != nullptr) *warnings = alternation_warnings(w, s);
  switch (options.format) {
    case wave_format::table: return table_text(w, s);
    case wave_format::csv: return csv_text(w, s);
    case wave_format::raw: return raw_text(w, s, now_text());
    case wave_format::svg:
      return options.spectrum ? spectrum_chart(w, s, options.decibels)
                              : svg_text(w, s, options.periods);
    case wave_format::harmonics: return harmonics_text(w, s);
  }
  return {};
}

int run_pss_wave(const std::vector<std::string>& args) {
  wave_options options;
  std::string error;
  if (!parse_wave_options(args, options, error)) {
    std::fprintf(stderr, "pss-wave: %s\n(pss-wave --help shows the usage)\n", error.c_str());
    return 1;
  }
  if (options.help) {
    std::fputs(wave_usage, stdout);
    return 0;
  }
  std::vector<std::string> warnings;
  const std::string text = wave_output(options, &warnings);
  for (const std::string& line : warnings) std::fprintf(stderr, "pss-wave: %s\n", line.c_str());
  if (options.output.empty()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (!write_file_atomically(options.output, {text.begin(), text.end()}, error)) {
    std::fprintf(stderr, "pss-wave: cannot write %s: %s\n", options.output.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace pss
