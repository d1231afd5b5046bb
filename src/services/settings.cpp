#include "services/settings.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "services/file_read.h"
#include "services/file_replace.h"
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

// The open settings file. `active` is set while a path is held, even when the file could not
// be read, so that writes still reach a new file at that path.
struct SettingsState {
  bool active = false;
  std::filesystem::path path;
  int options = 0;
  bool modified = false;
  std::vector<Entry> entries;
};

// The open file and its new content, kept together in one thread-local object: MinGW-w64's
// emulated thread-local storage destroys a second such object at a wrong address when a thread
// ends that used only the first.
struct ThreadSettings {
  SettingsState state;
  // The new file begun by CreateSettings, or by CloseSettings for a file that was opened.
  FileReplacement pending;
};
thread_local ThreadSettings perThread;

// A settings file is a few lines; anything bigger is no settings file of this program, and
// reading it would cost start-up time and memory for nothing.
constexpr std::uint64_t kLargestFile = 1024 * 1024;

constexpr std::string_view kBlanks = " \t";

std::string_view TrimLeft(std::string_view text, std::string_view blanks) {
  const std::size_t first = text.find_first_not_of(blanks);
  return first == std::string_view::npos ? std::string_view{} : text.substr(first);
}

std::string_view TrimRight(std::string_view text, std::string_view blanks) {
  const std::size_t last = text.find_last_not_of(blanks);
  return last == std::string_view::npos ? std::string_view{} : text.substr(0, last + 1);
}

// The whole file, or false when it cannot be opened or read, is not a regular file or is
// larger than a settings file can be (also when it grows while it is read).
bool ReadWholeFile(const std::filesystem::path& path, std::string& bytes) {
  std::uint64_t size = 0;
  FileSource file(path, size);
  if (!file.valid() || size > kLargestFile) return false;
  bytes.reserve(static_cast<std::size_t>(size));
  char buffer[4096];
  for (;;) {
    const std::int64_t count = file.Read(buffer);
    if (count < 0) return false;
    if (count == 0) return true;
    bytes.append(buffer, static_cast<std::size_t>(count));
    if (bytes.size() > kLargestFile) return false;
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
  for (std::size_t i = 0; i < perThread.state.entries.size(); ++i) {
    const Entry& entry = perThread.state.entries[i];
    if (entry.kind == EntryKind::kGroup) break;
    if (entry.kind == EntryKind::kKey && EqualIgnoringCase(entry.text, key)) return i;
  }
  return std::string::npos;
}

// Index of the first group line, where a new key of the top-level section goes.
std::size_t SectionEnd() {
  std::size_t i = 0;
  while (i < perThread.state.entries.size() && perThread.state.entries[i].kind != EntryKind::kGroup) ++i;
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
  for (const Entry& entry : perThread.state.entries) {
    switch (entry.kind) {
      case EntryKind::kKey:
        bytes += entry.text;
        bytes += (perThread.state.options & kSettingsNoSpaces) != 0 ? "=" : " = ";
        bytes += entry.value;
        break;
      case EntryKind::kGroup:
        if ((perThread.state.options & kSettingsGroupGap) != 0 && !firstGroup) bytes += "\r\n";
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

// Running out of memory skips what was being read or written, without a message: every
// operation catches it, so no exception leaves the settings.

int OpenSettings(std::u16string_view path, int options) {
  // A file still open is written first; what became of it is no concern of the new one.
  static_cast<void>(CloseSettings());
  try {
    perThread.state.active = true;
    perThread.state.path = ToOsPath(path);
    perThread.state.options = options;
    std::string bytes;
    if (!ReadWholeFile(perThread.state.path, bytes)) return 0;
    perThread.state.entries = ParseText(DecodeFile(bytes));
    return 1;
  } catch (const std::bad_alloc&) {
    perThread.state.entries.clear();
    return 0;
  }
}

std::u16string ReadSettingString(std::u16string_view key, std::u16string_view fallback) {
  try {
    const std::size_t at = FindKey(ToUtf8(key));
    if (at == std::string::npos) return std::u16string(fallback);
    return FromUtf8(TrimRight(TrimLeft(perThread.state.entries[at].value, kBlanks), kBlanks));
  } catch (const std::bad_alloc&) {
  }
  try {
    return std::u16string(fallback);
  } catch (const std::bad_alloc&) {
    return {};
  }
}

std::int32_t ReadSettingInteger(std::u16string_view key, std::int32_t fallback) {
  std::size_t at = std::string::npos;
  try {
    at = FindKey(ToUtf8(key));
  } catch (const std::bad_alloc&) {
    return fallback;
  }
  if (at == std::string::npos) return fallback;
  std::string_view text = TrimLeft(perThread.state.entries[at].value, " \t\v\f");
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
  static_cast<void>(CloseSettings());
  try {
    std::filesystem::path target = ToOsPath(path);
    if (!perThread.pending.Begin(target)) return 0;
    perThread.state.active = true;
    perThread.state.path = std::move(target);
    perThread.state.options = options;
    // An empty new file is still written on close.
    perThread.state.modified = true;
    return 1;
  } catch (const std::bad_alloc&) {
    perThread.pending.Discard();
    perThread.state = SettingsState{};
    return 0;
  }
}

void WriteSettingString(std::u16string_view key, std::u16string_view value) {
  if (!perThread.state.active) return;
  try {
    std::string keyText = LineText(key);
    std::string valueText = LineText(value);
    const std::size_t at = FindKey(keyText);
    if (at != std::string::npos) {
      perThread.state.entries[at].text = std::move(keyText);
      perThread.state.entries[at].value = std::move(valueText);
    } else {
      perThread.state.entries.insert(perThread.state.entries.begin() + static_cast<std::ptrdiff_t>(SectionEnd()),
                           Entry{EntryKind::kKey, std::move(keyText), std::move(valueText)});
    }
    perThread.state.modified = true;
  } catch (const std::bad_alloc&) {
    // the key keeps what it had
  }
}

void WriteSettingInteger(std::u16string_view key, std::int32_t value) {
  try {
    WriteSettingString(key, DecimalText(value));
  } catch (const std::bad_alloc&) {
    // DecimalText ran out of memory: the key keeps what it had
  }
}

int CloseSettings() {
  bool written = false;
  if (perThread.state.active && perThread.state.modified) {
    try {
      // A file that was opened (or could not be) gets its new file only now.
      if (perThread.pending.begun() || perThread.pending.Begin(perThread.state.path)) {
        written = perThread.pending.Write(AssembleFile()) && perThread.pending.Commit();
      }
    } catch (const std::bad_alloc&) {
      written = false;
    }
  }
  perThread.pending.Discard();
  perThread.state = SettingsState{};
  return written ? 1 : 0;
}

}  // namespace rk
