#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/text.h"

namespace pss {

std::string heading_lines(const waveforms& w, const selection& s) {
  std::string out = "# job " + w.job + ", state file " + w.state_path + "\n";
  append_format(out, "# %d planes, slot %d of %d\n", w.planes, s.slot, w.slots);
  append_format(out, "# period %.6e s\n", w.period[s.slot]);
  append_format(out, "# frequency %.6e Hz\n", frequency(w, s.slot));
  return out;
}

}  // namespace pss
