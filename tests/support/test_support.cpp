#include "support/test_support.h"

#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

#include "test_paths.h"

namespace rk::test {

TempFolder::TempFolder() {
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (;;) {
    path_ = std::filesystem::temp_directory_path() /
            ("rufkartei-test-" + std::to_string(random() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(path_, error)) break;
  }
}

TempFolder::~TempFolder() {
  std::error_code error;
  // Tests may take permissions away; give them back so the folder can be removed.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, error);
  std::filesystem::remove_all(path_, error);
}

std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::filesystem::path DataFile(std::string_view relative) {
  return std::filesystem::path(kTestData) / relative;
}

}  // namespace rk::test
