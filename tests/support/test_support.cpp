#include "support/test_support.h"

#if !defined(_WIN32)
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

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

// Windows has no user to switch to by fork; its permission cases are tests of their own.
#if !defined(_WIN32)
int RunUnprivileged(const std::function<int()>& check) {
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) return -1;
  const uid_t user = nobody->pw_uid;
  const gid_t group = nobody->pw_gid;
  const pid_t child = ::fork();
  if (child < 0) return -1;
  if (child == 0) {
    if (::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(group) != 0 || ::setuid(user) != 0)) {
      ::_exit(126);
    }
    ::_exit(check());
  }
  int status = 0;
  if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  const int result = WEXITSTATUS(status);
  return result >= 126 ? -1 : result;
}
#endif

}  // namespace rk::test
