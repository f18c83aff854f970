#include "svg_reading.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>

namespace pss::test {

std::string xml_fault(const std::string& xml) {
  std::vector<std::string> open;
  int roots = 0;
  std::size_t at = 0;
  const std::regex entity("&(amp|lt|gt|quot|apos|#[0-9]+|#x[0-9a-fA-F]+);");
  while (at < xml.size()) {
    const std::size_t tag = xml.find('<', at);
    const std::string text = xml.substr(at, tag == std::string::npos ? tag : tag - at);
    for (std::size_t amp = text.find('&'); amp != std::string::npos;
         amp = text.find('&', amp + 1)) {
      if (!std::regex_search(text.substr(amp), entity, std::regex_constants::match_continuous)) {
        return "bare & in " + text;
      }
    }
    if (tag == std::string::npos) break;
    if (xml.compare(tag, 2, "<?") == 0 || xml.compare(tag, 4, "<!--") == 0) {
      const std::size_t end = xml.find(xml[tag + 1] == '?' ? "?>" : "-->", tag);
      if (end == std::string::npos) return "unclosed declaration";
      at = end + 2;
      continue;
    }
    std::size_t end = tag + 1;
    for (char quote = 0; end < xml.size() && (quote != 0 || xml[end] != '>'); ++end) {
      if (xml[end] == '<' && quote == 0) return "< inside a tag";
      if (xml[end] == '"' || xml[end] == '\'')
        quote = quote == 0 ? xml[end] : (quote == xml[end] ? 0 : quote);
    }
    if (end == xml.size()) return "unclosed tag";
    const std::string body = xml.substr(tag + 1, end - tag - 1);
    const std::string name =
        body.substr(body[0] == '/', body.find_first_of(" \t\n/", 1) - (body[0] == '/'));
    if (body[0] == '/') {
      if (open.empty() || open.back() != name) return "</" + name + "> closes nothing open";
      open.pop_back();
    } else if (body.back() != '/') {
      if (open.empty()) ++roots;
      open.push_back(name);
    } else if (open.empty()) {
      ++roots;
    }
    at = end + 1;
  }
  if (!open.empty()) return "<" + open.back() + "> is not closed";
  return roots == 1 ? "" : "not one root element";
}

double label_value(const std::string& label) {
  char* rest = nullptr;
  double value = std::strtod(label.c_str(), &rest);
  if (*rest == '\0') return value;
  const std::string unit(rest + 1);
  const std::vector<std::pair<std::string, double>> prefixes = {
      {"f", 1e-15}, {"p", 1e-12}, {"n", 1e-9}, {"µ", 1e-6}, {"m", 1e-3}, {"k", 1e3}, {"M", 1e6}};
  for (const auto& [prefix, scale] : prefixes) {
    if (unit.size() > 1 && unit.rfind(prefix, 0) == 0) value *= scale;
  }
  return value;
}

scale axis_scale(const std::string& svg, const std::string& axis) {
  const std::regex tick("<g class=\"" + axis +
                        "\" transform=\"translate\\(([-0-9.]+),([-0-9.]+)\\)\">" +
                        ".*?<text[^>]*>([^<]+)</text>");
  std::vector<std::pair<double, double>> ticks;  // (value, pixel)
  for (auto m = std::sregex_iterator(svg.begin(), svg.end(), tick); m != std::sregex_iterator();
       ++m) {
    const double pixel = std::stod((*m)[axis == "xtick" ? 1 : 2]);
    ticks.push_back({label_value((*m)[3]), pixel});
  }
  EXPECT_GE(ticks.size(), 3u) << axis;
  if (ticks.size() < 2) return {0, 1};
  const auto [v0, p0] = ticks.front();
  const auto [v1, p1] = ticks.back();
  const double b = (p1 - p0) / (v1 - v0);
  return {p0 - b * v0, b};
}

std::vector<path> paths_of(const std::string& svg) {
  const std::regex element("<path [^>]*d=\"([^\"]*)\"><title>([^<]*)</title></path>");
  const std::regex point("([-0-9.]+),([-0-9.]+)");
  std::vector<path> paths;
  for (auto m = std::sregex_iterator(svg.begin(), svg.end(), element); m != std::sregex_iterator();
       ++m) {
    path p{(*m)[2], {}};
    const std::string d = (*m)[1];
    for (auto q = std::sregex_iterator(d.begin(), d.end(), point); q != std::sregex_iterator();
         ++q) {
      p.points.push_back({std::stod((*q)[1]), std::stod((*q)[2])});
    }
    paths.push_back(p);
  }
  return paths;
}

}  // namespace pss::test
