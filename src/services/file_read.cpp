#include "services/file_read.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace rk {

FileDescriptor OpenRegularFile(const std::filesystem::path& path, std::uint64_t& size) {
  size = 0;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!file.valid()) return {};
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0) return {};
  // Reads of a regular file never wait anyway; the flag goes so the descriptor behaves as usual.
  const int flags = ::fcntl(file.get(), F_GETFL);
  if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return {};
  size = static_cast<std::uint64_t>(status.st_size);
  return file;
}

}  // namespace rk
