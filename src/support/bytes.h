// Little-endian fields of the binary files (network and state files): 32-bit
// signed integers, IEEE 754 doubles and single bytes, without padding.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
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

// Stores `u` at `p` least significant byte first: on a little-endian
// machine as one copy of its bytes rather than byte by byte.
template <class unsigned_type>
void store_little_endian(uint8_t* p, unsigned_type u) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(p, &u, sizeof u);
  } else {
    for (std::size_t i = 0; i < sizeof u; ++i) p[i] = static_cast<uint8_t>(u >> (8 * i));
  }
}

// Appends fields to a growing byte buffer.
struct byte_writer {
  std::vector<uint8_t> bytes;

  void u8(uint8_t v) { bytes.push_back(v); }
  void i32(int32_t v) { put(static_cast<uint32_t>(v)); }
  void f64(double v) { put(std::bit_cast<uint64_t>(v)); }
  void raw(std::string_view s) { bytes.insert(bytes.end(), s.begin(), s.end()); }

 private:
  template <class unsigned_type>
  void put(unsigned_type u) {
    uint8_t field[sizeof u];
    store_little_endian(field, u);
    bytes.insert(bytes.end(), field, field + sizeof u);
  }
};

// Writes fields into a buffer sized beforehand. A state file of a large
// circuit holds millions of fields, each stored in its place without the
// growing buffer's checks.
struct byte_filler {
  uint8_t* at;

  void i32(int32_t v) { put(static_cast<uint32_t>(v)); }
  void f64(double v) { put(std::bit_cast<uint64_t>(v)); }

 private:
  template <class unsigned_type>
  void put(unsigned_type u) {
    store_little_endian(at, u);
    at += sizeof u;
  }
};

}  // namespace pss
