// Numbers as SPICE writes them: a decimal number, then optionally a scale
// suffix (f p n u m k meg g t, in any case) and unit letters that are
// ignored, so `4.7k`, `1kohm`, `10uF` and `2.2nH` all read. As in SPICE,
// `m` is milli and `meg` mega, and a lone `F` is femto, not farad.
#include <cctype>
#include <charconv>
#include <cmath>
#include <string>

#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

std::size_t digits_from(const std::string& text, std::size_t i) {
  while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

// The decimal exponent of a scale suffix, or 0 for plain unit letters.
int scale_exponent(const std::string& suffix) {
  if (suffix.rfind("meg", 0) == 0) return 6;
  switch (suffix.empty() ? '\0' : suffix[0]) {
    case 'f': return -15;
    case 'p': return -12;
    case 'n': return -9;
    case 'u': return -6;
    case 'm': return -3;
    case 'k': return 3;
    case 'g': return 9;
    case 't': return 12;
    default: return 0;
  }
}

}  // namespace

bool parse_number(const std::string& text, double& out) {
  std::size_t i = text.empty() || (text[0] != '+' && text[0] != '-') ? 0 : 1;
  const std::size_t integer_end = digits_from(text, i);
  std::size_t end = integer_end;
  if (end < text.size() && text[end] == '.') end = digits_from(text, end + 1);
  if (end - i - (end > integer_end ? 1 : 0) == 0) return false;  // no digit at all
  const std::size_t mantissa_end = end;
  long exponent = 0;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    std::size_t e = end + 1;
    const bool negative = e < text.size() && text[e] == '-';
    if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
    const std::size_t e_end = digits_from(text, e);
    // Without digits the `e` is taken as a unit letter, as SPICE does.
    if (e_end > e) {
      if (e_end - e > 4) return false;
      exponent = std::stol(text.substr(e, e_end - e));
      if (negative) exponent = -exponent;
      end = e_end;
    }
  }
  std::string suffix;
  for (std::size_t k = end; k < text.size(); ++k) {
    if (!std::isalpha(static_cast<unsigned char>(text[k]))) return false;
    suffix += static_cast<char>(std::tolower(static_cast<unsigned char>(text[k])));
  }
  // Scaling by a power of ten in the exponent keeps `4.7n` the double
  // nearest 4.7e-9, which a multiplication would miss by a rounding.
  const std::string decimal =
      text.substr(0, mantissa_end) + "e" + std::to_string(exponent + scale_exponent(suffix));
  const char* first = decimal.data() + (decimal[0] == '+' ? 1 : 0);
  const auto r = std::from_chars(first, decimal.data() + decimal.size(), out);
  return r.ec == std::errc() && std::isfinite(out);
}

bool value_of(netlist& nl, const token& t, const std::string& what, double& out) {
  if (parse_number(t.text, out)) return true;
  error(nl, t.line, what + ": malformed value '" + t.text + "'");
  return false;
}

}  // namespace pss::netlist_compiler

namespace pss {

bool parse_value(const std::string& text, double& out) {
  return netlist_compiler::parse_number(text, out);
}

}  // namespace pss
