// Whole-file input and crash-safe output.
#pragma once

#include <cstdint>
#include <cstdio>
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

}  // namespace pss
