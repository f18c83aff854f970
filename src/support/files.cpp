#include "support/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>

#include "support/write_faults.h"

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

namespace {

// One step of the write, done unless the seam fails it in its place, as
// the system would have: a failed rename leaves the old name untouched.
template <typename action>
bool step(action act, std::string& error) {
  const int injected = injected_write_fault();
  if (injected != 0) {
    error = std::strerror(injected);
    return false;
  }
  const bool done = act();
  if (!done) error = std::strerror(errno);
  return done;
}

// Makes the rename itself durable: the folder's entry reaches the disk.
bool sync_folder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return false;
  // A file system that cannot sync a folder (EINVAL) keeps no journal of
  // it to lose: nothing more can be done there, and the write stands.
  const bool ok = ::fsync(fd) == 0 || errno == EINVAL;
  ::close(fd);
  return ok;
}

}  // namespace

bool write_file_atomically(const std::string& path,
                           const std::function<bool(std::FILE*)>& write_content,
                           std::string& error) {
  // The process id keeps two jobs writing the same name from sharing a
  // temporary file.
  const std::string temporary = path + ".tmp" + std::to_string(::getpid());
  std::FILE* stream = std::fopen(temporary.c_str(), "wb");
  if (stream == nullptr) {
    error = std::strerror(errno);
    return false;
  }
  // The content reaches the disk before the rename, so that after a power
  // cut the name holds the old content or the whole new one, never an
  // empty or partial file that the rename had already published.
  bool ok = step([&] { return write_content(stream); }, error);
  ok = ok && step([&] { return std::fflush(stream) == 0; }, error);
  ok = ok && step([&] { return ::fsync(::fileno(stream)) == 0; }, error);
  // The stream is closed whatever failed before; only its outcome is a step.
  const bool closed = std::fclose(stream) == 0;
  ok = ok && step([&] { return closed; }, error);
  ok = ok && step([&] { return std::rename(temporary.c_str(), path.c_str()) == 0; }, error);
  if (!ok) {
    std::remove(temporary.c_str());
    return false;
  }
  // The new content is in place; a folder that cannot be synced still
  // reports failure, as the rename might not survive a power cut.
  return step([&] { return sync_folder(path); }, error);
}

bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string& error) {
  return write_file_atomically(
      path,
      [&](std::FILE* stream) {
        return std::fwrite(bytes.data(), 1, bytes.size(), stream) == bytes.size();
      },
      error);
}

}  // namespace pss
