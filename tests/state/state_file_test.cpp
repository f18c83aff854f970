#include "state/state_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "model/lookups.h"
#include "model/read_network.h"
#include "planes/expand.h"
#include "support/bytes.h"
#include "support/fatal_check.h"
#include "support/files.h"
#include "support/net_builder.h"
#include "support/process.h"

namespace pss {
namespace {

// Gives every param and dvar of the circuit a distinct value.
void fill(circuit* c, double base) {
  double v = base;
  for (tagged_value* p : each(c->params)) p->value = v++;
  for (dvar_group* g : each(c->global_dvars)) {
    for (dvar* d : each(g->dvars)) d->value = v++;
  }
  for (node* n : each(c->nodes)) {
    for (tagged_value* p : each(n->params)) p->value = v++;
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d : each(g->dvars)) d->value = v++;
    }
  }
}

std::vector<double> values(circuit* c) {
  std::vector<double> out;
  for (tagged_value* p : each(c->params)) out.push_back(p->value);
  for (dvar_group* g : each(c->global_dvars)) {
    for (dvar* d : each(g->dvars)) out.push_back(d->value);
  }
  for (node* n : each(c->nodes)) {
    for (tagged_value* p : each(n->params)) out.push_back(p->value);
    for (dvar_group* g : each(n->dvar_groups)) {
      for (dvar* d : each(g->dvars)) out.push_back(d->value);
    }
  }
  return out;
}

// Writes with a file size limit below the state's length, so the write fails.
void write_under_size_limit(const circuit* c, const std::string& path) {
  set_fatal_stream(stderr);
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{100, 100};
  setrlimit(RLIMIT_FSIZE, &limit);
  write_state(c, path);
}

struct state_fixture : ::testing::Test {
  network net;
  circuit* c = nullptr;
  test::temp_dir dir;
  std::string path;

  void SetUp() override {
    test::read_text_network(net, test::data_text("oscillator.txt"));
    c = net.circuit;
    path = dir.file("oscS.var");
  }

  std::vector<uint8_t> written() {
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(read_file(path, bytes));
    return bytes;
  }

  void patch_i32(std::size_t at, int32_t value) {
    std::vector<uint8_t> bytes = written();
    const auto u = static_cast<uint32_t>(value);
    for (std::size_t i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(u >> (8 * i));
    test::write_bytes(path, bytes);
  }
};

TEST_F(state_fixture, write_then_read_restores_every_value) {
  fill(c, 1.25);
  const std::vector<double> saved = values(c);
  write_state(c, path);
  fill(c, 100.0);
  read_state(c, path);
  EXPECT_EQ(values(c), saved);
}

TEST_F(state_fixture, node_numbers_stay_and_global_numbers_come_from_the_file) {
  write_state(c, path);  // period number -2, o's voltage number 0
  dvar* period = find_dvar_group(c->global_dvars, 20)->dvars;
  dvar* o = get_node_with_index(c, 2)->dvar_groups->dvars;
  period->number = 5;
  o->number = 7;
  read_state(c, path);
  EXPECT_EQ(period->number, -2);
  EXPECT_EQ(o->number, 7);
}

TEST_F(state_fixture, file_length_follows_the_shape) {
  write_state(c, path);
  // 12 sizes + 1 circuit param + period group (id, one dvar) + 4 nodes of
  // (param 0, voltage group with one dvar).
  const std::size_t expected = 12 + 12 + (4 + 12) + 4 * (12 + 4 + 12);
  EXPECT_EQ(written().size(), expected);
  EXPECT_EQ(state_file_length(c), expected);
  EXPECT_EQ(load_i32(written().data()), c->planes);
}

// A state larger than the writer's buffer goes out in pieces; their seams
// fall inside a node's records, and every value must come back.
TEST_F(state_fixture, a_state_larger_than_the_write_buffer_comes_back_whole) {
  c->planes = 3001;
  expand_time_planes(c, twin_option::at_zero);
  fill(c, 0.5);
  const std::vector<double> saved = values(c);
  write_state(c, path);
  EXPECT_GT(written().size(), std::size_t{3} << 16);
  EXPECT_EQ(written().size(), state_file_length(c));
  fill(c, 7.0);
  read_state(c, path);
  EXPECT_EQ(values(c), saved);
}

TEST_F(state_fixture, a_file_of_another_shape_is_refused_and_changes_nothing) {
  struct row {
    const char* what;
    std::size_t at;
    int32_t value;
    const char* message;
  };
  const row rows[] = {
      {"planes", 0, 2,
       "is a state of 2 planes, 4 nodes per plane and 1 dvars per node; the "
       "circuit has 1, 4 and 1"},
      {"dvars per node", 8, 2, "is a state of 1 planes, 4 nodes per plane and 2 dvars"},
      {"circuit param tag", 12, 3, "circuit param 3 at byte 12, the circuit has param 4 there"},
      {"global group id", 24, 21, "global dvar group 21 at byte 24, the circuit has group 20"},
      {"node param tag", 40, 1, "node param 1 at byte 40"},
      {"node group id", 52, 20, "node dvar group 20 at byte 52, the circuit has group 21"},
  };
  for (const row& r : rows) {
    write_state(c, path);
    patch_i32(r.at, r.value);
    EXPECT_FATAL(read_state(c, path), r.message) << r.what;
  }
  write_state(c, path);
  std::vector<uint8_t> longer = written();
  longer.push_back(0);
  test::write_bytes(path, longer);
  EXPECT_FATAL(read_state(c, path), "holds 153 bytes, a state of this circuit takes 152");
  longer.resize(100);
  test::write_bytes(path, longer);
  EXPECT_FATAL(read_state(c, path), "holds 100 bytes");
  EXPECT_FATAL(read_state(c, dir.file("missing.var")), "error, read_state: ");
}

TEST_F(state_fixture, read_state_planes_takes_the_count_and_refuses_impossible_ones) {
  write_state(c, path);
  c->planes = 9;
  read_state_planes(c, path);
  EXPECT_EQ(c->planes, 1);
  patch_i32(0, 0);
  EXPECT_FATAL(read_state_planes(c, path), "holds 0 time planes; at least 1 is needed");
  patch_i32(0, 1000000);
  EXPECT_FATAL(read_state_planes(c, path), "holds 152 bytes, too few for 1000000 time planes");
  test::write_bytes(path, {1, 0, 0});
  EXPECT_FATAL(read_state_planes(c, path), "too short for a state file");
}

TEST_F(state_fixture, a_failed_write_leaves_the_earlier_file_intact) {
  fill(c, 1.0);
  write_state(c, path);
  const std::vector<uint8_t> earlier = written();
  fill(c, 50.0);
  EXPECT_EXIT(write_under_size_limit(c, path), ::testing::ExitedWithCode(1),
              "error, write_state: cannot write .*oscS.var: ");
  EXPECT_EQ(written(), earlier);
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path)) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 1u) << "a temporary file was left behind";
  EXPECT_FATAL(write_state(c, dir.file("no/such/folder/x.var")),
               "error, write_state: cannot write");
}

}  // namespace
}  // namespace pss
