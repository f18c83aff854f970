#include "support/files.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pss {

bool read_stream(std::FILE* stream, std::vector<uint8_t>& bytes) {
  bytes.clear();
  uint8_t chunk[65536];
  for (;;) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, stream);
    bytes.insert(bytes.end(), chunk, chunk + got);
    if (got < sizeof chunk) return std::ferror(stream) == 0;
  }
}

bool read_file(const std::string& path, std::vector<uint8_t>& bytes) {
  std::FILE* stream = std::fopen(path.c_str(), "rb");
  if (stream == nullptr) return false;
  const bool ok = read_stream(stream, bytes);
  std::fclose(stream);
  return ok;
}

bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string& error) {
  // The process id keeps two jobs writing the same name from sharing a
  // temporary file.
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  std::FILE* stream = std::fopen(temporary.c_str(), "wb");
  if (stream == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
  if (!ok) error = std::strerror(errno);
  if (std::fflush(stream) != 0 && ok) {
    ok = false;
    error = std::strerror(errno);
  }
  if (std::fclose(stream) != 0 && ok) {
    ok = false;
    error = std::strerror(errno);
  }
  if (ok && std::rename(temporary.c_str(), path.c_str()) != 0) {
    ok = false;
    error = std::strerror(errno);
  }
  if (!ok) std::remove(temporary.c_str());
  return ok;
}

}  // namespace pss
