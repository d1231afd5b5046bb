// The settings file on arbitrary bytes: open and read it, rewrite it with one key changed,
// create a new one; whatever the file held, written keys must read back as written and the
// other keys must keep the values they had.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "services/settings.h"
#include "services/text.h"

namespace {

// A folder of its own in memory-backed storage when there is one: every close syncs the file.
const std::filesystem::path& WorkFolder() {
  static const std::filesystem::path folder = [] {
    std::error_code error;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::filesystem::path made = base / ("rufkartei-fuzz-settings-" + std::to_string(::getpid()));
    std::filesystem::create_directories(made);
    return made;
  }();
  return folder;
}

void WriteBytes(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary);
  file.write(static_cast<const char*>(static_cast<const void*>(data)), static_cast<std::streamsize>(size));
  if (!file) std::abort();
}

// A value that the file can hold as it is: Latin-1 characters without line ends, and without
// the blanks at either end that reading trims.
std::u16string StorableValue(std::string_view bytes) {
  std::u16string value;
  for (const char byte : bytes) {
    const auto unit = static_cast<char16_t>(static_cast<unsigned char>(byte));
    if (unit != u'\r' && unit != u'\n') value.push_back(unit);
  }
  const std::size_t first = value.find_first_not_of(u" \t");
  if (first == std::u16string::npos) return {};
  return value.substr(first, value.find_last_not_of(u" \t") - first + 1);
}

// The key of the input's first key line, taken as a key is read (up to "=", trailing blanks
// removed): a spelling the file itself uses, so that the checks meet keys that are present.
std::u16string FirstKey(std::string_view bytes) {
  const std::size_t end = bytes.find_first_of("\r\n");
  std::string_view line = bytes.substr(0, end);
  line = line.substr(0, line.find('='));
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  line = line.substr(start, line.find_last_not_of(" \t") + 1 - start);
  if (line.empty() || line.front() == ';' || line.front() == '[') return {};
  std::u16string key;
  for (const char byte : line) key.push_back(static_cast<char16_t>(static_cast<unsigned char>(byte)));
  return key;
}

// Keys that differ only in the case of the letters A-Z are one key.
bool SameKey(std::u16string_view a, std::u16string_view b) {
  const std::string left = rk::ToUtf8(a);
  const std::string right = rk::ToUtf8(b);
  if (left.size() != right.size()) return false;
  for (std::size_t i = 0; i < left.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(left[i]) != lower(right[i])) return false;
  }
  return true;
}

constexpr std::u16string_view kMissing = u"\x1F<missing>";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::filesystem::path file = WorkFolder() / "Rufkartei.ini";
  const std::u16string path = rk::FromOsPath(file);
  WriteBytes(file, data, size);

  // The keys the program reads, and one the file spells itself (which may be one of them).
  const std::u16string firstKey = FirstKey(bytes);
  const std::u16string_view keys[] = {u"Telefonbuch1", u"Telefonbuch2", u"ToolTip", firstKey};

  // Reading alone never writes the file.
  if (rk::OpenSettings(path) == 0) std::abort();
  std::u16string before[4];
  for (int i = 0; i < 4; ++i) before[i] = rk::ReadSettingString(keys[i], kMissing);
  rk::ReadSettingInteger(u"ToolTip", -7);
  rk::ReadSettingInteger(firstKey, 7);
  if (rk::CloseSettings() != 0) std::abort();

  // One key rewritten in place: it reads back as written, the others as they were.
  const std::size_t half = size / 2;
  const std::u16string value = StorableValue(bytes.substr(half, 64));
  const int changed = size == 0 ? 0 : data[0] % 4;
  if (rk::OpenSettings(path) == 0) std::abort();
  rk::WriteSettingString(keys[changed], value);
  if (rk::CloseSettings() == 0) std::abort();
  if (rk::OpenSettings(path) == 0) std::abort();
  for (int i = 0; i < 4; ++i) {
    const std::u16string now = rk::ReadSettingString(keys[i], kMissing);
    if (SameKey(keys[i], keys[changed])) {
      if (now != value) std::abort();
    } else if (now != before[i]) {
      std::abort();
    }
  }
  static_cast<void>(rk::CloseSettings());  // nothing was changed, so nothing is written

  // A new file as the program writes it at the end, whatever stood there before.
  std::uint32_t switchBits = 1;
  if (size >= 5) {
    switchBits = data[1] | std::uint32_t{data[2]} << 8 | std::uint32_t{data[3]} << 16 | std::uint32_t{data[4]} << 24;
  }
  const auto switchValue = static_cast<std::int32_t>(switchBits);
  const std::u16string folder = StorableValue(bytes.substr(0, half));
  if (rk::CreateSettings(path) == 0) std::abort();
  rk::WriteSettingString(u"Telefonbuch1", folder);
  rk::WriteSettingString(u"Telefonbuch2", value);
  rk::WriteSettingInteger(u"ToolTip", switchValue);
  // Any UTF-16 text, unpaired surrogates included, is converted without harm.
  std::u16string anyText;
  for (std::size_t i = 0; i + 1 < size && anyText.size() < 32; i += 2) {
    anyText.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  rk::WriteSettingString(u"Beliebig", anyText);
  if (rk::CloseSettings() == 0) std::abort();
  if (rk::OpenSettings(path) == 0) std::abort();
  if (rk::ReadSettingString(u"telefonbuch1", kMissing) != folder) std::abort();
  if (rk::ReadSettingString(u"TELEFONBUCH2", kMissing) != value) std::abort();
  if (rk::ReadSettingInteger(u"ToolTip", 0) != switchValue) std::abort();
  rk::ReadSettingString(u"Beliebig", kMissing);
  static_cast<void>(rk::CloseSettings());
  return 0;
}
