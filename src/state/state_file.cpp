#include "state/state_file.h"

#include <cstdio>
#include <memory>

#include "support/bytes.h"
#include "support/fatal.h"
#include "support/files.h"

namespace pss {

namespace {

// Writes the state a chunk at a time from one buffer, so that a large
// state needs no buffer of its own length (tens of megabytes on the largest
// circuits, each page of it faulted in and cleared).
struct state_writer {
  static constexpr std::size_t capacity = std::size_t{1} << 16;
  std::FILE* stream = nullptr;
  bool ok = true;
  std::size_t used = 0;
  // Left uncleared: a small state touches only the pages it fills.
  std::unique_ptr<uint8_t[]> buffer = std::make_unique_for_overwrite<uint8_t[]>(capacity);

  void flush() {
    ok = ok && std::fwrite(buffer.get(), 1, used, stream) == used;
    used = 0;
  }
  void pair(int32_t tag, double value) {
    if (used + state_pair_bytes > capacity) flush();
    byte_filler out{buffer.get() + used};
    out.i32(tag);
    out.f64(value);
    used += state_pair_bytes;
  }
  void i32(int32_t value) {
    if (used + sizeof value > capacity) flush();
    byte_filler{buffer.get() + used}.i32(value);
    used += sizeof value;
  }
};

void write_params(state_writer& out, const tagged_value* params) {
  for (const tagged_value* p = params; p != nullptr; p = p->next) out.pair(p->tag, p->value);
}

void write_groups(state_writer& out, const dvar_group* groups) {
  for (const dvar_group* g = groups; g != nullptr; g = g->next) {
    out.i32(g->id);
    for (const dvar* d = g->dvars; d != nullptr; d = d->next) out.pair(d->number, d->value);
  }
}

bool write_state_to(const circuit* c, state_writer& out) {
  out.i32(c->planes);
  out.i32(c->nodes_per_plane);
  out.i32(c->dvars_per_node);
  write_params(out, c->params);
  write_groups(out, c->global_dvars);
  for (const node* n = c->nodes; n != nullptr; n = n->next) {
    write_params(out, n->params);
    write_groups(out, n->dvar_groups);
  }
  out.flush();
  return out.ok;
}

std::size_t params_length(const tagged_value* params) {
  std::size_t length = 0;
  for (const tagged_value* p = params; p != nullptr; p = p->next) length += state_pair_bytes;
  return length;
}

std::size_t groups_length(const dvar_group* groups) {
  std::size_t length = 0;
  for (const dvar_group* g = groups; g != nullptr; g = g->next) {
    length += state_group_bytes;
    for (const dvar* d = g->dvars; d != nullptr; d = d->next) length += state_pair_bytes;
  }
  return length;
}

// Walks the file and the circuit in step. In the checking pass nothing is
// changed; the applying pass runs only after the check has passed.
struct state_reader {
  const std::vector<uint8_t>& bytes;
  const std::string& path;
  bool apply;
  std::size_t pos = state_header::length;

  int32_t i32() {
    const int32_t v = load_i32(&bytes[pos]);
    pos += 4;
    return v;
  }
  double f64() {
    const double v = load_f64(&bytes[pos]);
    pos += 8;
    return v;
  }

  void params(tagged_value* list, const char* owner) {
    for (tagged_value* p = list; p != nullptr; p = p->next) {
      const std::size_t at = pos;
      const int32_t tag = i32();
      const double value = f64();
      if (tag != p->tag) {
        fatal(
            "error, read_state: %s does not fit the circuit: %s param %d at byte %zu, the "
            "circuit has param %d there\n",
            path.c_str(), owner, tag, at, p->tag);
      }
      if (apply) p->value = value;
    }
  }

  void groups(dvar_group* list, const char* owner, bool take_numbers) {
    for (dvar_group* g = list; g != nullptr; g = g->next) {
      const std::size_t at = pos;
      const int32_t id = i32();
      if (id != g->id) {
        fatal(
            "error, read_state: %s does not fit the circuit: %s dvar group %d at byte %zu, "
            "the circuit has group %d there\n",
            path.c_str(), owner, id, at, g->id);
      }
      for (dvar* d = g->dvars; d != nullptr; d = d->next) {
        const int32_t number = i32();
        const double value = f64();
        if (!apply) continue;
        if (take_numbers) d->number = number;
        d->value = value;
      }
    }
  }

  void walk(circuit* c) {
    pos = state_header::length;
    params(c->params, "circuit");
    groups(c->global_dvars, "global", true);
    for (node* n = c->nodes; n != nullptr; n = n->next) {
      params(n->params, "node");
      groups(n->dvar_groups, "node", false);
    }
  }
};

bool load(const std::string& path, std::vector<uint8_t>& bytes, const char* reader) {
  if (read_file(path, bytes)) return true;
  fatal("error, %s: %s cannot be read\n", reader, path.c_str());
}

}  // namespace

std::size_t state_file_length(const circuit* c) {
  std::size_t length =
      state_header::length + params_length(c->params) + groups_length(c->global_dvars);
  for (const node* n = c->nodes; n != nullptr; n = n->next) {
    length += params_length(n->params) + groups_length(n->dvar_groups);
  }
  return length;
}

void write_state(const circuit* c, const std::string& path) {
  std::string error;
  // The buffer is had before the temporary file is made: a job that runs
  // out of memory here leaves no temporary file behind.
  state_writer out;
  const auto write = [c, &out](std::FILE* stream) {
    out.stream = stream;
    return write_state_to(c, out);
  };
  if (!write_file_atomically(path, write, error)) {
    fatal("error, write_state: cannot write %s: %s\n", path.c_str(), error.c_str());
  }
}

void read_state(circuit* c, const std::string& path) {
  std::vector<uint8_t> bytes;
  load(path, bytes, "read_state");
  const std::size_t expected = state_file_length(c);
  if (bytes.size() != expected) {
    fatal("error, read_state: %s holds %zu bytes, a state of this circuit takes %zu\n",
          path.c_str(), bytes.size(), expected);
  }
  const int32_t planes = load_i32(&bytes[state_header::planes]);
  const int32_t nodes_per_plane = load_i32(&bytes[state_header::nodes_per_plane]);
  const int32_t dvars_per_node = load_i32(&bytes[state_header::dvars_per_node]);
  if (planes != c->planes || nodes_per_plane != c->nodes_per_plane ||
      dvars_per_node != c->dvars_per_node) {
    fatal(
        "error, read_state: %s is a state of %d planes, %d nodes per plane and %d dvars per "
        "node; the circuit has %d, %d and %d\n",
        path.c_str(), planes, nodes_per_plane, dvars_per_node, c->planes, c->nodes_per_plane,
        c->dvars_per_node);
  }
  state_reader check{bytes, path, false};
  check.walk(c);
  state_reader apply{bytes, path, true};
  apply.walk(c);
}

void read_state_planes(circuit* c, const std::string& path) {
  std::vector<uint8_t> bytes;
  load(path, bytes, "read_state_planes");
  if (bytes.size() < state_header::length) {
    fatal("error, read_state_planes: %s holds %zu bytes, too short for a state file\n",
          path.c_str(), bytes.size());
  }
  const int32_t planes = load_i32(&bytes[state_header::planes]);
  if (planes < 1) {
    fatal("error, read_state_planes: %s holds %d time planes; at least 1 is needed\n", path.c_str(),
          planes);
  }
  // Every node of every plane takes at least its param 0 (12 bytes).
  const int64_t least = state_header::length + int64_t{planes} * c->nodes_per_plane *
                                                   static_cast<int64_t>(state_pair_bytes);
  if (least > static_cast<int64_t>(bytes.size())) {
    fatal("error, read_state_planes: %s holds %zu bytes, too few for %d time planes\n",
          path.c_str(), bytes.size(), planes);
  }
  c->planes = planes;
}

}  // namespace pss
