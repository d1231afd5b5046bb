#pragma once
// Opening a file for reading that never blocks: only an existing regular file is opened.

#include <cstdint>
#include <filesystem>

#include "services/file_descriptor.h"
#include "services/file_io.h"

namespace rk {

// Opens `path` for reading when it names an existing regular file, and gives its size. A FIFO,
// socket or device is refused before anything could wait on it (no writer, no medium): the
// open does not block and the file kind is checked before the first read. Invalid on failure.
[[nodiscard]] FileDescriptor OpenRegularFile(const std::filesystem::path& path, std::uint64_t& size);

// A regular file open for reading, read to its end through ReadSome.
class FileSource final : public ByteSource {
 public:
  // Opens `path` as OpenRegularFile does; valid() tells whether it was opened.
  FileSource(const std::filesystem::path& path, std::uint64_t& size) : file_(OpenRegularFile(path, size)) {}
  bool valid() const { return file_.valid(); }
  std::int64_t Read(std::span<char> buffer) override { return ReadSome(file_.get(), buffer); }

 private:
  FileDescriptor file_;
};

}  // namespace rk
