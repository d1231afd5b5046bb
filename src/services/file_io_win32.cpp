#include "services/file_io.h"

#include <io.h>
#include <windows.h>

#include <algorithm>

namespace rk {
namespace {

// ReadFile and WriteFile count in 32 bits; larger spans go in steps of this size.
constexpr std::size_t kMaxStep = std::size_t{1} << 30;

HANDLE HandleOf(int descriptor) { return reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor)); }

}  // namespace

std::int64_t ReadSome(int descriptor, std::span<char> buffer) {
  const HANDLE handle = HandleOf(descriptor);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  DWORD count = 0;
  const auto wanted = static_cast<DWORD>(std::min(buffer.size(), kMaxStep));
  if (!::ReadFile(handle, buffer.data(), wanted, &count, nullptr)) {
    // The writer of a pipe closed its end: that is the end of the data, as on Linux.
    return ::GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
  }
  return count;
}

bool WriteAll(int descriptor, std::string_view bytes) {
  const HANDLE handle = HandleOf(descriptor);
  if (handle == INVALID_HANDLE_VALUE) return false;
  while (!bytes.empty()) {
    DWORD written = 0;
    const auto step = static_cast<DWORD>(std::min(bytes.size(), kMaxStep));
    if (!::WriteFile(handle, bytes.data(), step, &written, nullptr) || written == 0) return false;
    bytes.remove_prefix(written);
  }
  return true;
}

}  // namespace rk
