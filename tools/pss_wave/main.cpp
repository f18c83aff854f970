// pss-wave: the waveforms of a saved solution as a table, CSV, a SPICE raw
// file, an SVG plot or a harmonic analysis. See docs/pss-wave.md.
#include <string>
#include <vector>

#include "support/fatal.h"
#include "tools/pss_wave/pss_wave.h"

int main(int argc, char** argv) {
  pss::install_out_of_memory_handler();
  // Standard output carries the product; messages must not mix into it.
  pss::set_fatal_stream(stderr);
  return pss::run_pss_wave(std::vector<std::string>(argv + 1, argv + argc));
}
