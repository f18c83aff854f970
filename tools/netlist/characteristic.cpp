// Voltage-dependent characteristics of resistors and capacitors:
//   POLY(c0 c1 c2 ...)      c0 + c1 x + c2 x^2 + ...
//   EXP(k0 c0 a1 a2 ...)    k0 exp(c0 + a1 x + a2 x^2 + ...)
// with LIMITS(lo [hi]) outside which the solver continues the
// characteristic as a straight line. Without LIMITS the lower limit is 0.
#include "model/codes.h"
#include "tools/netlist/compiler.h"

namespace pss::netlist_compiler {

namespace {

// Term ids double as attribute ids; keeping them below the ids the element
// models look up (70 and above) keeps a long polynomial from being taken
// for a resistance or a leakage.
constexpr std::size_t most_terms = 50;

bool append_limits(netlist& nl, const nl_element& e, std::vector<item>& items,
                   std::vector<net_value>& attributes) {
  const item* limits = take(items, item_kind::group, "LIMITS");
  if (limits == nullptr) return true;
  std::vector<double> v;
  if (!group_values(nl, *limits, e.name, 1, 2, v)) return false;
  if (v.size() == 2 && v[1] < v[0]) {
    error(nl, limits->first.line, e.name + ": LIMITS(lo hi) needs lo <= hi");
    return false;
  }
  // An upper limit counts only right after a lower one.
  attributes.push_back({attr::poly_lower_limit, v[0]});
  if (v.size() == 2) attributes.push_back({attr::poly_upper_limit, v[1]});
  return true;
}

}  // namespace

bool append_characteristic(netlist& nl, const nl_element& e, std::vector<item>& items,
                           const item& coefficients, std::size_t least, int32_t start,
                           std::vector<net_value>& attributes) {
  attributes.push_back({start, 0.0});  // marks where the characteristic begins
  if (!append_limits(nl, e, items, attributes)) return false;
  std::vector<double> c;
  if (!group_values(nl, coefficients, e.name, least, least + most_terms, c)) return false;
  // The models take a term's power from its place after the leading values
  // and the multiplier of its slope from its id, so the ids run 1, 2, 3...
  for (std::size_t i = 0; i < c.size(); ++i) {
    const auto id = static_cast<int32_t>(i < least ? 0 : i + 1 - least);
    attributes.push_back({id, c[i]});
  }
  return true;
}

}  // namespace pss::netlist_compiler
