// pss-net dump and build, run as the real executable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/files.h"
#include "support/net_builder.h"
#include "support/process.h"

namespace pss {
namespace {

using test::run_process;

std::vector<std::string> data_networks() {
  std::vector<std::string> names;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(PSS_SOURCE_DIR) + "/tests/data")) {
    if (entry.path().extension() == ".txt") names.push_back(entry.path().filename());
  }
  return names;
}

std::vector<uint8_t> bytes_of(const std::string& path) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(read_file(path, bytes)) << path;
  return bytes;
}

TEST(pss_net, dump_then_build_gives_the_same_bytes_for_every_test_network) {
  const std::vector<std::string> names = data_networks();
  ASSERT_GE(names.size(), 4u);
  for (const std::string& name : names) {
    test::temp_dir dir;
    const std::string original = dir.file("a.net");
    test::write_bytes(original, test::net_bytes(test::data_text(name)));
    const auto dumped = run_process(PSS_NET_EXE, {"dump", original}, "");
    ASSERT_EQ(dumped.status, 0) << name << dumped.err;
    std::ofstream(dir.file("a.txt")) << dumped.out;
    const auto built =
        run_process(PSS_NET_EXE, {"build", dir.file("a.txt"), "-o", dir.file("b.net")}, "");
    ASSERT_EQ(built.status, 0) << name << built.err;
    EXPECT_EQ(bytes_of(dir.file("b.net")), bytes_of(original)) << name;
  }
}

TEST(pss_net, dump_refuses_what_the_reader_refuses) {
  test::temp_dir dir;
  std::vector<uint8_t> bytes = test::net_bytes(test::data_text("oscillator.txt"));
  bytes.resize(bytes.size() - 3);
  test::write_bytes(dir.file("cut.net"), bytes);
  const auto result = run_process(PSS_NET_EXE, {"dump", dir.file("cut.net")}, "");
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err,
            "error, read_network: nodelist node count 3 at byte 1113 is more than the rest of "
            "the file can hold\n");
}

TEST(pss_net, build_reports_the_line_of_a_text_error_and_writes_nothing) {
  struct row {
    const char* text;
    const char* message;
  };
  const row rows[] = {
      {"circuit\nplanes x\n", "2: error: expected a 32-bit integer, got x"},
      {"circuit\n  node 1\n", "2: error: node 1 out of order: the next node record is position 0"},
      {"circuit\n  frobnicate 2\n", "2: error: unknown keyword frobnicate"},
      {"circuit\n node 0\n neighbour 0\n conection 0 \"a 1\n", "4: error: unterminated name"},
      {"circuit\n node 0\n neighbour 0\n conection 0 \"\\q\" 1\n", "4: error: bad escape"},
      {"circuit\n dvar 0 1\n", "2: error: dvar outside a global or group"},
      {"circuit\n global 20\n", "error: global 20 has no dvar"},
      {"ignored_byte 300\n", "1: error: ignored_byte must be 0 to 255"},
      {"planes 1\n", "1: error: planes outside a circuit"},
      {"# nothing\n", "error: no circuit"},
  };
  for (const row& r : rows) {
    test::temp_dir dir;
    std::ofstream(dir.file("t.txt")) << r.text;
    const auto result =
        run_process(PSS_NET_EXE, {"build", dir.file("t.txt"), "-o", dir.file("t.net")}, "");
    EXPECT_EQ(result.status, 1) << r.text;
    EXPECT_NE(result.err.find(dir.file("t.txt") + ":"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(r.message), std::string::npos) << result.err;
    EXPECT_FALSE(test::file_exists(dir.file("t.net"))) << r.text;
  }
}

TEST(pss_net, explains_its_use) {
  const auto help = run_process(PSS_NET_EXE, {"--help"}, "");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("usage: pss-net dump JOB.net"), std::string::npos);
  for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                               {"frob"},
                                               {"dump"},
                                               {"build", "a.txt"},
                                               {"build", "a", "b", "c"}}) {
    const auto result = run_process(PSS_NET_EXE, args, "");
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("usage: pss-net"), std::string::npos);
  }
  const auto missing = run_process(PSS_NET_EXE, {"dump", "/nonexistent/x.net"}, "");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "pss-net: cannot read /nonexistent/x.net\n");
}

}  // namespace
}  // namespace pss
