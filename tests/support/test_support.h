#pragma once
// Helpers for tests: a temporary folder that removes itself, file bytes in and out, a check
// run as an unprivileged user.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace rk::test {

// A fresh, empty folder under the system's temporary folder; removed with everything in it.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Path of a file inside the folder.
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The whole content of a file as bytes; empty when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

// Writes the bytes to a file, replacing it.
void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes);

// Path of a file under tests/data.
std::filesystem::path DataFile(std::string_view relative);

#if !defined(_WIN32)
// Runs `check` in a child process as the user nobody, since root may write anything (a test
// run by another user keeps that user, who has no privileges to shed); the child's result
// (0 to 125), or -1 when it could not run. Call it where no other thread is running.
int RunUnprivileged(const std::function<int()>& check);
#endif

}  // namespace rk::test
