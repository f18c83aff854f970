#include "fuzz_targets.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/net_file.h"
#include "model/read_network.h"
#include "planes/expand.h"
#include "run/circuit_checks.h"
#include "run/job_start.h"
#include "run/load_solution.h"
#include "sparse/matrix.h"
#include "state/state_file.h"
#include "support/console.h"
#include "support/fatal.h"
#include "support/files.h"
#include "tools/netlist/netlist.h"
#include "tools/pss_net/net_text.h"

namespace pss::fuzz {

namespace {

// What a fatal stop or the bound on a job's work throws to end an input.
struct input_ended {
  int status;
};

// The fatal message of one input: whole lines of printable text.
char message[4096];
std::FILE* message_sink = nullptr;

bool printable_lines(const char* text) {
  const std::size_t length = std::strlen(text);
  if (length == 0 || text[length - 1] != '\n') return false;
  for (const char* p = text; *p != '\0'; ++p) {
    const auto c = static_cast<unsigned char>(*p);
    if (c != '\n' && (c < 0x20 || c == 0x7f)) return false;
  }
  return true;
}

[[noreturn]] void end_input(int status) {
  std::fflush(message_sink);
  if (!printable_lines(message)) {
    std::fprintf(stderr, "fatal stop without a message of printable lines: \"%s\"\n", message);
    std::abort();
  }
  throw input_ended{status};
}

void begin_input() {
  set_fatal_handler(end_input);
  if (message_sink != nullptr) std::fclose(message_sink);
  std::memset(message, 0, sizeof message);
  message_sink = fmemopen(message, sizeof message - 1, "w");
  set_fatal_stream(message_sink);
}

[[noreturn]] void broken(const char* what) {
  std::fprintf(stderr, "broken invariant: %s\n", what);
  std::abort();
}

std::vector<uint8_t> bytes_of(const uint8_t* data, std::size_t size) {
  return std::vector<uint8_t>(data, data + size);
}

std::string source_file(const std::string& path) {
  std::ifstream in(std::string(PSS_SOURCE_DIR) + "/" + path, std::ios::binary);
  if (!in) broken("a source file the targets read is missing");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::vector<uint8_t> compiled(const std::string& netlist_text) {
  const compiled_netlist c = compile_netlist(netlist_text);
  if (!c.ok) broken("a fixed netlist does not compile");
  return write_network(c.network);
}

// A scratch folder for the files of the inputs, made once.
const std::string& scratch() {
  static const std::string path = [] {
    std::string base = std::filesystem::exists("/dev/shm") ? "/dev/shm" : "/tmp";
    std::string pattern = base + "/pss-fuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) broken("no scratch folder");
    return pattern;
  }();
  return path;
}

}  // namespace

void network_input(const uint8_t* data, std::size_t size) {
  begin_input();
  const std::vector<uint8_t> bytes = bytes_of(data, size);
  net_file file;
  std::string error;
  if (!parse_network(bytes, file, error)) {
    if (error.empty() || error.find('\n') != std::string::npos) broken("parse error not one line");
    return;
  }
  if (write_network(file) != bytes) broken("a parsed network does not write back byte for byte");
  net_file again;
  if (!text_to_net(net_to_text(file), again, error) || write_network(again) != bytes) {
    broken("a network's text form does not read back to the same bytes");
  }
  try {
    network net;
    read_network_bytes(net, bytes);
    circuit* c = net.circuit;
    check_network(c);
    c->planes = 3;
    expand_time_planes(c, 1);
    check_expanded(c);
    if (matrix* m = matrix_create(c)) mat_free(m);
  } catch (const input_ended&) {
  }
}

namespace {

// The example oscillator and two of its states, one of each slot count.
struct state_fixture {
  std::vector<uint8_t> net;
};

const state_fixture& oscillator_fixture() {
  static const state_fixture f{compiled(source_file("examples/oscillator/osc.cir"))};
  return f;
}

}  // namespace

void state_input(const uint8_t* data, std::size_t size) {
  begin_input();
  const std::string path = scratch() + "/state.var";
  std::string error;
  if (!write_file_atomically(path, bytes_of(data, size), error)) broken("cannot write the input");
  try {
    network net;
    read_network_bytes(net, oscillator_fixture().net);
    load_solution(net.circuit, path);
    if (state_file_length(net.circuit) != size) broken("a state read has not the shape's length");
    fixed_values_off_source(net.circuit);
  } catch (const input_ended&) {
  }
}

namespace {

void compiled_input(const std::string& text, const compile_options& options) {
  begin_input();
  const compiled_netlist c = compile_netlist(text, options);
  for (const netlist_message& m : c.messages) {
    if (message_line("fuzz.cir", m).find('\n') != std::string::npos) {
      broken("a netlist message of more than one line");
    }
  }
  if (!c.ok) return;
  const std::vector<uint8_t> bytes = write_network(c.network);
  net_file parsed;
  std::string error;
  if (!parse_network(bytes, parsed, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    broken("the reader refuses what the compiler wrote");
  }
  try {
    network net;
    read_network_bytes(net, bytes);
    check_network(net.circuit);
  } catch (const input_ended&) {
    std::fprintf(stderr, "%s", message);
    broken("the solver's checks refuse what the compiler accepted");
  }
}

}  // namespace

// Every input is compiled twice: in the plain grammar and as a SPICE deck.
void netlist_input(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  compiled_input(text, compile_options{});
  compiled_input(text, compile_options{true, 1000, ""});
}

namespace {

// The networks a job may run on, with the answers of a job that leaves a
// single-slot state (`<job>0.var`) and, for the oscillator, a double one.
struct dialogue_network {
  const char* name;
  std::vector<uint8_t> net;
  std::string answers;
  std::vector<uint8_t> single_state;
  std::vector<uint8_t> double_state;
};

// Say no more than this many lines in one job, and take no longer than
// this: a long scan or search is a valid answer, but not one to wait for
// in a fuzzing run (a search on hundreds of planes takes half a second in
// a release build and over ten in the fuzzing build).
constexpr long line_budget = 4000;
constexpr std::chrono::milliseconds time_budget{2000};
long lines_said = 0;
bool over_budget = false;
std::chrono::steady_clock::time_point job_started;

void count_line() {
  over_budget =
      ++lines_said > line_budget || std::chrono::steady_clock::now() - job_started > time_budget;
  if (over_budget) throw input_ended{0};
}

void clear_job_files() {
  for (const auto& entry : std::filesystem::directory_iterator(scratch())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("job", 0) == 0 && name != "job.net") std::filesystem::remove(entry.path());
  }
}

void write_job_file(const std::string& suffix, const std::vector<uint8_t>& bytes) {
  std::string error;
  if (!write_file_atomically(scratch() + "/job" + suffix, bytes, error)) broken("cannot write");
}

std::vector<uint8_t> job_file(const std::string& suffix) {
  std::vector<uint8_t> bytes;
  read_file(scratch() + "/job" + suffix, bytes);
  return bytes;
}

// Runs `pss job` in this process with `answers` on its standard input.
// Returns the status, or -1 when the job ended by the bound on its work.
int run_job(const char* answers, std::size_t size) {
  static std::FILE* null_output = std::fopen("/dev/null", "w");
  // fmemopen refuses an empty buffer: one blank reads as the end of input.
  static char blank[] = " ";
  std::FILE* in =
      size > 0 ? fmemopen(const_cast<char*>(answers), size, "r") : fmemopen(blank, 1, "r");
  set_console_input(in);
  set_console_output(null_output);
  // Jobs here stay small: a plane count that would take more than this is
  // refused by the memory check, as a larger one is on a real machine.
  setenv("PSS_MEMORY_LIMIT", "2M", 1);
  set_say_hook(count_line);
  lines_said = 0;
  over_budget = false;
  job_started = std::chrono::steady_clock::now();
  const std::string cwd = std::filesystem::current_path().string();
  std::filesystem::current_path(scratch());
  int status = 0;
  try {
    char program[] = "pss";
    char job[] = "job";
    char* argv[] = {program, job, nullptr};
    status = job_start(2, argv);
  } catch (const input_ended& ended) {
    status = over_budget ? -1 : ended.status;
  }
  std::filesystem::current_path(cwd);
  unsetenv("PSS_MEMORY_LIMIT");
  set_say_hook(nullptr);
  set_console_output(nullptr);
  set_console_input(nullptr);
  std::fclose(in);
  return status;
}

std::vector<dialogue_network>& dialogue_networks() {
  static std::vector<dialogue_network> networks = [] {
    std::vector<dialogue_network> list;
    list.push_back({"rc",
                    compiled(source_file("examples/rc_lowpass/rc.cir")),
                    source_file("examples/rc_lowpass/rc.answers"),
                    {},
                    {}});
    list.push_back({"oscillator",
                    compiled(source_file("examples/oscillator/osc.cir")),
                    source_file("examples/oscillator/osc.answers"),
                    {},
                    {}});
    // Every element kind the netlist knows, a twin and a delayed generator.
    list.push_back({"mixed",
                    compiled(source_file("tests/fuzz/corpus/netlist/mixed.cir")),
                    "1e-6\nn\n1000\ny\ny\n16\n1\n",
                    {},
                    {}});
    for (dialogue_network& n : list) {
      clear_job_files();
      write_job_file(".net", n.net);
      begin_input();
      if (run_job(n.answers.data(), n.answers.size()) != 0) {
        std::fprintf(stderr, "%s: %s", n.name, message);
        broken("a fixed job fails");
      }
      n.single_state = job_file("0.var");
      n.double_state = job_file("DP.var");
    }
    return list;
  }();
  return networks;
}

}  // namespace

void dialogue_input(const uint8_t* data, std::size_t size) {
  std::vector<dialogue_network>& networks = dialogue_networks();
  begin_input();
  const uint8_t pick = size > 0 ? data[0] : 0;
  const dialogue_network& n = networks[pick % networks.size()];
  clear_job_files();
  write_job_file(".net", n.net);
  switch (pick / networks.size() % 3) {
    case 1: write_job_file("S.var", n.single_state); break;
    case 2:
      if (!n.double_state.empty()) write_job_file("S.var", n.double_state);
      break;
    default: break;
  }
  const char* answers = size > 0 ? reinterpret_cast<const char*>(data + 1) : "";
  run_job(answers, size > 0 ? size - 1 : 0);
  // No temporary file outlives a job, however it ended.
  for (const auto& entry : std::filesystem::directory_iterator(scratch())) {
    if (entry.path().filename().string().find(".tmp") != std::string::npos) {
      broken("a temporary file is left behind");
    }
  }
}

void end_inputs() {
  set_fatal_handler(nullptr);
  set_fatal_stream(nullptr);
}

target target_named(const std::string& name) {
  if (name == "network") return network_input;
  if (name == "state") return state_input;
  if (name == "netlist") return netlist_input;
  if (name == "dialogue") return dialogue_input;
  return nullptr;
}

}  // namespace pss::fuzz
