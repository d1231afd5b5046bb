#include "services/settings.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "services/text.h"

namespace rk {
namespace {

enum class EntryKind { kKey, kGroup, kComment };

// One line of the file: a key with its value, a group name, or a comment text (all UTF-8).
struct Entry {
  EntryKind kind = EntryKind::kKey;
  std::string text;   // the key, the group name or the comment
  std::string value;  // key entries only
};

// A file descriptor that is closed with its owner.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int descriptor) : descriptor_(descriptor) {}
  ~FileHandle() { Close(); }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;

  int get() const { return descriptor_; }
  bool valid() const { return descriptor_ >= 0; }
  // Closes the descriptor; false when the close reported an error (a lost write).
  bool Close() {
    return descriptor_ < 0 || ::close(std::exchange(descriptor_, -1)) == 0;
  }
  void Reset(int descriptor) {
    Close();
    descriptor_ = descriptor;
  }

 private:
  int descriptor_ = -1;
};

// A temporary file beside the settings file; Commit renames it over the settings file, so the
// settings file is always either the old one or the complete new one. Removed unless committed.
// Where no file can be made beside it (a write-protected folder holding a writable settings
// file), the settings file itself is rewritten in place instead.
class PendingFile {
 public:
  PendingFile() = default;
  ~PendingFile() { Discard(); }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  bool IsOpen() const { return file_.valid(); }

  // Creates the temporary file for `target` (or opens `target` itself when only it is writable);
  // false when neither can be written, in which case nothing was created.
  bool Create(const std::filesystem::path& target) {
    Discard();
    struct stat existing {};
    const bool exists = ::stat(target.c_str(), &existing) == 0;
    // A write-protected settings file stays as it is, as it would if it were rewritten in place.
    if (exists && ::access(target.c_str(), W_OK) != 0) return false;
    // The process id and a counter make a name no other writer uses at the same time.
    for (int attempt = 0; attempt < 100; ++attempt) {
      temp_ = target;
      temp_ += ".";
      temp_ += std::to_string(::getpid());
      temp_ += "-";
      temp_ += std::to_string(attempt);
      temp_ += ".tmp";
      const int descriptor = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (descriptor >= 0) {
        file_.Reset(descriptor);
        break;
      }
      if (errno != EEXIST) break;
    }
    if (!file_.valid()) {
      const int failure = errno;
      temp_.clear();
      if (!exists || (failure != EACCES && failure != EPERM)) return false;
      const int descriptor = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
      if (descriptor < 0) return false;
      file_.Reset(descriptor);
      target_ = target;
      return true;
    }
    target_ = target;
    // The new file keeps the access rights of the one it replaces.
    if (exists) ::fchmod(file_.get(), existing.st_mode & 07777);
    return true;
  }

  // Writes `bytes` to the temporary file, flushes it to disk and puts it in the target's place.
  bool Commit(std::string_view bytes) {
    if (!file_.valid()) return false;
    if (temp_.empty()) return RewriteInPlace(bytes);
    bool complete = WriteAll(file_.get(), bytes) && ::fsync(file_.get()) == 0;
    complete = file_.Close() && complete;
    if (!complete || std::rename(temp_.c_str(), target_.c_str()) != 0) {
      Discard();
      return false;
    }
    temp_.clear();
    SyncFolder(target_);
    return true;
  }

  // Closes and removes the temporary file, if any.
  void Discard() {
    file_.Close();
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
  }

 private:
  static bool WriteAll(int descriptor, std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t written = ::write(descriptor, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
  }

  // Overwrites the settings file opened in place and cuts it to the new length.
  bool RewriteInPlace(std::string_view bytes) {
    bool complete = WriteAll(file_.get(), bytes) &&
                    ::ftruncate(file_.get(), static_cast<off_t>(bytes.size())) == 0 &&
                    ::fsync(file_.get()) == 0;
    return file_.Close() && complete;
  }

  // Makes the rename itself durable; a failure here leaves a correct file, so it is ignored.
  static void SyncFolder(const std::filesystem::path& target) {
    std::filesystem::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    const FileHandle handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (handle.valid()) ::fsync(handle.get());
  }

  FileHandle file_;
  std::filesystem::path temp_;
  std::filesystem::path target_;
};

// The open settings file. `active` is set while a path is held, even when the file could not
// be read, so that writes still reach a new file at that path.
struct SettingsState {
  bool active = false;
  std::filesystem::path path;
  int options = 0;
  bool modified = false;
  std::vector<Entry> entries;
};

thread_local SettingsState state;
thread_local PendingFile pending;

constexpr std::string_view kBlanks = " \t";

std::string_view TrimLeft(std::string_view text, std::string_view blanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string_view TrimRight(std::string_view text, std::string_view blanks) {
  const std::size_t last = text.find_last_not_of(blanks);
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

// The whole file, or false when it cannot be opened or read.
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
  const FileHandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!file.valid()) return false;
  char buffer[4096];
  for (;;) {
    const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return false;
    if (count == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(count));
  }
}

// The file's text as UTF-8: after a byte order mark it already is; otherwise it is ISO-8859-1.
std::string DecodeFile(std::string_view bytes) {
  if (bytes.size() > 2 && bytes.substr(0, 3) == "\xEF\xBB\xBF") return std::string(bytes.substr(3));
  std::string text;
  text.reserve(bytes.size());
  for (const char byte : bytes) {
    const auto code = static_cast<unsigned char>(byte);
    if (code < 0x80) {
      text.push_back(byte);
    } else {
      text.push_back(static_cast<char>(0xC0 | (code >> 6)));
      text.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return text;
}

// Adds the entry of one line; lines holding only blanks are left out like empty lines.
void ParseLine(std::string_view line, std::vector<Entry>& entries) {
  line = TrimLeft(line, kBlanks);
  if (line.empty()) return;
  if (line.front() == ';') {
    line.remove_prefix(1);
    if (!line.empty() && line.front() == ' ') line.remove_prefix(1);
    entries.push_back({EntryKind::kComment, std::string(line), {}});
  } else if (line.front() == '[') {
    line.remove_prefix(1);
    entries.push_back({EntryKind::kGroup, std::string(line.substr(0, line.find(']'))), {}});
  } else {
    // A key without "=" gets an empty value; the next line stays a line of its own.
    const std::size_t equals = line.find('=');
    const std::string_view value =
        equals == std::string_view::npos ? std::string_view{} : TrimLeft(line.substr(equals + 1), kBlanks);
    entries.push_back({EntryKind::kKey, std::string(TrimRight(line.substr(0, equals), kBlanks)),
                       std::string(value)});
  }
}

// Splits the text at runs of CR and LF and parses each line.
std::vector<Entry> ParseText(std::string_view text) {
  std::vector<Entry> entries;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of("\r\n");
    ParseLine(text.substr(0, end), entries);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end);
    text = TrimLeft(text, "\r\n");
  }
  return entries;
}

bool EqualIgnoringCase(std::string_view left, std::string_view right) {
  if (left.size() != right.size()) return false;
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (std::size_t i = 0; i < left.size(); ++i) {
    if (lower(left[i]) != lower(right[i])) return false;
  }
  return true;
}

// Index of the key entry in the top-level section (the lines before the first group line).
std::size_t FindKey(std::string_view key) {
  for (std::size_t i = 0; i < state.entries.size(); ++i) {
    const Entry& entry = state.entries[i];
    if (entry.kind == EntryKind::kGroup) break;
    if (entry.kind == EntryKind::kKey && EqualIgnoringCase(entry.text, key)) return i;
  }
  return std::string::npos;
}

// Index of the first group line, where a new key of the top-level section goes.
std::size_t SectionEnd() {
  std::size_t i = 0;
  while (i < state.entries.size() && state.entries[i].kind != EntryKind::kGroup) ++i;
  return i;
}

// UTF-8 of a key or value without CR and LF, which would split its line and change the file.
std::string LineText(std::u16string_view text) {
  std::string bytes = ToUtf8(text);
  std::erase_if(bytes, [](char c) { return c == '\r' || c == '\n'; });
  return bytes;
}

std::string AssembleFile() {
  std::string bytes = "\xEF\xBB\xBF\r\n";
  bool firstGroup = true;
  for (const Entry& entry : state.entries) {
    switch (entry.kind) {
      case EntryKind::kKey:
        bytes += entry.text;
        bytes += (state.options & kSettingsNoSpaces) != 0 ? "=" : " = ";
        bytes += entry.value;
        break;
      case EntryKind::kGroup:
        if ((state.options & kSettingsGroupGap) != 0 && !firstGroup) bytes += "\r\n";
        firstGroup = false;
        bytes += "[" + entry.text + "]";
        break;
      case EntryKind::kComment:
        bytes += "; " + entry.text;
        break;
    }
    bytes += "\r\n";
  }
  return bytes;
}

}  // namespace

int OpenSettings(std::u16string_view path, int options) {
  CloseSettings();
  state.active = true;
  state.path = ToOsPath(path);
  state.options = options;
  std::string bytes;
  if (!ReadWholeFile(state.path, bytes)) return 0;
  state.entries = ParseText(DecodeFile(bytes));
  return 1;
}

std::u16string ReadSettingString(std::u16string_view key, std::u16string_view fallback) {
  const std::size_t at = FindKey(ToUtf8(key));
  if (at == std::string::npos) return std::u16string(fallback);
  return FromUtf8(TrimRight(TrimLeft(state.entries[at].value, kBlanks), kBlanks));
}

std::int32_t ReadSettingInteger(std::u16string_view key, std::int32_t fallback) {
  const std::size_t at = FindKey(ToUtf8(key));
  if (at == std::string::npos) return fallback;
  std::string_view text = TrimLeft(state.entries[at].value, " \t\v\f");
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  // Collected in a wider type and held at one past the 32-bit range, so long digit runs saturate.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t magnitude = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    magnitude = std::min(magnitude * 10 + (c - '0'), kLimit);
  }
  const std::int64_t value = negative ? -magnitude : std::min(magnitude, kLimit - 1);
  return static_cast<std::int32_t>(value);
}

int CreateSettings(std::u16string_view path, int options) {
  CloseSettings();
  const std::filesystem::path target = ToOsPath(path);
  if (!pending.Create(target)) return 0;
  state.active = true;
  state.path = target;
  state.options = options;
  // An empty new file is still written on close.
  state.modified = true;
  return 1;
}

void WriteSettingString(std::u16string_view key, std::u16string_view value) {
  if (!state.active) return;
  std::string keyText = LineText(key);
  std::string valueText = LineText(value);
  const std::size_t at = FindKey(keyText);
  if (at != std::string::npos) {
    state.entries[at].text = std::move(keyText);
    state.entries[at].value = std::move(valueText);
  } else {
    state.entries.insert(state.entries.begin() + static_cast<std::ptrdiff_t>(SectionEnd()),
                         Entry{EntryKind::kKey, std::move(keyText), std::move(valueText)});
  }
  state.modified = true;
}

void WriteSettingInteger(std::u16string_view key, std::int32_t value) {
  WriteSettingString(key, DecimalText(value));
}

int CloseSettings() {
  bool written = false;
  if (state.active && state.modified) {
    // A file that was opened (or could not be) gets its temporary file only now.
    if (pending.IsOpen() || pending.Create(state.path)) written = pending.Commit(AssembleFile());
  }
  pending.Discard();
  state = SettingsState{};
  return written ? 1 : 0;
}

}  // namespace rk
