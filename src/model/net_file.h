// The binary network file, field by field.
//
// `parse_network` checks a file completely (sizes, counts, positions, the
// node chain, twins, required params and groups) and yields its fields as
// plain values; `write_network` writes such fields back byte for byte. The
// circuit model is built from the parsed fields (read_network.h); the text
// form of pss-net converts between these fields and text.
//
// Node references are positions in the circuit's node block (record order
// in the file), except in nodelists, which name node indices.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pss {

// A (tag, value) pair: a param, an attribute, or a dvar's (number, value).
struct net_value {
  int32_t tag;
  double value;
};

struct net_group {
  int32_t id;
  std::vector<net_value> dvars;  // the group record's pair first, then the extra ones
};

struct net_conection {
  int32_t id;
  std::string name;
  int32_t type;
  std::vector<net_value> attributes;
  std::vector<int32_t> nodes;  // positions
};

struct net_neighbour {
  int32_t node;  // position
  std::vector<net_conection> conections;
};

struct net_node {
  int32_t index;
  std::vector<net_value> params;
  int32_t twin;  // position, or -1; a twin node has no groups of its own
  std::vector<net_group> groups;
  std::vector<net_neighbour> neighbours;
  int32_t next, prev, next_plane, prev_plane;  // positions, or -1
};

struct net_nodelist {
  int32_t conection_id;
  std::vector<int32_t> nodes;  // node indices
};

struct net_circuit {
  int32_t planes;
  int32_t nodes_per_plane;
  int32_t dvars_per_node;
  std::vector<net_value> params;
  std::vector<net_group> globals;
  std::vector<net_node> nodes;
  std::vector<net_nodelist> nodelists;
};

struct net_file {
  uint8_t ignored_byte = 0;           // read and not used by the solver
  std::vector<net_circuit> circuits;  // the last one is the job's circuit
  std::string trailing;               // bytes after the last circuit record, kept as they are
};

// Parses and checks a whole network file. On failure returns false and sets
// `error` to one line, "error, read_network: ..." naming what is wrong and
// the byte offset where it stands (no trailing newline).
bool parse_network(const std::vector<uint8_t>& bytes, net_file& out, std::string& error);

// Adds an element record to node `n`, in its neighbour entry for the node at
// position `other`, which is appended when `n` has none yet: neighbours
// stand in the order elements first join the two nodes.
void append_conection(net_node& n, int32_t other, net_conection con);

// The file's bytes; the circuit count is the number of circuit records.
std::vector<uint8_t> write_network(const net_file& file);

}  // namespace pss
