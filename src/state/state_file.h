// Solution state files (".var"): the circuit's sizes, params and every dvar
// value, written as a walk of the circuit model's lists in list order.
//
//   i32 planes, i32 nodes_per_plane, i32 dvars_per_node
//   circuit params:     per param (i32 tag, f64 value)
//   global dvar groups: per group i32 id, then per dvar (i32 number, f64 value)
//   nodes, chain order: params as above, then dvar groups as above
//
// The file holds no counts: it can be read back only into a circuit of the
// same shape, which `read_state` checks before it changes anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/circuit.h"

namespace pss {

// The header: byte offsets of the three sizes, and where the params begin.
namespace state_header {
constexpr std::size_t planes = 0;
constexpr std::size_t nodes_per_plane = 4;
constexpr std::size_t dvars_per_node = 8;
constexpr std::size_t length = 12;
}  // namespace state_header

// The bytes a param or a dvar takes (i32 tag or number, f64 value), and a
// dvar group's id.
constexpr std::size_t state_pair_bytes = 12;
constexpr std::size_t state_group_bytes = 4;

// The length of a state file of `c`'s present shape: 12 bytes, plus 12 per
// param, 4 per dvar group and 12 per dvar, over the circuit and all nodes.
std::size_t state_file_length(const circuit* c);

// Writes the state of `c` to `path` through a temporary file renamed into
// place. A file that cannot be written stops the job with a message and
// status 1; an earlier file of that name is then left as it was.
void write_state(const circuit* c, const std::string& path);

// Reads the state in `path` into `c`: sizes, params, group ids and dvar
// values; global dvars also take their numbers from the file, node dvars
// keep theirs. A file whose length, sizes, param tags or group ids do not
// match the circuit stops the job with a message and status 1.
void read_state(circuit* c, const std::string& path);

// Reads only the plane count at the head of `path` into `c->planes`. A count
// below 1, or one the file's length cannot hold, stops the job.
void read_state_planes(circuit* c, const std::string& path);

}  // namespace pss
