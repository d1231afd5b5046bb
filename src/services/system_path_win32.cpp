#include "services/system_path_win32.h"

#include <windows.h>

#include <string_view>

namespace rk {
namespace {

// The longest folder path CreateDirectoryW takes without the prefix (room for an 8.3 name).
constexpr std::size_t kPlainLimit = MAX_PATH - 12;

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::wstring SystemPath(const std::filesystem::path& path) {
  const std::wstring& given = path.native();
  if (given.empty()) return {};
  if (StartsWith(given, L"\\\\?\\")) return given;
  std::wstring full(given.size() + MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    if (length == 0) return {};
    if (length < full.size()) {
      full.resize(length);
      break;
    }
    full.resize(length);  // the size asked for, with its terminating zero
  }
  if (full.size() < kPlainLimit) return full;
  // "\\server\share\..." becomes "\\?\UNC\server\share\...", "C:\..." becomes "\\?\C:\...".
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

FileWriting CheckFileWriting(const std::wstring& path) {
  if (path.empty()) return FileWriting::kRefused;
  const HANDLE probe = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (probe == INVALID_HANDLE_VALUE) {
    return ::GetLastError() == ERROR_FILE_NOT_FOUND ? FileWriting::kMissing : FileWriting::kRefused;
  }
  const bool disk = ::GetFileType(probe) == FILE_TYPE_DISK;
  ::CloseHandle(probe);
  // The read-only flag is asked for as well: an administrator's open would pass it by.
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  const bool readOnly = attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  return disk && !readOnly ? FileWriting::kAllowed : FileWriting::kRefused;
}

}  // namespace rk
