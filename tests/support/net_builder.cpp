#include "support/net_builder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "model/read_network.h"
#include "tools/pss_net/net_text.h"

namespace pss::test {

std::string data_text(const std::string& name) {
  std::ifstream in(std::string(PSS_SOURCE_DIR) + "/tests/data/" + name);
  EXPECT_TRUE(in.good()) << name;
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

net_file net_from_text(const std::string& text) {
  net_file file;
  std::string error;
  EXPECT_TRUE(text_to_net(text, file, error)) << error;
  return file;
}

std::vector<uint8_t> net_bytes(const std::string& text) {
  return write_network(net_from_text(text));
}

void read_text_network(network& net, const std::string& text) {
  read_network_bytes(net, net_bytes(text));
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace pss::test
