#include "model/net_file.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

#include "support/bytes.h"

namespace pss {

namespace {

// Smallest number of bytes each kind of record takes in a file; a count
// whose records could not fit in the rest of the file is refused before
// anything is reserved for it.
constexpr int64_t min_circuit_bytes = 24;
constexpr int64_t min_pair_bytes = 12;  // (i32, f64)
constexpr int64_t min_group_bytes = 20;
constexpr int64_t min_node_bytes = 32;
constexpr int64_t min_neighbour_bytes = 8;
constexpr int64_t min_conection_bytes = 20;
constexpr int64_t min_nodelist_bytes = 8;
constexpr int64_t position_bytes = 4;

struct parse_failure {
  std::string message;
};

std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string format(const char* fmt, ...) {
  char text[512];
  va_list args;
  va_start(args, fmt);
  std::vsnprintf(text, sizeof text, fmt, args);
  va_end(args);
  return text;
}

[[noreturn]] void refuse(std::string message) {
  throw parse_failure{std::move(message)};
}

struct cursor {
  const std::vector<uint8_t>& bytes;
  std::size_t pos = 0;

  int64_t left() const { return static_cast<int64_t>(bytes.size() - pos); }

  void need(std::size_t size, const char* field) const {
    if (bytes.size() - pos < size) {
      refuse(format("file ends at byte %zu inside %s", bytes.size(), field));
    }
  }
  int32_t i32(const char* field) {
    need(4, field);
    const int32_t v = load_i32(&bytes[pos]);
    pos += 4;
    return v;
  }
  double f64(const char* field) {
    need(8, field);
    const double v = load_f64(&bytes[pos]);
    pos += 8;
    return v;
  }
  uint8_t u8(const char* field) {
    need(1, field);
    return bytes[pos++];
  }

  // A count of records of at least `record_bytes` each.
  int32_t count(const char* field, int64_t record_bytes) {
    const std::size_t at = pos;
    const int32_t n = i32(field);
    if (n < 0) refuse(format("negative %s %d at byte %zu", field, n, at));
    if (n * record_bytes > left()) {
      refuse(format("%s %d at byte %zu is more than the rest of the file can hold", field, n, at));
    }
    return n;
  }
};

// Positions and links of one circuit record are checked against its size.
struct circuit_scope {
  int32_t node_total;
};

int32_t position(cursor& in, const circuit_scope& scope, const char* field, bool may_be_none) {
  const std::size_t at = in.pos;
  const int32_t p = in.i32(field);
  if (may_be_none && p == -1) return p;
  if (p < 0 || p >= scope.node_total) {
    refuse(format("%s %d at byte %zu is out of range (0 to %d%s)", field, p, at,
                  scope.node_total - 1, may_be_none ? ", or -1" : ""));
  }
  return p;
}

std::vector<net_value> pairs(cursor& in, const char* count_field, const char* field) {
  const int32_t n = in.count(count_field, min_pair_bytes);
  std::vector<net_value> values(static_cast<std::size_t>(n));
  for (net_value& v : values) {
    v.tag = in.i32(field);
    v.value = in.f64(field);
  }
  return values;
}

net_group group(cursor& in) {
  net_group g;
  g.id = in.i32("dvar group id");
  const int32_t number = in.i32("dvar number");
  const double value = in.f64("dvar value");
  const int32_t extra = in.count("extra dvar count", min_pair_bytes);
  g.dvars.reserve(static_cast<std::size_t>(extra) + 1);
  g.dvars.push_back({number, value});
  for (int32_t i = 0; i < extra; ++i) {
    const int32_t n = in.i32("dvar number");
    g.dvars.push_back({n, in.f64("dvar value")});
  }
  return g;
}

std::vector<net_group> groups(cursor& in, const char* count_field) {
  const int32_t n = in.count(count_field, min_group_bytes);
  std::vector<net_group> list;
  list.reserve(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) list.push_back(group(in));
  return list;
}

net_conection conection_record(cursor& in, const circuit_scope& scope) {
  net_conection con;
  con.id = in.i32("conection id");
  const int32_t name_len = in.count("conection name length", 1);
  con.name.assign(reinterpret_cast<const char*>(&in.bytes[in.pos]),
                  static_cast<std::size_t>(name_len));
  in.pos += static_cast<std::size_t>(name_len);
  con.type = in.i32("conection type");
  con.attributes = pairs(in, "attribute count", "attribute");
  const int32_t n = in.count("conection node count", position_bytes);
  con.nodes.reserve(static_cast<std::size_t>(n));
  for (int32_t i = 0; i < n; ++i) {
    con.nodes.push_back(position(in, scope, "conection node position", false));
  }
  return con;
}

int unknown_count(const std::vector<net_group>& list) {
  int unknowns = 0;
  for (const net_group& g : list) {
    for (const net_value& d : g.dvars) unknowns += d.tag >= 0 ? 1 : 0;
  }
  return unknowns;
}

bool has_param_zero(const std::vector<net_value>& params) {
  for (const net_value& p : params) {
    if (p.tag == 0) return true;
  }
  return false;
}

// What the chain check needs to point at the right bytes.
struct node_offsets {
  std::size_t start;
  std::size_t next_link;
};

// Reads node record `p` into `n`, which already stands at its place in the
// circuit's node list, so that `groups_of` may point at its groups.
void node_record(cursor& in, const circuit_scope& scope, const net_circuit& c, int32_t p,
                 net_node& n, std::vector<const std::vector<net_group>*>& groups_of,
                 node_offsets& offsets) {
  offsets.start = in.pos;
  n.index = in.i32("node index");
  if (n.index < 0 || n.index >= scope.node_total) {
    refuse(format("node index %d at byte %zu is out of range (0 to %d)", n.index, offsets.start,
                  scope.node_total - 1));
  }
  const std::size_t params_at = in.pos;
  n.params = pairs(in, "node param count", "node param");
  if (!has_param_zero(n.params)) {
    refuse(
        format("node at byte %zu has no param 0 (params at byte %zu)", offsets.start, params_at));
  }
  const std::size_t twin_at = in.pos;
  n.twin = position(in, scope, "twin position", true);
  if (n.twin == -1) {
    n.groups = groups(in, "dvar group count");
    groups_of[static_cast<std::size_t>(p)] = &n.groups;
  } else {
    if (n.twin >= p) {
      refuse(format("twin position %d at byte %zu does not stand before the node (position %d)",
                    n.twin, twin_at, p));
    }
    // The plane expansion and the numbering meet a twin before the node.
    const int32_t twin_index = c.nodes[static_cast<std::size_t>(n.twin)].index;
    if (twin_index >= n.index) {
      refuse(
          format("twin position %d at byte %zu names node index %d, not below the node's "
                 "index %d",
                 n.twin, twin_at, twin_index, n.index));
    }
    const std::vector<net_group>* shared = groups_of[static_cast<std::size_t>(n.twin)];
    if (shared->empty()) {
      refuse(
          format("twin position %d at byte %zu names a node without dvar groups", n.twin, twin_at));
    }
    groups_of[static_cast<std::size_t>(p)] = shared;
  }
  const int unknowns = unknown_count(*groups_of[static_cast<std::size_t>(p)]);
  if (unknowns > c.dvars_per_node) {
    refuse(format("node at byte %zu has %d unknown dvars, more than dvars_per_node %d",
                  offsets.start, unknowns, c.dvars_per_node));
  }
  const int32_t neighbours = in.count("neighbour count", min_neighbour_bytes);
  n.neighbours.reserve(static_cast<std::size_t>(neighbours));
  for (int32_t i = 0; i < neighbours; ++i) {
    net_neighbour nb;
    nb.node = position(in, scope, "neighbour position", false);
    const int32_t cons = in.count("conection count", min_conection_bytes);
    nb.conections.reserve(static_cast<std::size_t>(cons));
    for (int32_t j = 0; j < cons; ++j) nb.conections.push_back(conection_record(in, scope));
    n.neighbours.push_back(std::move(nb));
  }
  offsets.next_link = in.pos;
  n.next = position(in, scope, "next link", true);
  n.prev = position(in, scope, "prev link", true);
  n.next_plane = position(in, scope, "next_plane link", true);
  n.prev_plane = position(in, scope, "prev_plane link", true);
}

// The chain from the first node record through `next` must visit every
// node once, in ascending index order.
void check_chain(const net_circuit& c, const std::vector<node_offsets>& offsets) {
  const auto total = static_cast<int32_t>(c.nodes.size());
  int32_t p = 0;
  int32_t visited = 1;
  while (c.nodes[static_cast<std::size_t>(p)].next != -1) {
    const int32_t q = c.nodes[static_cast<std::size_t>(p)].next;
    const std::size_t at = offsets[static_cast<std::size_t>(p)].next_link;
    if (c.nodes[static_cast<std::size_t>(q)].index <= c.nodes[static_cast<std::size_t>(p)].index) {
      refuse(
          format("next link at byte %zu leads from node index %d to node index %d: the "
                 "node chain must ascend",
                 at, c.nodes[static_cast<std::size_t>(p)].index,
                 c.nodes[static_cast<std::size_t>(q)].index));
    }
    p = q;
    ++visited;
  }
  if (visited != total) {
    refuse(format("node chain ends at the next link at byte %zu after %d of %d nodes",
                  offsets[static_cast<std::size_t>(p)].next_link, visited, total));
  }
}

net_circuit circuit_record(cursor& in) {
  net_circuit c;
  const std::size_t start = in.pos;
  c.planes = in.i32("planes");
  c.nodes_per_plane = in.i32("nodes_per_plane");
  c.dvars_per_node = in.i32("dvars_per_node");
  if (c.planes < 1 || c.nodes_per_plane < 1) {
    refuse(
        format("circuit at byte %zu has planes %d and nodes_per_plane %d; both must be 1 or "
               "more",
               start, c.planes, c.nodes_per_plane));
  }
  if (c.dvars_per_node < 1 || c.dvars_per_node > 2) {
    refuse(format("dvars_per_node %d at byte %zu must be 1 or 2", c.dvars_per_node, start + 8));
  }
  c.params = pairs(in, "circuit param count", "circuit param");
  const std::size_t globals_at = in.pos;
  c.globals = groups(in, "global dvar count");
  bool has_period = false;
  for (const net_group& g : c.globals) has_period = has_period || g.id == 20;
  if (!has_period) refuse(format("no global dvar group 20 in the list at byte %zu", globals_at));

  // Divided, not multiplied: planes times nodes_per_plane may be near 2^62.
  const int64_t total = int64_t{c.planes} * c.nodes_per_plane;
  if (total > in.left() / min_node_bytes || total > INT32_MAX) {
    refuse(
        format("circuit at byte %zu: %d planes of %d nodes are more than the rest of the "
               "file can hold",
               start, c.planes, c.nodes_per_plane));
  }
  const circuit_scope scope{static_cast<int32_t>(total)};
  std::vector<const std::vector<net_group>*> groups_of(static_cast<std::size_t>(total));
  std::vector<node_offsets> offsets(static_cast<std::size_t>(total));
  // Sized once, so that the group lists `groups_of` points at stay put.
  c.nodes.resize(static_cast<std::size_t>(total));
  for (int32_t p = 0; p < scope.node_total; ++p) {
    const auto at = static_cast<std::size_t>(p);
    node_record(in, scope, c, p, c.nodes[at], groups_of, offsets[at]);
  }
  check_chain(c, offsets);

  const int32_t lists = in.count("nodelist count", min_nodelist_bytes);
  c.nodelists.reserve(static_cast<std::size_t>(lists));
  for (int32_t i = 0; i < lists; ++i) {
    net_nodelist list;
    list.conection_id = in.i32("nodelist conection id");
    const std::size_t at = in.pos;
    const int32_t n = in.count("nodelist node count", position_bytes);
    if (n < 2) refuse(format("nodelist node count %d at byte %zu is below 2", n, at));
    list.nodes.reserve(static_cast<std::size_t>(n));
    for (int32_t j = 0; j < n; ++j) list.nodes.push_back(in.i32("nodelist node index"));
    c.nodelists.push_back(std::move(list));
  }
  return c;
}

}  // namespace

bool parse_network(const std::vector<uint8_t>& bytes, net_file& out, std::string& error) {
  cursor in{bytes};
  try {
    const int32_t count = in.count("circuit count", min_circuit_bytes);
    if (count < 1) refuse(format("circuit count %d at byte 0 is below 1", count));
    out.ignored_byte = in.u8("the byte after the circuit count");
    out.circuits.clear();
    out.circuits.reserve(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i) out.circuits.push_back(circuit_record(in));
    out.trailing.assign(bytes.begin() + static_cast<std::ptrdiff_t>(in.pos), bytes.end());
  } catch (const parse_failure& failure) {
    error = "error, read_network: " + failure.message;
    return false;
  }
  return true;
}

namespace {

void write_pairs(byte_writer& out, const std::vector<net_value>& values) {
  out.i32(static_cast<int32_t>(values.size()));
  for (const net_value& v : values) {
    out.i32(v.tag);
    out.f64(v.value);
  }
}

void write_group(byte_writer& out, const net_group& g) {
  out.i32(g.id);
  out.i32(g.dvars.front().tag);
  out.f64(g.dvars.front().value);
  out.i32(static_cast<int32_t>(g.dvars.size() - 1));
  for (std::size_t i = 1; i < g.dvars.size(); ++i) {
    out.i32(g.dvars[i].tag);
    out.f64(g.dvars[i].value);
  }
}

void write_groups(byte_writer& out, const std::vector<net_group>& list) {
  out.i32(static_cast<int32_t>(list.size()));
  for (const net_group& g : list) write_group(out, g);
}

void write_positions(byte_writer& out, const std::vector<int32_t>& list) {
  out.i32(static_cast<int32_t>(list.size()));
  for (int32_t p : list) out.i32(p);
}

void write_node(byte_writer& out, const net_node& n) {
  out.i32(n.index);
  write_pairs(out, n.params);
  out.i32(n.twin);
  if (n.twin == -1) write_groups(out, n.groups);
  out.i32(static_cast<int32_t>(n.neighbours.size()));
  for (const net_neighbour& nb : n.neighbours) {
    out.i32(nb.node);
    out.i32(static_cast<int32_t>(nb.conections.size()));
    for (const net_conection& con : nb.conections) {
      out.i32(con.id);
      out.i32(static_cast<int32_t>(con.name.size()));
      out.raw(con.name);
      out.i32(con.type);
      write_pairs(out, con.attributes);
      write_positions(out, con.nodes);
    }
  }
  out.i32(n.next);
  out.i32(n.prev);
  out.i32(n.next_plane);
  out.i32(n.prev_plane);
}

}  // namespace

void append_conection(net_node& n, int32_t other, net_conection con) {
  for (net_neighbour& nb : n.neighbours) {
    if (nb.node == other) {
      nb.conections.push_back(std::move(con));
      return;
    }
  }
  n.neighbours.push_back({other, {}});
  n.neighbours.back().conections.push_back(std::move(con));
}

std::vector<uint8_t> write_network(const net_file& file) {
  byte_writer out;
  out.i32(static_cast<int32_t>(file.circuits.size()));
  out.u8(file.ignored_byte);
  for (const net_circuit& c : file.circuits) {
    out.i32(c.planes);
    out.i32(c.nodes_per_plane);
    out.i32(c.dvars_per_node);
    write_pairs(out, c.params);
    write_groups(out, c.globals);
    for (const net_node& n : c.nodes) write_node(out, n);
    out.i32(static_cast<int32_t>(c.nodelists.size()));
    for (const net_nodelist& list : c.nodelists) {
      out.i32(list.conection_id);
      write_positions(out, list.nodes);
    }
  }
  out.raw(file.trailing);
  return std::move(out.bytes);
}

}  // namespace pss
