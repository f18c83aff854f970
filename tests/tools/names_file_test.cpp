#include "tools/common/names_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "support/process.h"

namespace pss {
namespace {

TEST(names_file, reads_back_what_it_writes_and_refuses_malformed_lines) {
  test::temp_dir dir;
  names_file names;
  names.nodes = {"0", "in", "", "L1#sense"};
  names.elements = {"V1", "R1"};
  std::ofstream(dir.file("a.names")) << names_text(names);
  names_file back;
  std::string error;
  ASSERT_TRUE(read_names(dir.file("a.names"), back, error)) << error;
  EXPECT_EQ(back.nodes, names.nodes);
  EXPECT_EQ(back.elements, names.elements);

  std::ofstream(dir.file("b.names")) << "node 1 in\nnode x y\n";
  EXPECT_FALSE(read_names(dir.file("b.names"), back, error));
  EXPECT_EQ(error, dir.file("b.names") + ":2: malformed line");
  EXPECT_FALSE(read_names(dir.file("missing.names"), back, error));
}

// Element lines may give the element's two nodes, as the compiler writes
// them, or leave them out, as older files do.
TEST(names_file, element_lines_carry_their_nodes_or_none) {
  test::temp_dir dir;
  names_file names;
  names.nodes = {"0", "in", "out"};
  names.elements = {"V1", "R1"};
  names.element_nodes = {{1, 0}, {1, 2}};
  const std::string text = names_text(names);
  EXPECT_NE(text.find("element R1 1 2\n"), std::string::npos) << text;
  std::ofstream(dir.file("a.names")) << text << "element C1\n";
  names_file back;
  std::string error;
  ASSERT_TRUE(read_names(dir.file("a.names"), back, error)) << error;
  EXPECT_EQ(back.elements, (std::vector<std::string>{"V1", "R1", "C1"}));
  EXPECT_EQ(back.element_nodes, (std::vector<std::array<int32_t, 2>>{{1, 0}, {1, 2}, {-1, -1}}));
  for (const char* bad : {"element R1 1\n", "element R1 1 x\n", "element R1 1 2 3\n",
                          "element R1 -1 2\n"}) {
    std::ofstream(dir.file("b.names")) << bad;
    EXPECT_FALSE(read_names(dir.file("b.names"), back, error)) << bad;
  }
}

}  // namespace
}  // namespace pss
