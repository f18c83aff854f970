// pss-net: the network file in a form people can read and write.
//
//   pss-net dump JOB.net            the text form on standard output
//   pss-net build FILE.txt -o JOB.net
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "model/net_file.h"
#include "model/read_network.h"
#include "support/fatal.h"
#include "support/files.h"
#include "tools/pss_net/net_text.h"

namespace {

const char* const usage =
    "usage: pss-net dump JOB.net\n"
    "       pss-net build FILE.txt -o JOB.net\n"
    "\n"
    "dump   prints every field of a network file as commented text\n"
    "build  writes the network file that a text form describes\n"
    "The text form is described in docs/net-text.md.\n";

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
  if (args.empty()) return usage_error("no command");
  if (args[0] != "dump" && args[0] != "build") {
    return usage_error(("unknown command " + args[0]).c_str());
  }
  return usage_error(("wrong arguments for " + args[0]).c_str());
}
