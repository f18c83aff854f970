// Reading an SVG plot back as a person reads it: the scale of an axis from
// its tick labels, and the points of each drawn path.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pss::test {

// A small XML checker: every element closed in order, one root, attribute
// values quoted, and '&' only in the predefined or numeric entities. "" when
// the text passes.
std::string xml_fault(const std::string& xml);

// "-500 mV" as -0.5; a bare number ("-40") as it is.
double label_value(const std::string& label);

// The axis as the file labels it: pixel = a + b * value, from its ticks.
struct scale {
  double a, b;
  double value(double pixel) const { return (pixel - a) / b; }
  double pixel(double value) const { return a + b * value; }
};

// The scale of the ticks of class `axis` ("xtick", "ytick", "y2tick"),
// read from their translations and labels.
scale axis_scale(const std::string& svg, const std::string& axis);

struct path {
  std::string name;
  std::vector<std::pair<double, double>> points;
};

// Every <path> with its <title>, its points in order.
std::vector<path> paths_of(const std::string& svg);

}  // namespace pss::test
