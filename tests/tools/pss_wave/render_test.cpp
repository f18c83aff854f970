// The plots as a viewer draws them: each SVG rendered to PNG by rsvg-convert
// and read back pixel by pixel. The picture must have the size the file
// gives, and each trace must be drawn in its colour where the axis labels
// put its values: at every plane, and nowhere else in that column.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <regex>

#ifdef PSS_HAVE_PNG
#include <png.h>
#endif

#include "support/process.h"
#include "svg_reading.h"
#include "tools/pss_wave/formats.h"
#include "tools/pss_wave/harmonics.h"
#include "wave_jobs.h"

namespace pss {
namespace {

struct picture {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  const uint8_t* at(int x, int y) const {
    return &rgb[3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x))];
  }
};

struct colour {
  int r, g, b;
};

colour parse_colour(const std::string& hex) {
  const long v = std::strtol(hex.c_str() + 1, nullptr, 16);
  return {static_cast<int>(v >> 16), static_cast<int>((v >> 8) & 255), static_cast<int>(v & 255)};
}

double distance(const uint8_t* p, const colour& c) {
  return std::sqrt(std::pow(p[0] - c.r, 2) + std::pow(p[1] - c.g, 2) + std::pow(p[2] - c.b, 2));
}

// Renders `svg` and reads the PNG back; false (and the test skipped) when
// the renderer or libpng is missing.
bool render(const std::string& svg, picture& out) {
#if defined(PSS_HAVE_PNG) && defined(PSS_RSVG_CONVERT)
  test::temp_dir dir;
  std::ofstream(dir.file("plot.svg")) << svg;
  const auto r = test::run_process(PSS_RSVG_CONVERT, {"plot.svg", "-o", "plot.png"}, "", dir.path);
  EXPECT_EQ(r.status, 0) << r.err;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, dir.file("plot.png").c_str()) == 0) {
    ADD_FAILURE() << "unreadable PNG: " << image.message;
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr) == 0) {
    ADD_FAILURE() << "unreadable PNG: " << image.message;
    return false;
  }
  return true;
#else
  (void)svg;
  (void)out;
  return false;
#endif
}

int size_attribute(const std::string& svg, const char* name) {
  const std::smatch m = [&] {
    std::smatch found;
    std::regex_search(svg, found, std::regex(std::string("<svg [^>]*") + name + "=\"([0-9]+)\""));
    return found;
  }();
  return m.empty() ? -1 : std::stoi(m[1]);
}

// Renders `svg` and checks that the picture has the size the file gives.
bool rendered(const std::string& svg, picture& p) {
  if (!render(svg, p)) return false;
  EXPECT_EQ(p.width, size_attribute(svg, "width"));
  EXPECT_EQ(p.height, size_attribute(svg, "height"));
  return true;
}

// The trace colour nearest to `c` within `radius` pixels of (x, y).
double nearest(const picture& p, double x, double y, int radius, const colour& c) {
  double best = 1e9;
  for (int dy = -radius; dy <= radius; ++dy) {
    for (int dx = -radius; dx <= radius; ++dx) {
      const int px = static_cast<int>(std::lround(x)) + dx;
      const int py = static_cast<int>(std::lround(y)) + dy;
      if (px >= 0 && py >= 0 && px < p.width && py < p.height) {
        best = std::min(best, distance(p.at(px, py), c));
      }
    }
  }
  return best;
}

// Checks every trace of the selection in the rendered waveform plot.
void expect_traces_where_their_values_are(const waveforms& w, const selection& s) {
  const std::string svg = svg_text(w, s, 1);
  picture p;
  if (!rendered(svg, p)) GTEST_SKIP() << "needs rsvg-convert and libpng";
  const test::scale time = test::axis_scale(svg, "xtick");
  const test::scale left = test::axis_scale(svg, "ytick");
  const bool two_axes = svg.find("class=\"y2tick\"") != std::string::npos;
  const test::scale right = two_axes ? test::axis_scale(svg, "y2tick") : left;
  const std::regex stroke("<path stroke=\"(#[0-9a-f]{6})\"");
  std::vector<colour> colours;
  for (auto m = std::sregex_iterator(svg.begin(), svg.end(), stroke); m != std::sregex_iterator();
       ++m) {
    colours.push_back(parse_colour((*m)[1]));
  }
  ASSERT_EQ(colours.size(), s.nodes.size());
  for (std::size_t i = 0; i < s.nodes.size(); ++i) {
    const std::vector<double>& v = s.nodes[i]->values[s.slot];
    const test::scale& values = s.nodes[i]->is_current && two_axes ? right : left;
    for (int j = 1; j + 1 < w.planes; ++j) {
      const double x = time.pixel(plane_time(w, s.slot, j));
      const double y = values.pixel(v[static_cast<std::size_t>(j)]);
      EXPECT_LT(nearest(p, x, y, 2, colours[i]), 60) << s.nodes[i]->name << " plane " << j;
      // In this column the trace runs between its neighbours' heights.
      const double lo = std::min({y, values.pixel(v[j - 1]), values.pixel(v[j + 1])});
      const double hi = std::max({y, values.pixel(v[j - 1]), values.pixel(v[j + 1])});
      const int column = static_cast<int>(std::lround(x));
      for (int row = 0; row < p.height; ++row) {
        if (row >= lo - 4 && row <= hi + 4) continue;
        EXPECT_GT(distance(p.at(column, row), colours[i]), 30)
            << s.nodes[i]->name << " plane " << j << " drawn at row " << row;
      }
    }
  }
}

TEST(pss_wave_render, waveform_traces_lie_where_their_values_put_them) {
  const test::job_run driven = test::driven_job(1e-3);
  const waveforms w = test::load_job(driven, "0.var");
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {"in", "mid"}, s, error)) << error;
  expect_traces_where_their_values_are(w, s);

  const test::job_run rlc = test::netlist_job("V1 in 0 SIN(1)\nR1 in a 10\nL1 a b 1m\nC1 b 0 1u\n",
                                              "1e-12\nn\n5032.921210448704\ny\ny\n64\n");
  const waveforms c = test::load_job(rlc, "0.var", {false, {"L1"}});
  ASSERT_TRUE(select_nodes(c, {"b", "i(L1)"}, s, error)) << error;
  expect_traces_where_their_values_are(c, s);
}

// Each bar of the chart is filled in its trace's colour up to the height
// its amplitude gives on the labelled axis, and not above.
TEST(pss_wave_render, spectrum_bars_reach_their_amplitudes) {
  const test::job_run driven = test::driven_job(1e-3);
  const waveforms w = test::load_job(driven, "0.var");
  selection s;
  std::string error;
  ASSERT_TRUE(select_nodes(w, {"mid"}, s, error)) << error;
  for (bool decibels : {false, true}) {
    const std::string svg = spectrum_svg_text(w, s, decibels);
    picture p;
    if (!rendered(svg, p)) GTEST_SKIP() << "needs rsvg-convert and libpng";
    const test::scale levels = test::axis_scale(svg, "ytick");
    const test::scale harmonics = test::axis_scale(svg, "xtick");
    const colour fill = parse_colour("#1f77b4");
    const spectrum sp = sampled_spectrum(s.nodes[0]->values[0]);
    for (int k : {1, 3}) {
      const double a = sp.terms[static_cast<std::size_t>(k)].amplitude;
      const double top = levels.pixel(decibels ? 20 * std::log10(a) : a);
      const double x = harmonics.pixel(k);
      EXPECT_LT(distance(p.at(static_cast<int>(x), static_cast<int>(top) + 3), fill), 40)
          << "k=" << k << (decibels ? " dB" : "");
      EXPECT_GT(distance(p.at(static_cast<int>(x), static_cast<int>(top) - 3), fill), 100)
          << "k=" << k << (decibels ? " dB" : "");
    }
  }
}

}  // namespace
}  // namespace pss
