#include "tools/pss_net/net_text.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <vector>

#include "elements/element_kinds.h"
#include "model/codes.h"

namespace pss {

namespace {

// ---------------------------------------------------------------- writing

// Shortest text that reads back to the same double; a NaN, whose payload
// the usual forms lose, is written as its bits.
std::string double_text(double v) {
  if (std::isnan(v)) {
    char bits[32];
    std::snprintf(bits, sizeof bits, "bits:%016llx",
                  static_cast<unsigned long long>(std::bit_cast<uint64_t>(v)));
    return bits;
  }
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, v);
  return std::string(text, result.ptr);
}

std::string quoted(const std::string& bytes) {
  std::string text = "\"";
  for (char ch : bytes) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      text += '\\';
      text += ch;
    } else if (byte >= 0x20 && byte < 0x7f) {
      text += ch;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02x", byte);
      text += escape;
    }
  }
  return text + "\"";
}

const char* type_name(int32_t type) {
  const element_kind* kind = element_kind_of(type);
  return kind != nullptr ? kind->name : nullptr;
}

// Appends " n" for each number. Written as two appends: g++ 12 at -O3 sees
// a possible overlap in `text += " " + std::to_string(n)` that cannot occur
// and reports it under -Wrestrict.
void append_numbers(std::string& text, const std::vector<int32_t>& numbers) {
  for (int32_t n : numbers) {
    text += ' ';
    text += std::to_string(n);
  }
}

struct text_writer {
  std::ostringstream out;

  void line(int indent, const std::string& text, const char* comment = nullptr) {
    std::string padded(static_cast<std::size_t>(indent) * 2, ' ');
    padded += text;
    if (comment != nullptr) {
      if (padded.size() < 36) padded.resize(36, ' ');
      padded += "  # ";
      padded += comment;
    }
    out << padded << '\n';
  }

  void pair(int indent, const char* keyword, const net_value& v, const char* comment = nullptr) {
    line(indent, std::string(keyword) + " " + std::to_string(v.tag) + " " + double_text(v.value),
         comment);
  }

  void group(int indent, const char* keyword, const net_group& g) {
    line(indent, std::string(keyword) + " " + std::to_string(g.id),
         g.id == group_id::period    ? "period"
         : g.id == group_id::voltage ? "node voltage"
                                     : nullptr);
    for (const net_value& d : g.dvars) {
      pair(indent + 1, "dvar", d,
           d.tag == dvar_number::fixed         ? "fixed"
           : d.tag == dvar_number::period_held ? "period held fixed"
                                               : nullptr);
    }
  }

  void conection(const net_conection& con) {
    line(3,
         "conection " + std::to_string(con.id) + " " + quoted(con.name) + " " +
             std::to_string(con.type),
         type_name(con.type));
    for (const net_value& a : con.attributes) pair(4, "attribute", a, attribute_name(a.tag));
    if (!con.nodes.empty()) {
      std::string text = "nodes";
      append_numbers(text, con.nodes);
      line(4, text);
    }
  }

  void node(const net_node& n, std::size_t position) {
    out << '\n';
    const std::string at = "position " + std::to_string(position);
    line(1, "node " + std::to_string(position), at.c_str());
    line(2, "index " + std::to_string(n.index));
    for (const net_value& p : n.params)
      pair(2, "param", p, p.tag == param_id::plane_time ? "plane time" : nullptr);
    if (n.twin != -1) {
      line(2, "twin " + std::to_string(n.twin), "shares the dvar groups of that position");
    }
    for (const net_group& g : n.groups) group(2, "group", g);
    for (const net_neighbour& nb : n.neighbours) {
      line(2, "neighbour " + std::to_string(nb.node));
      for (const net_conection& con : nb.conections) conection(con);
    }
    line(2,
         "links " + std::to_string(n.next) + " " + std::to_string(n.prev) + " " +
             std::to_string(n.next_plane) + " " + std::to_string(n.prev_plane),
         "next prev next_plane prev_plane");
  }

  void circuit(const net_circuit& c, std::size_t number, std::size_t count) {
    out << '\n';
    const std::string which =
        "circuit record " + std::to_string(number) + " of " + std::to_string(count);
    line(0, "circuit", which.c_str());
    line(1, "planes " + std::to_string(c.planes));
    line(1, "nodes_per_plane " + std::to_string(c.nodes_per_plane));
    line(1, "dvars_per_node " + std::to_string(c.dvars_per_node));
    for (const net_value& p : c.params) pair(1, "param", p);
    for (const net_group& g : c.globals) group(1, "global", g);
    for (std::size_t i = 0; i < c.nodes.size(); ++i) node(c.nodes[i], i);
    if (!c.nodelists.empty()) out << '\n';
    for (const net_nodelist& list : c.nodelists) {
      std::string text = "nodelist " + std::to_string(list.conection_id);
      append_numbers(text, list.nodes);
      line(1, text, "conection id, then node indices");
    }
  }
};

}  // namespace

std::string net_to_text(const net_file& file) {
  text_writer w;
  w.out << "# pss network file in text form (docs/net-text.md)\n";
  w.out << "# circuit count " << file.circuits.size() << ": one `circuit` below for each\n";
  w.line(0, "ignored_byte " + std::to_string(file.ignored_byte));
  for (std::size_t i = 0; i < file.circuits.size(); ++i) {
    w.circuit(file.circuits[i], i + 1, file.circuits.size());
  }
  if (!file.trailing.empty()) {
    w.out << '\n';
    w.line(0, "trailing " + quoted(file.trailing), "bytes after the last circuit record");
  }
  return w.out.str();
}

namespace {

// ---------------------------------------------------------------- reading

struct text_failure {
  std::string message;
};

[[noreturn]] void refuse(const std::string& message) {
  throw text_failure{message};
}

int hex_digit(char ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  if (ch >= 'a' && ch <= 'f') return ch - 'a' + 10;
  if (ch >= 'A' && ch <= 'F') return ch - 'A' + 10;
  return -1;
}

// Splits one line into tokens; a quoted token keeps its quotes so that the
// parser can tell a name from a word. `#` outside quotes starts a comment.
std::vector<std::string> tokens_of(const std::string& line) {
  std::vector<std::string> tokens;
  std::size_t i = 0;
  while (i < line.size()) {
    const char ch = line[i];
    if (ch == ' ' || ch == '\t' || ch == '\r') {
      ++i;
    } else if (ch == '#') {
      break;
    } else if (ch == '"') {
      std::size_t j = i + 1;
      while (j < line.size() && line[j] != '"') j += line[j] == '\\' ? 2 : 1;
      if (j >= line.size()) refuse("unterminated name");
      tokens.push_back(line.substr(i, j + 1 - i));
      i = j + 1;
    } else {
      std::size_t j = i;
      while (j < line.size() && line[j] != ' ' && line[j] != '\t' && line[j] != '\r' &&
             line[j] != '#') {
        ++j;
      }
      tokens.push_back(line.substr(i, j - i));
      i = j;
    }
  }
  return tokens;
}

std::string unquoted(const std::string& token) {
  if (token.size() < 2 || token.front() != '"') refuse("expected a quoted name, got " + token);
  std::string bytes;
  for (std::size_t i = 1; i + 1 < token.size(); ++i) {
    if (token[i] != '\\') {
      bytes += token[i];
      continue;
    }
    const char kind = i + 2 < token.size() ? token[i + 1] : '\0';
    if (kind == '"' || kind == '\\') {
      bytes += kind;
      i += 1;
    } else if (kind == 'x' && i + 4 < token.size() && hex_digit(token[i + 2]) >= 0 &&
               hex_digit(token[i + 3]) >= 0) {
      bytes += static_cast<char>(hex_digit(token[i + 2]) * 16 + hex_digit(token[i + 3]));
      i += 3;
    } else {
      refuse("bad escape in " + token + " (use \\\", \\\\ or \\xHH)");
    }
  }
  return bytes;
}

int32_t integer(const std::string& token) {
  int32_t v = 0;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), v);
  if (result.ec != std::errc() || result.ptr != token.data() + token.size()) {
    refuse("expected a 32-bit integer, got " + token);
  }
  return v;
}

double real(const std::string& token) {
  if (token.rfind("bits:", 0) == 0 && token.size() == 21) {
    uint64_t bits = 0;
    for (std::size_t i = 5; i < token.size(); ++i) {
      const int digit = hex_digit(token[i]);
      if (digit < 0) refuse("bad bits in " + token);
      bits = bits << 4 | static_cast<uint64_t>(digit);
    }
    return std::bit_cast<double>(bits);
  }
  double v = 0;
  const auto result = std::from_chars(token.data(), token.data() + token.size(), v);
  if (result.ec != std::errc() || result.ptr != token.data() + token.size()) {
    refuse("expected a number, got " + token);
  }
  return v;
}

// Where each keyword attaches: the innermost open record of its kind.
struct text_reader {
  net_file& file;
  net_circuit* circuit = nullptr;
  net_node* node = nullptr;
  net_group* group = nullptr;
  net_neighbour* neighbour = nullptr;
  net_conection* conection = nullptr;

  net_circuit& need_circuit(const std::string& keyword) {
    if (circuit == nullptr) refuse(keyword + " outside a circuit");
    return *circuit;
  }
  net_node& need_node(const std::string& keyword) {
    if (node == nullptr) refuse(keyword + " outside a node");
    return *node;
  }

  static void arity(const std::vector<std::string>& t, std::size_t count) {
    if (t.size() != count + 1) {
      refuse(t[0] + " takes " + std::to_string(count) + " value" + (count == 1 ? "" : "s"));
    }
  }

  void circuit_field(const std::vector<std::string>& t, int32_t net_circuit::*field) {
    arity(t, 1);
    need_circuit(t[0]).*field = integer(t[1]);
  }

  void open_node(const std::vector<std::string>& t) {
    arity(t, 1);
    net_circuit& c = need_circuit(t[0]);
    if (integer(t[1]) != static_cast<int32_t>(c.nodes.size())) {
      refuse("node " + t[1] + " out of order: the next node record is position " +
             std::to_string(c.nodes.size()));
    }
    c.nodes.push_back(net_node{0, {}, -1, {}, {}, -1, -1, -1, -1});
    node = &c.nodes.back();
    group = nullptr;
    neighbour = nullptr;
    conection = nullptr;
  }

  void open_group(const std::vector<std::string>& t, std::vector<net_group>& list) {
    arity(t, 1);
    list.push_back(net_group{integer(t[1]), {}});
    group = &list.back();
  }

  void statement(const std::vector<std::string>& t) {
    const std::string& k = t[0];
    if (k == "ignored_byte") {
      arity(t, 1);
      const int32_t v = integer(t[1]);
      if (v < 0 || v > 255) refuse("ignored_byte must be 0 to 255");
      file.ignored_byte = static_cast<uint8_t>(v);
    } else if (k == "circuit") {
      arity(t, 0);
      file.circuits.push_back(net_circuit{1, 1, 1, {}, {}, {}, {}});
      circuit = &file.circuits.back();
      node = nullptr;
      group = nullptr;
      neighbour = nullptr;
      conection = nullptr;
    } else if (k == "planes") {
      circuit_field(t, &net_circuit::planes);
    } else if (k == "nodes_per_plane") {
      circuit_field(t, &net_circuit::nodes_per_plane);
    } else if (k == "dvars_per_node") {
      circuit_field(t, &net_circuit::dvars_per_node);
    } else if (k == "param") {
      arity(t, 2);
      std::vector<net_value>& list = node != nullptr ? node->params : need_circuit(k).params;
      list.push_back({integer(t[1]), real(t[2])});
    } else if (k == "global") {
      if (node != nullptr) refuse("global after the first node");
      open_group(t, need_circuit(k).globals);
    } else if (k == "dvar") {
      arity(t, 2);
      if (group == nullptr) refuse("dvar outside a global or group");
      group->dvars.push_back({integer(t[1]), real(t[2])});
    } else if (k == "node") {
      open_node(t);
    } else if (k == "index") {
      arity(t, 1);
      need_node(k).index = integer(t[1]);
    } else if (k == "twin") {
      arity(t, 1);
      need_node(k).twin = integer(t[1]);
    } else if (k == "group") {
      open_group(t, need_node(k).groups);
    } else if (k == "neighbour") {
      arity(t, 1);
      need_node(k).neighbours.push_back(net_neighbour{integer(t[1]), {}});
      neighbour = &node->neighbours.back();
      group = nullptr;
      conection = nullptr;
    } else if (k == "conection") {
      arity(t, 3);
      if (neighbour == nullptr) refuse("conection outside a neighbour");
      neighbour->conections.push_back(
          net_conection{integer(t[1]), unquoted(t[2]), integer(t[3]), {}, {}});
      conection = &neighbour->conections.back();
    } else if (k == "attribute") {
      arity(t, 2);
      if (conection == nullptr) refuse("attribute outside a conection");
      conection->attributes.push_back({integer(t[1]), real(t[2])});
    } else if (k == "nodes") {
      if (conection == nullptr) refuse("nodes outside a conection");
      for (std::size_t i = 1; i < t.size(); ++i) conection->nodes.push_back(integer(t[i]));
    } else if (k == "links") {
      arity(t, 4);
      net_node& n = need_node(k);
      n.next = integer(t[1]);
      n.prev = integer(t[2]);
      n.next_plane = integer(t[3]);
      n.prev_plane = integer(t[4]);
    } else if (k == "nodelist") {
      if (t.size() < 2) refuse("nodelist needs a conection id");
      net_nodelist list{integer(t[1]), {}};
      for (std::size_t i = 2; i < t.size(); ++i) list.nodes.push_back(integer(t[i]));
      need_circuit(k).nodelists.push_back(std::move(list));
    } else if (k == "trailing") {
      arity(t, 1);
      file.trailing = unquoted(t[1]);
    } else {
      refuse("unknown keyword " + k);
    }
  }

  // What the binary form cannot express.
  void check_complete() const {
    if (file.circuits.empty()) refuse("no circuit");
    for (const net_circuit& c : file.circuits) {
      for (const net_group& g : c.globals) {
        if (g.dvars.empty()) refuse("global " + std::to_string(g.id) + " has no dvar");
      }
      for (std::size_t p = 0; p < c.nodes.size(); ++p) {
        const net_node& n = c.nodes[p];
        const std::string where = "node " + std::to_string(p);
        if (n.twin != -1 && !n.groups.empty()) refuse(where + " has a twin and groups of its own");
        for (const net_group& g : n.groups) {
          if (g.dvars.empty()) refuse(where + " group " + std::to_string(g.id) + " has no dvar");
        }
      }
    }
  }
};

}  // namespace

bool text_to_net(const std::string& text, net_file& out, std::string& error) {
  out = net_file{};
  text_reader reader{out};
  std::istringstream in(text);
  std::string line;
  int number = 0;
  try {
    while (std::getline(in, line)) {
      ++number;
      const std::vector<std::string> t = tokens_of(line);
      if (!t.empty()) reader.statement(t);
    }
    number = 0;
    reader.check_complete();
  } catch (const text_failure& failure) {
    error =
        (number > 0 ? std::to_string(number) + ": " : std::string()) + "error: " + failure.message;
    return false;
  }
  return true;
}

}  // namespace pss
