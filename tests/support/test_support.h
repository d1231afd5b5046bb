#pragma once
// Helpers for tests: a temporary folder that removes itself, file bytes in and out.

#include <filesystem>
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

}  // namespace rk::test
