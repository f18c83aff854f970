// The reader trusts nothing: every malformed network gets one
// "error, read_network: " line naming what is wrong and where.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "model/net_file.h"
#include "model/read_network.h"
#include "support/bytes.h"
#include "support/fatal_check.h"
#include "support/net_builder.h"

namespace pss {
namespace {

const std::string prefix = "error, read_network: ";

std::string refusal(const std::vector<uint8_t>& bytes) {
  net_file file;
  std::string error;
  if (parse_network(bytes, file, error)) return "accepted";
  return error;
}

std::string twin_network() {
  return R"(
circuit
  planes 1
  nodes_per_plane 3
  dvars_per_node 1
  global 20
    dvar -2 1
  node 0
    index 0
    param 0 0
    group 21
      dvar 0 0
    links 1 -1 -1 -1
  node 1
    index 1
    param 0 0
    twin 0
    links 2 0 -1 -1
  node 2
    index 2
    param 0 0
    group 21
      dvar -1 0
    links -1 1 -1 -1
)";
}

TEST(network_refusals, every_cut_of_a_valid_file_is_refused) {
  for (const std::string& text : {test::data_text("oscillator.txt"), twin_network()}) {
    const std::vector<uint8_t> whole = test::net_bytes(text);
    ASSERT_EQ(refusal(whole), "accepted");
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
      const std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
      const std::string error = refusal(part);
      EXPECT_EQ(error.rfind(prefix, 0), 0u) << "cut at " << cut << ": " << error;
      EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
  }
}

TEST(network_refusals, the_reader_stops_with_status_one) {
  const std::vector<uint8_t> whole = test::net_bytes(test::data_text("oscillator.txt"));
  const std::vector<uint8_t> part(whole.begin(), whole.begin() + 40);
  network net;
  EXPECT_FATAL(read_network_bytes(net, part), refusal(part) + "\n");
}

// Byte offsets in the oscillator's file of the fields patched below.
constexpr std::size_t circuit_count_at = 0;
constexpr std::size_t planes_at = 5;
constexpr std::size_t nodes_per_plane_at = 9;
constexpr std::size_t dvars_per_node_at = 13;
constexpr std::size_t circuit_param_count_at = 17;
constexpr std::size_t global_count_at = 33;
constexpr std::size_t extra_dvar_count_at = 53;
constexpr std::size_t first_node_at = 57;
constexpr std::size_t first_neighbour_count_at = 105;

struct patch_row {
  const char* what;
  std::size_t at;  // a fixed offset, or npos: relative to the first `name`
  const char* name;
  int relative;
  int32_t value;
  const char* expected;
};

TEST(network_refusals, corrupted_counts_and_sizes) {
  const std::size_t find = std::string::npos;
  const patch_row rows[] = {
      {"negative circuit count", circuit_count_at, "", 0, -1,
       "negative circuit count -1 at byte 0"},
      {"no circuit", circuit_count_at, "", 0, 0, "circuit count 0 at byte 0 is below 1"},
      {"impossible circuit count", circuit_count_at, "", 0, 1000,
       "circuit count 1000 at byte 0 is more than the rest of the file can hold"},
      {"no planes", planes_at, "", 0, 0, "planes 0 and nodes_per_plane 4"},
      {"no nodes", nodes_per_plane_at, "", 0, -3, "planes 1 and nodes_per_plane -3"},
      {"no slots", dvars_per_node_at, "", 0, 0, "dvars_per_node 0 at byte 13"},
      {"too many slots", dvars_per_node_at, "", 0, 3, "dvars_per_node 3 at byte 13"},
      {"huge node block", planes_at, "", 0, 1 << 20,
       "1048576 planes of 4 nodes are more than the rest of the file can hold"},
      {"negative param count", circuit_param_count_at, "", 0, -2,
       "negative circuit param count -2 at byte 17"},
      {"impossible param count", circuit_param_count_at, "", 0, 0x7fffffff,
       "circuit param count 2147483647 at byte 17 is more than"},
      {"impossible global count", global_count_at, "", 0, 500, "global dvar count 500 at byte 33"},
      {"negative extra dvars", extra_dvar_count_at, "", 0, -1, "negative extra dvar count -1"},
      {"node index out of range", first_node_at, "", 0, 4,
       "node index 4 at byte 57 is out of range"},
      {"impossible neighbour count", first_neighbour_count_at, "", 0, 1 << 30, "neighbour count"},
      {"negative name length", find, "RP", -4, -4, "negative conection name length -4"},
      {"impossible name length", find, "RP", -4, 100000, "conection name length 100000"},
      {"impossible attribute count", find, "RP", 6, 1000, "attribute count 1000"},
      {"negative node count", find, "RI", 46, -1, "negative conection node count -1"},
  };
  const std::vector<uint8_t> valid = test::net_bytes(test::data_text("oscillator.txt"));
  ASSERT_EQ(load_i32(&valid[first_neighbour_count_at]), 3);
  ASSERT_EQ(load_i32(&valid[extra_dvar_count_at]), 0);
  for (const patch_row& row : rows) {
    std::size_t at = row.at;
    if (at == find) {
      const std::size_t name_at = std::string(valid.begin(), valid.end()).find(row.name);
      ASSERT_NE(name_at, std::string::npos) << row.what;
      at = static_cast<std::size_t>(static_cast<long>(name_at) + row.relative);
    }
    std::vector<uint8_t> bytes = valid;
    const auto u = static_cast<uint32_t>(row.value);
    for (int i = 0; i < 4; ++i)
      bytes[at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
    const std::string error = refusal(bytes);
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << row.what << ": " << error;
    EXPECT_NE(error.find(row.expected), std::string::npos) << row.what << ": " << error;
  }
}

// Found by fuzzing: planes times nodes_per_plane near 2^62 overflowed the
// check of the node block's size against the rest of the file.
TEST(network_refusals, a_node_block_of_two_huge_sizes_is_refused_without_overflow) {
  std::vector<uint8_t> bytes = test::net_bytes(test::data_text("oscillator.txt"));
  for (std::size_t at : {planes_at, nodes_per_plane_at}) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = i == 3 ? 0x7f : 0xff;
  }
  const std::string error = refusal(bytes);
  EXPECT_NE(error.find("2147483647 planes of 2147483647 nodes are more than the rest of the file "
                       "can hold"),
            std::string::npos)
      << error;
}

struct edit_row {
  const char* what;
  bool twins;        // edit the twin network rather than the oscillator
  const char* from;  // the first occurrence is replaced
  const char* to;
  const char* expected;
};

TEST(network_refusals, corrupted_positions_indices_and_structure) {
  const edit_row rows[] = {
      {"index beyond the node block", false, "    index 3", "    index 4", "node index 4 at byte"},
      {"negative index", false, "    index 0", "    index -1", "node index -1 at byte 57"},
      {"neighbour out of range", false, "    neighbour 3", "    neighbour 4",
       "neighbour position 4 at byte"},
      {"node list out of range", false, "nodes 0 3", "nodes 0 -1",
       "conection node position -1 at byte"},
      {"link out of range", false, "links 1 -1 -1 -1", "links 1 -1 9 -1",
       "next_plane link 9 at byte"},
      {"link below -1", false, "links 1 -1 -1 -1", "links 1 -2 -1 -1", "prev link -2 at byte"},
      {"chain going back", false, "links 2 0 -1 -1", "links 0 0 -1 -1",
       "leads from node index 1 to node index 0: the node chain must ascend"},
      {"chain missing a node", false, "links 2 0 -1 -1", "links 3 0 -1 -1",
       "node chain ends at the next link at byte"},
      {"chain with indices out of step", false, "    index 2", "    index 3",
       "leads from node index 3 to node index 3"},
      {"no param 0", false, "    param 0 0\n    group 21\n      dvar 0 0",
       "    param 1 0\n    group 21\n      dvar 0 0", "has no param 0"},
      {"more unknowns than slots", false, "      dvar 0 0\n",
       "      dvar 0 0\n    group 22\n      dvar 3 0\n",
       "has 2 unknown dvars, more than dvars_per_node 1"},
      {"short nodelist", false, "nodelist 0 1 2 0", "nodelist 0 1", "nodelist node count 1"},
      {"no period group", false, "global 20", "global 19", "no global dvar group 20"},
      {"no planes", false, "planes 1", "planes 0", "planes 0 and nodes_per_plane 4"},
      {"twin later in the file", true, "    twin 0", "    twin 2", "twin position 2 at byte"},
      {"twin not below in the chain", true, "    index 1\n", "    index 0\n",
       "names node index 0, not below the node's index 0"},
      {"twin of itself", true, "    twin 0", "    twin 1", "does not stand before the node"},
      {"twin without groups", true, "    group 21\n      dvar 0 0\n", "",
       "names a node without dvar groups"},
  };
  for (const edit_row& row : rows) {
    std::string text = row.twins ? twin_network() : test::data_text("oscillator.txt");
    auto unescape = [](std::string s) {
      for (std::size_t at; (at = s.find("\\n")) != std::string::npos;) s.replace(at, 2, "\n");
      return s;
    };
    const std::string from = unescape(row.from);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << row.what;
    text.replace(at, from.size(), unescape(row.to));
    const std::string error = refusal(test::net_bytes(text));
    EXPECT_EQ(error.rfind(prefix, 0), 0u) << row.what << ": " << error;
    EXPECT_NE(error.find(row.expected), std::string::npos) << row.what << ": " << error;
  }
}

// Reads `bytes` with the solver's reader in a child process whose standard
// error is `log`; true when the child ended normally (accepted, or refused
// with status 1), false when it crashed or a sanitizer reported.
bool reads_without_crashing(const std::vector<uint8_t>& bytes, const std::string& log) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (std::freopen(log.c_str(), "w", stderr) == nullptr) _exit(3);
    std::FILE* quiet = std::fopen("/dev/null", "w");
    set_fatal_stream(quiet);
    network net;
    read_network_bytes(net, bytes);
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  std::FILE* in = std::fopen(log.c_str(), "r");
  const bool quiet_log = in != nullptr && std::fgetc(in) == EOF;
  if (in != nullptr) std::fclose(in);
  return WIFEXITED(status) && WEXITSTATUS(status) <= 1 && quiet_log;
}

TEST(network_refusals, random_corruptions_never_crash_the_reader) {
  const std::vector<uint8_t> valid = test::net_bytes(test::data_text("oscillator.txt"));
  const std::string log = ::testing::TempDir() + "reader_mutation.log";
  std::mt19937 random(12345);
  int accepted = 0;
  for (int trial = 0; trial < 3000; ++trial) {
    std::vector<uint8_t> bytes = valid;
    const int flips = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < flips; ++i) {
      const std::size_t at = random() % bytes.size();
      // Small integers are where counts, positions and links live.
      bytes[at] =
          (random() % 2 == 0) ? static_cast<uint8_t>(random()) : static_cast<uint8_t>(random() % 8);
    }
    if (refusal(bytes) != "accepted") continue;
    ++accepted;
    ASSERT_TRUE(reads_without_crashing(bytes, log)) << "trial " << trial;
  }
  EXPECT_GT(accepted, 10);  // the accepted mutants did exercise the model build
}

// Reads `bytes` in a child whose address space may grow by only 64 MiB: a
// reader that allocated in proportion to the counts it read would fail
// there, the child ending on an uncaught bad_alloc. "refused" or "accepted"
// when the child ended normally.
std::string read_in_little_memory(const std::vector<uint8_t>& bytes) {
  const pid_t pid = fork();
  if (pid == 0) {
    std::ifstream statm("/proc/self/statm");
    unsigned long pages = 0;
    statm >> pages;
    const rlim_t room = pages * static_cast<rlim_t>(sysconf(_SC_PAGESIZE)) + (64u << 20);
    const rlimit limit{room, room};
    if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
    net_file file;
    std::string error;
    _exit(parse_network(bytes, file, error) ? 2 : error.rfind(prefix, 0) == 0 ? 0 : 4);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status)) return "ended by a signal";
  return WEXITSTATUS(status) == 0 ? "refused" : WEXITSTATUS(status) == 2 ? "accepted" : "failed";
}

TEST(network_refusals, counts_of_billions_are_refused_without_allocating_for_them) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer's shadow memory needs an unlimited address space";
#endif
  struct row {
    const char* what;
    std::size_t at;
    int32_t value;
  };
  const row rows[] = {
      {"planes", planes_at, 0x7fffffff},
      {"nodes per plane", nodes_per_plane_at, 0x7fffffff},
      {"circuit params", circuit_param_count_at, 0x7fffffff},
      {"global dvar groups", global_count_at, 2000000000},
      {"extra dvars", extra_dvar_count_at, 2000000000},
      {"neighbours", first_neighbour_count_at, 0x7fffffff},
  };
  const std::vector<uint8_t> valid = test::net_bytes(test::data_text("oscillator.txt"));
  for (const row& r : rows) {
    std::vector<uint8_t> bytes = valid;
    const auto u = static_cast<uint32_t>(r.value);
    for (int i = 0; i < 4; ++i)
      bytes[r.at + static_cast<std::size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
    EXPECT_EQ(read_in_little_memory(bytes), "refused") << r.what;
  }
  // The limit itself leaves room to read a valid network.
  EXPECT_EQ(read_in_little_memory(valid), "accepted");
}

}  // namespace
}  // namespace pss
