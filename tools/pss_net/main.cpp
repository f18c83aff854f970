// pss-net: the network file in a form people can read and write.
//
//   pss-net dump JOB.net            the text form on standard output
//   pss-net build FILE.txt -o JOB.net
//   pss-net compile CIRCUIT.cir -o JOB.net    also writes JOB.names
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/net_file.h"
#include "model/read_network.h"
#include "support/fatal.h"
#include "support/files.h"
#include "tools/netlist/netlist.h"
#include "tools/pss_net/net_text.h"

namespace {

const char* const usage =
    "usage: pss-net dump JOB.net\n"
    "       pss-net build FILE.txt -o JOB.net\n"
    "       pss-net compile CIRCUIT.cir -o JOB.net\n"
    "       pss-net compile --spice [--fundamental F] CIRCUIT.cir -o JOB.net\n"
    "\n"
    "dump     prints every field of a network file as commented text\n"
    "build    writes the network file that a text form describes\n"
    "compile  writes the network file of a SPICE-like netlist, and JOB.names\n"
    "         with the names of its nodes and elements; --spice reads it as\n"
    "         SPICE reads a deck, --fundamental F (hertz) is the frequency its\n"
    "         SPICE sines are harmonics of when it has no .pss directive\n"
    "The text form is described in docs/net-text.md, netlists in docs/netlist.md.\n";

int usage_error(const char* message) {
  std::fprintf(stderr, "pss-net: %s\n%s", message, usage);
  return 1;
}

int dump(const std::string& path) {
  std::vector<uint8_t> bytes;
  if (!pss::read_file(path, bytes)) {
    std::fprintf(stderr, "pss-net: cannot read %s\n", path.c_str());
    return 1;
  }
  // The solver's reader checks the file first, so a file it refuses gets
  // the same message here.
  pss::network scratch;
  pss::read_network_bytes(scratch, bytes);
  pss::net_file file;
  std::string error;
  pss::parse_network(bytes, file, error);
  std::fputs(pss::net_to_text(file).c_str(), stdout);
  return 0;
}

int build(const std::string& text_path, const std::string& net_path) {
  std::vector<uint8_t> bytes;
  if (!pss::read_file(text_path, bytes)) {
    std::fprintf(stderr, "pss-net: cannot read %s\n", text_path.c_str());
    return 1;
  }
  pss::net_file file;
  std::string error;
  if (!pss::text_to_net(std::string(bytes.begin(), bytes.end()), file, error)) {
    std::fprintf(stderr, "%s:%s\n", text_path.c_str(), error.c_str());
    return 1;
  }
  if (!pss::write_file_atomically(net_path, pss::write_network(file), error)) {
    std::fprintf(stderr, "pss-net: cannot write %s: %s\n", net_path.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

bool write_text(const std::string& path, const std::string& text) {
  std::string error;
  if (pss::write_file_atomically(path, std::vector<uint8_t>(text.begin(), text.end()), error)) {
    return true;
  }
  std::fprintf(stderr, "pss-net: cannot write %s: %s\n", path.c_str(), error.c_str());
  return false;
}

int compile(const std::string& netlist_path, const std::string& net_path,
            const pss::compile_options& options) {
  std::vector<uint8_t> bytes;
  if (!pss::read_file(netlist_path, bytes)) {
    std::fprintf(stderr, "pss-net: cannot read %s\n", netlist_path.c_str());
    return 1;
  }
  pss::compile_options deck = options;
  deck.path = netlist_path;
  const pss::compiled_netlist result =
      pss::compile_netlist(std::string(bytes.begin(), bytes.end()), deck);
  for (const pss::netlist_message& m : result.messages) {
    std::fprintf(stderr, "%s\n", pss::message_line(netlist_path, m).c_str());
  }
  if (!result.ok) return 1;
  if (!write_text(pss::names_path_for(net_path), pss::names_text(result.names))) return 1;
  std::string error;
  if (!pss::write_file_atomically(net_path, pss::write_network(result.network), error)) {
    std::fprintf(stderr, "pss-net: cannot write %s: %s\n", net_path.c_str(), error.c_str());
    return 1;
  }
  return 0;
}

// compile's options before its file: false with a message when one is
// malformed; `rest` keeps the other arguments.
bool compile_options_of(const std::vector<std::string>& args, pss::compile_options& options,
                        std::vector<std::string>& rest) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--spice") {
      options.spice = true;
    } else if (args[i] == "--fundamental") {
      if (i + 1 == args.size() || !pss::parse_value(args[i + 1], options.fundamental) ||
          options.fundamental <= 0) {
        std::fprintf(stderr, "pss-net: --fundamental needs a frequency above 0\n");
        return false;
      }
      ++i;
    } else {
      rest.push_back(args[i]);
    }
  }
  return true;
}

bool is_command(const std::string& word) {
  return word == "dump" || word == "build" || word == "compile";
}

}  // namespace

int main(int argc, char** argv) {
  pss::install_out_of_memory_handler();
  pss::set_fatal_stream(stderr);
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::fputs(usage, stdout);
    return 0;
  }
  if (args.size() == 2 && args[0] == "dump") return dump(args[1]);
  if (args.size() == 4 && args[0] == "build" && args[2] == "-o") return build(args[1], args[3]);
  if (!args.empty() && args[0] == "compile") {
    pss::compile_options options;
    std::vector<std::string> rest;
    if (!compile_options_of(args, options, rest)) return 1;
    if (rest.size() == 4 && rest[2] == "-o") return compile(rest[1], rest[3], options);
  }
  if (args.empty()) return usage_error("no command");
  if (!is_command(args[0])) {
    return usage_error(("unknown command " + args[0]).c_str());
  }
  return usage_error(("wrong arguments for " + args[0]).c_str());
}
