#include "sparse/profile_bound.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace pss {

namespace {

// The root of v's set, halving the path on the way.
int32_t root_of(std::vector<int32_t>& parent, int32_t v) {
  while (parent[static_cast<std::size_t>(v)] != v) {
    int32_t& up = parent[static_cast<std::size_t>(v)];
    up = parent[static_cast<std::size_t>(up)];
    v = up;
  }
  return v;
}

}  // namespace

plane_structure plane_structure_of(int32_t unknowns, int32_t planes) {
  plane_structure s;
  s.planes = planes;
  s.ring.assign(static_cast<std::size_t>(unknowns), 0);
  s.parent.resize(static_cast<std::size_t>(unknowns));
  for (int32_t j = 0; j < unknowns; ++j) s.parent[static_cast<std::size_t>(j)] = j;
  s.sets = unknowns;
  return s;
}

void add_coupling(plane_structure& s, int32_t a, int32_t b, int32_t offset) {
  if (a == b && (offset == 1 || offset == s.planes - 1)) s.ring[static_cast<std::size_t>(a)] = 1;
  if (a == b) return;
  const int32_t ra = root_of(s.parent, a);
  const int32_t rb = root_of(s.parent, b);
  if (ra == rb) return;
  s.parent[static_cast<std::size_t>(ra)] = rb;
  --s.sets;
}

bool rings_in_connected_planes(const plane_structure& s) {
  return s.sets == 1 && s.planes >= 2 &&
         std::all_of(s.ring.begin(), s.ring.end(), [](char r) { return r != 0; });
}

double least_profile_work(int32_t unknowns, int32_t planes) {
  const double m = std::min(unknowns, planes);
  const double half = std::floor(0.5 * static_cast<double>(unknowns) * planes);
  // min(s/m, m/√2)² is s²/m² up to s = m²/√2 and m²/2 beyond.
  const double knee = std::min(half, std::floor(m * m / std::numbers::sqrt2));
  const double rising = knee * (knee + 1.0) * (2.0 * knee + 1.0) / (6.0 * m * m);
  const double level = (half - knee) * m * m / 2.0;
  return (rising + level) / 3.0;
}

}  // namespace pss
