// The SVG plot: well-formed, one path per node, and each path's extent is
// the node's range on the axes the file labels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>

#include "tools/pss_wave/formats.h"
#include "svg_reading.h"
#include "wave_jobs.h"

namespace pss {
namespace {

using test::axis_scale;
using test::path;
using test::paths_of;
using test::scale;
using test::xml_fault;

// Checks that each selected node has its path, over `periods` periods, and
// that the path's top and bottom read back as the node's extremes.
void expect_paths_span_each_node(const waveforms& w, const selection& s, int periods) {
  const std::string svg = svg_text(w, s, periods);
  ASSERT_EQ(xml_fault(svg), "");
  const std::vector<path> paths = paths_of(svg);
  ASSERT_EQ(paths.size(), s.nodes.size());
  const scale time = axis_scale(svg, "xtick");
  const scale volts = axis_scale(svg, "ytick");
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const std::vector<double>& v = s.nodes[i]->values[s.slot];
    EXPECT_EQ(paths[i].name, s.nodes[i]->name);
    ASSERT_EQ(paths[i].points.size(), static_cast<std::size_t>(periods * w.planes + 1));
    EXPECT_NEAR(time.value(paths[i].points.back().first), periods * w.period[s.slot],
                1e-4 * w.period[s.slot]);
    const auto [top, bottom] =
        std::minmax_element(paths[i].points.begin(), paths[i].points.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; });
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    const double tolerance = 0.01 / std::fabs(volts.b);  // two decimals of a pixel
    EXPECT_NEAR(volts.value(top->second), *hi, tolerance) << s.nodes[i]->name;
    EXPECT_NEAR(volts.value(bottom->second), *lo, tolerance) << s.nodes[i]->name;
  }
}

TEST(pss_wave_svg, draws_each_node_over_its_range) {
  const test::job_run driven = test::driven_job(1e-3);
  const waveforms w = test::load_job(driven, "0.var");
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {"R3#tap", "gnd", "in"}, s, error)) << error;
  expect_paths_span_each_node(w, s, 1);
  expect_paths_span_each_node(w, s, 2);

  std::ofstream(driven.file(".names")) << "node 2 a<b&c\n";
  const waveforms odd = test::load_job(driven, "0.var");
  ASSERT_TRUE(select_nodes(odd, {"a<b&c"}, s, error)) << error;
  const std::string svg = svg_text(odd, s, 1);
  EXPECT_EQ(xml_fault(svg), "");
  EXPECT_NE(svg.find("<title>a&lt;b&amp;c</title>"), std::string::npos);

  const test::job_run oscillator = test::oscillator_job();
  const waveforms o = test::load_job(oscillator, "O0.var");
  ASSERT_TRUE(select_nodes(o, {"n2", "n3"}, s, error)) << error;
  s.slot = 1;
  expect_paths_span_each_node(o, s, 3);
}

}  // namespace
}  // namespace pss
