// What the waveform plot and the spectrum chart share: the layout, the
// document's opening, text escaping, the colour of each trace and the
// labelled value axis on the left.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pss {

// The plot area and the legend, in pixels, of an image 800 wide and at
// least 480 high.
namespace svg_layout {
constexpr double left = 80, right = 620, top = 40, bottom = 420;
constexpr double legend_x = 640, legend_row = 20;
constexpr int width = 800, least_height = 480;
}  // namespace svg_layout

// Text with &, <, > and " written as entities.
std::string xml_escaped(const std::string& text);

// The colour of trace i: ten well-separated colours, then again.
const char* trace_colour(std::size_t i);

// The XML declaration, the <svg> element of the size given with its
// <title>, and a white background.
void append_svg_start(std::string& out, int width, int height, const std::string& title);

// The value axis on the left with its grid lines across the plot, and the
// frame around the plot. Each tick is a group translated to its height
// (`ticks[i]`, pixels) with its label, so that a reader of the file finds
// the scale as (label, translation) pairs.
void append_left_axis(std::string& out, const std::vector<double>& ticks,
                      const std::vector<std::string>& labels, const std::string& title);

}  // namespace pss
