// Networks for tests, written in the text form of pss-net.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "model/circuit.h"
#include "model/net_file.h"

namespace pss::test {

// The text of a file under tests/data.
std::string data_text(const std::string& name);

// The parsed fields of a text form; fails the test on a text error.
net_file net_from_text(const std::string& text);

// The bytes of the network file a text form describes.
std::vector<uint8_t> net_bytes(const std::string& text);

// Reads the network a text form describes with the solver's reader.
void read_text_network(network& net, const std::string& text);

// Writes bytes to a file.
void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace pss::test
