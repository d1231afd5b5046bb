#pragma once
// Opening a file for reading that never blocks: only an existing regular file is opened.

#include <cstdint>
#include <filesystem>

#include "services/file_descriptor.h"

namespace rk {

// Opens `path` for reading when it names an existing regular file, and gives its size. A FIFO,
// socket or device is refused before anything could wait on it (no writer, no medium): the
// open does not block and the file kind is checked before the first read. Invalid on failure.
FileDescriptor OpenRegularFile(const std::filesystem::path& path, std::uint64_t& size);

}  // namespace rk
