// What the waveform plot and the spectrum chart share: the document's
// opening, text escaping and the colour of each trace.
#pragma once

#include <cstddef>
#include <string>

namespace pss {

// Text with &, <, > and " written as entities.
std::string xml_escaped(const std::string& text);

// The colour of trace i: ten well-separated colours, then again.
const char* trace_colour(std::size_t i);

// The XML declaration, the <svg> element of the size given with its
// <title>, and a white background.
void append_svg_start(std::string& out, int width, int height, const std::string& title);

}  // namespace pss
