#include "services/file_read.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "services/system_path_win32.h"

namespace rk {

FileDescriptor OpenRegularFile(const std::filesystem::path& path, std::uint64_t& size) {
  size = 0;
  const std::wstring name = SystemPath(path);
  if (name.empty()) return {};
  // Another program may keep the file open for writing; it is read as it is, as on Linux.
  const HANDLE handle = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return {};
  // A console, NUL, a pipe or a device is refused before a read could wait on it. A folder
  // cannot be opened this way at all.
  LARGE_INTEGER length{};
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileSizeEx(handle, &length) || length.QuadPart < 0) {
    ::CloseHandle(handle);
    return {};
  }
  const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY | _O_BINARY);
  if (descriptor < 0) {
    ::CloseHandle(handle);
    return {};
  }
  size = static_cast<std::uint64_t>(length.QuadPart);
  return FileDescriptor(descriptor);
}

}  // namespace rk
