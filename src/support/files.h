// Whole-file input and crash-safe output.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace pss {

// Reads the rest of an open stream. Returns false on a read error.
bool read_stream(std::FILE* stream, std::vector<uint8_t>& bytes);

// Reads a whole file. Returns false when it cannot be opened or read.
bool read_file(const std::string& path, std::vector<uint8_t>& bytes);

// Writes `bytes` to a temporary file next to `path`, syncs it to the disk,
// renames it into place and syncs the folder, so that `path` holds either
// its earlier content or the whole new content, never a part, even after a
// power cut. On failure before the rename the temporary file is removed,
// `path` is untouched, `error` says why and the result is false; a folder
// that cannot be synced after the rename also gives false, with `path`
// already holding the whole new content.
bool write_file_atomically(const std::string& path, const std::vector<uint8_t>& bytes,
                           std::string& error);

// The same for content that `write_content` writes into the open temporary
// file a piece at a time; it returns false when a write fails. Its writes
// are one step of the write, as the bytes' single write is.
bool write_file_atomically(const std::string& path,
                           const std::function<bool(std::FILE*)>& write_content,
                           std::string& error);

}  // namespace pss
