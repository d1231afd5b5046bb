#include "services/folders.h"

#include <windows.h>

#include <filesystem>
#include <string>

#include "services/system_path_win32.h"
#include "services/text.h"

namespace rk {
namespace {

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// True when a new file can be made at `path`; it is removed again on close.
bool CanMakeFile(const std::wstring& path) {
  if (path.empty()) return false;
  const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
}

}  // namespace

std::u16string ProgramFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    // A name that fills the buffer may have been cut off: it is asked for again in a larger one.
    if (length < name.size()) {
      name.resize(length);
      break;
    }
    if (name.size() >= 32768) return {};
    name.resize(name.size() * 2);
  }
  return std::u16string(FolderPart(FromOsPath(std::filesystem::path(name))));
}

bool MayWriteFile(std::u16string_view folder, std::u16string_view name) {
  if (folder.empty()) return false;
  // Windows has no "may write" question for a folder that a program can trust (its read-only
  // flag means something else): a new, hidden file that is removed on close answers it.
  const std::u16string probe = std::u16string(folder) + u".rufkartei-" + DecimalText(::GetCurrentProcessId()) + u".tmp";
  if (CanMakeFile(SystemPath(ToOsPath(probe)))) return true;
  const std::u16string file = std::u16string(folder) + std::u16string(name);
  return CheckFileWriting(SystemPath(ToOsPath(file))) == FileWriting::kAllowed;
}

bool MakeFolders(std::u16string_view folder) {
  if (folder.empty()) return false;
  const std::wstring target = SystemPath(ToOsPath(folder));
  if (target.empty()) return false;
  if (IsFolder(target)) return true;
  // Each missing folder from the top down, at every "\" of the whole path. Steps that are no
  // folder of their own (the "\\?\" prefix, a drive, a server) fail to be made and are passed
  // over; whether it all worked is the last folder's existence.
  for (std::size_t end = target.find(L'\\'); end != std::wstring::npos; end = target.find(L'\\', end + 1)) {
    const std::wstring step = target.substr(0, end);
    if (!step.empty() && step.back() != L'?' && !IsFolder(step)) ::CreateDirectoryW(step.c_str(), nullptr);
  }
  ::CreateDirectoryW(target.c_str(), nullptr);
  return IsFolder(target);
}

}  // namespace rk
