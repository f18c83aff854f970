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

}  // namespace
}  // namespace pss
