// A lower bound on the work of the profile factorisation (the sum of its
// squared widths) in any order of the equations, for a system of M circuit
// unknowns on N time planes whose pattern holds, in every plane, a ring of
// each unknown over the planes (a coupling to itself one plane away) and
// couplings between unknowns (at any plane offset) that connect them all.
//
// Order the equations any way and let S be the first s of them. The rows
// after S whose profile reaches into S are S's outer boundary, and the sum
// of the squared widths is at least a third of the sum over s of that
// boundary's size squared (each width counts the steps its row spans).
// Along a spanning tree of the couplings, shifting each unknown's planes by
// the offsets on its path makes N disjoint "planes" of M equations each,
// connected by the tree. A set of s ≤ n/2 of the n = M·N equations that
// cuts through r rings and q such planes has a boundary of at least
// max(r, q) equations, and counting what a set can fill without cutting
// gives a boundary of at least min(s/m, m/√2), m = min(M, N).
#pragma once

#include <cstdint>
#include <vector>

namespace pss {

// The rings and the connected sets of unknowns that the couplings found so
// far make.
struct plane_structure {
  int32_t planes = 0;
  std::vector<char> ring;        // per unknown
  std::vector<int32_t> parent;   // per unknown: its set, by union-find
  int32_t sets = 0;
};

plane_structure plane_structure_of(int32_t unknowns, int32_t planes);

// A coupling from unknown a to unknown b `offset` planes on (0 … N − 1),
// present in every plane.
void add_coupling(plane_structure& s, int32_t a, int32_t b, int32_t offset);

// Whether every unknown has its ring and the couplings connect all unknowns.
bool rings_in_connected_planes(const plane_structure& s);

// The bound for M unknowns on N planes, for a pattern that has the rings
// and connects the unknowns.
double least_profile_work(int32_t unknowns, int32_t planes);

}  // namespace pss
