#pragma once
// Replacing a file safely: the new content goes to a temporary file in the target's folder and
// takes the target's place only once it is complete, so that the target holds its old or its
// whole new content, whenever the writer fails or is killed.

#include <cstdint>
#include <filesystem>
#include <string_view>

#include "services/file_descriptor.h"
#include "services/file_io.h"

namespace rk {

// The new content of one file while it is written. The temporary file is unnamed where the
// file system offers that (nothing is left if the process dies); elsewhere it has a name made
// from the target's, which the next write of the same target takes over when a killed writer
// left it. Nothing is left behind on any failure.
class FileReplacement final : public ByteSink {
 public:
  FileReplacement() = default;
  ~FileReplacement() override { Discard(); }
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  // Starts the new content of `target`. A symbolic link is followed: the link stays and the file
  // it names gets the content. False when the target is not a regular file, is a file the user
  // may not write, or when neither a temporary file nor (in a folder that takes no new file)
  // the existing file itself can take the content.
  [[nodiscard]] bool Begin(const std::filesystem::path& target);

  // True between a successful Begin and the Commit or Discard.
  bool begun() const { return file_.valid(); }

  // Writes all of `bytes`; false on any failure. When a file is replaced, the system is asked
  // to start writing each few MiB to the disk at once, so that Commit's flush has only the last
  // part left to wait for.
  [[nodiscard]] bool Write(std::string_view bytes) override;

  // Flushes the content to the disk when it replaces a file and puts it in the target's place;
  // false on any failure, after which no temporary file is left.
  [[nodiscard]] bool Commit();

  // Drops the new content; the target stays as it was (unless it was being rewritten in place).
  void Discard();

 private:
  enum class Mode { kNone, kUnnamed, kNamed, kInPlace };

  Mode mode_ = Mode::kNone;
  bool replacing_ = false;       // an existing file's old content is at stake
  std::uint64_t written_ = 0;     // bytes in the new file
  std::uint64_t writebackFrom_ = 0;  // first byte whose writeback was not started yet
  FileDescriptor file_;
  std::filesystem::path target_;     // the file that gets the content, links resolved
  std::filesystem::path temporary_;  // the name the content has before it takes the target's place
};

namespace detail {
// Tests: false makes every write take a named temporary file, as on a file system without
// unnamed ones.
void SetUnnamedTemporaryFiles(bool allowed);
}  // namespace detail

}  // namespace rk
