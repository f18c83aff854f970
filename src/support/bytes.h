// Little-endian fields of the binary files (network and state files): 32-bit
// signed integers, IEEE 754 doubles and single bytes, without padding.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pss {

inline int32_t load_i32(const uint8_t* p) {
  const uint32_t u =
      uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
  return static_cast<int32_t>(u);
}

inline double load_f64(const uint8_t* p) {
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = u << 8 | p[i];
  return std::bit_cast<double>(u);
}

// Appends fields to a growing byte buffer.
struct byte_writer {
  std::vector<uint8_t> bytes;

  void u8(uint8_t v) { bytes.push_back(v); }
  void i32(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
  }
  void f64(double v) {
    const auto u = std::bit_cast<uint64_t>(v);
    for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
  }
  void raw(std::string_view s) { bytes.insert(bytes.end(), s.begin(), s.end()); }
};

}  // namespace pss
