#include "services/file_replace.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cwchar>
#include <string>

#include "services/system_path_win32.h"

namespace rk {
namespace {

constexpr std::size_t kMaxName = 255;
constexpr std::wstring_view kSuffix = L".rufkartei.tmp";

// The name beside `target` its new content has until it is complete. It depends on the target
// alone, so the next write of the same target takes over what a killed writer left there.
std::wstring TemporaryName(const std::wstring& target) {
  const std::size_t slash = target.find_last_of(L'\\');
  const std::wstring folder = target.substr(0, slash + 1);
  std::wstring name = target.substr(slash + 1);
  if (1 + name.size() + kSuffix.size() > kMaxName) {
    // Too long for one file name: a shortened name with a hash of the whole one.
    std::uint64_t hash = 14695981039346656037ull;
    for (const wchar_t c : name) hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    wchar_t digits[17];
    std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(hash));
    name = name.substr(0, 200) + L"-" + digits;
  }
  return folder + L"." + name + std::wstring(kSuffix);
}

// An open handle as a descriptor of the C runtime, which then closes it; invalid on failure.
FileDescriptor AsDescriptor(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) return {};
  const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (descriptor < 0) ::CloseHandle(handle);
  return FileDescriptor(descriptor);
}

HANDLE HandleOf(const FileDescriptor& file) { return reinterpret_cast<HANDLE>(::_get_osfhandle(file.get())); }

}  // namespace

bool FileReplacement::Begin(const std::filesystem::path& target) {
  Discard();
  if (target.empty()) return false;
  const std::wstring resolved = SystemPath(target);
  if (resolved.empty() || resolved.back() == L'\\') return false;
  const FileWriting existing = CheckFileWriting(resolved);
  if (existing == FileWriting::kRefused) return false;
  replacing_ = existing == FileWriting::kAllowed;
  target_ = resolved;
  temporary_ = TemporaryName(resolved);
  // No other writer may open the temporary file while it is written; one a killed writer left
  // is overwritten.
  file_ = AsDescriptor(::CreateFileW(temporary_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (file_.valid()) {
    mode_ = Mode::kNamed;
    return true;
  }
  if (replacing_ && ::GetLastError() == ERROR_ACCESS_DENIED) {
    // The folder takes no new file, but the file itself may be written: it is rewritten.
    file_ = AsDescriptor(::CreateFileW(resolved.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_.valid() && ::GetFileType(HandleOf(file_)) == FILE_TYPE_DISK) {
      mode_ = Mode::kInPlace;
      return true;
    }
  }
  Discard();
  return false;
}

bool FileReplacement::Write(std::string_view bytes) {
  if (!file_.valid() || !WriteAll(file_.get(), bytes)) return false;
  written_ += bytes.size();
  return true;
}

bool FileReplacement::Commit() {
  if (mode_ == Mode::kNone) return false;
  // Before a good file is replaced, the new content must be on the disk: after a crash the
  // target then holds either the old or the whole new content, never a cut-off file.
  bool done = !replacing_ || ::FlushFileBuffers(HandleOf(file_));
  // The temporary file is closed first: a file open without shared deletion cannot be moved.
  done = file_.Close() && done;
  if (done && mode_ == Mode::kNamed) {
    done = ::MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (done) mode_ = Mode::kInPlace;  // the content has the target's name now
  }
  Discard();
  return done;
}

void FileReplacement::Discard() {
  file_.Close();
  if (mode_ == Mode::kNamed) ::DeleteFileW(temporary_.c_str());
  mode_ = Mode::kNone;
  replacing_ = false;
  written_ = 0;
  writebackFrom_ = 0;
  target_.clear();
  temporary_.clear();
}

namespace detail {
// Windows has no unnamed files: every write takes a named temporary file anyway.
void SetUnnamedTemporaryFiles(bool) {}
}  // namespace detail

}  // namespace rk
