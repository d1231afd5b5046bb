// Reading a file and replacing one, as the XML library and the settings file do: the new content
// arrives whole, nothing else is left in the folder, and a target that cannot take the content
// stays as it was. On Windows also a read-only file, a file another program holds open, the
// reserved device names, paths longer than 260 characters and a missing drive.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "services/file_read.h"
#include "services/file_replace.h"
#include "services/folders.h"
#include "services/text.h"
#include "support/test_support.h"

#if defined(_WIN32)
#include <windows.h>

#include "services/system_path_win32.h"
#endif

namespace rk {
namespace {

using test::TempFolder;
using test::WriteFileBytes;

// Gives `target` the content `bytes`; true when the replacement was committed.
bool Replace(const std::filesystem::path& target, std::string_view bytes) {
  FileReplacement file;
  return file.Begin(target) && file.Write(bytes) && file.Commit();
}

// The whole file read through FileSource; nothing when it cannot be opened or read.
std::optional<std::string> Read(const std::filesystem::path& path) {
  std::uint64_t size = 0;
  FileSource source(path, size);
  if (!source.valid()) return std::nullopt;
  std::string bytes;
  std::array<char, 65536> buffer{};
  for (std::int64_t count; (count = source.Read(buffer)) != 0;) {
    if (count < 0) return std::nullopt;
    bytes.append(buffer.data(), static_cast<std::size_t>(count));
  }
  if (bytes.size() != size) return std::nullopt;
  return bytes;
}

std::size_t EntriesIn(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

TEST(FileAccess, ReplacedContentArrivesWholeAndNothingIsLeftBeside) {
  TempFolder temp;
  const std::filesystem::path target = temp.path() / "Telefonbuch.xml";
  std::string big(5 * 1024 * 1024 + 17, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 % 251);
  EXPECT_TRUE(Replace(target, "alt"));
  EXPECT_TRUE(Replace(target, big));
  EXPECT_EQ(Read(target), big);
  EXPECT_EQ(EntriesIn(temp.path()), 1u);
  {
    // Dropped before its commit: the old content stays and the temporary file goes.
    FileReplacement dropped;
    ASSERT_TRUE(dropped.Begin(target));
    ASSERT_TRUE(dropped.Write("neu"));
  }
  EXPECT_EQ(Read(target), big);
  EXPECT_EQ(EntriesIn(temp.path()), 1u);
  // A missing folder and a folder as the target are refused; neither is read either.
  EXPECT_FALSE(Replace(temp.path() / "fehlt" / "Telefonbuch.xml", "x"));
  EXPECT_FALSE(Replace(temp.path(), "x"));
  EXPECT_FALSE(Read(temp.path()));
  EXPECT_FALSE(Read(temp.path() / "fehlt.xml"));
  EXPECT_EQ(EntriesIn(temp.path()), 1u);
}

#if defined(_WIN32)
// Entries of a folder of any path length.
std::size_t EntriesAnywhere(std::u16string_view folder) {
  WIN32_FIND_DATAW found{};
  const HANDLE search = ::FindFirstFileW((SystemPath(ToOsPath(folder)) + L"*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  std::size_t count = 0;
  do {
    const std::wstring_view name(found.cFileName);
    if (name != L"." && name != L"..") ++count;
  } while (::FindNextFileW(search, &found));
  ::FindClose(search);
  return count;
}

// A drive letter that names no drive here.
std::u16string MissingDrive() {
  const DWORD drives = ::GetLogicalDrives();
  for (char16_t letter = u'Q'; letter <= u'Y'; ++letter) {
    if ((drives & (1u << (letter - u'A'))) == 0) return std::u16string(1, letter) + u":\\";
  }
  return u"Q:\\";
}

TEST(FileAccess, WindowsRefusalsKeepTheFileAndLeaveNothingBehind) {
  TempFolder temp;
  const std::filesystem::path target = temp.path() / "Telefonbuch.xml";
  WriteFileBytes(target, "alt");
  ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(Replace(target, "neu"));
  EXPECT_EQ(Read(target), "alt");
  ASSERT_TRUE(::SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL));

  // Another program reads it and lets others only read: it can be read, not replaced.
  HANDLE other = ::CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Replace(target, "neu"));
  EXPECT_EQ(Read(target), "alt");
  ::CloseHandle(other);
  // Another program holds it without sharing anything: neither read nor replaced.
  other = ::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(Read(target));
  EXPECT_FALSE(Replace(target, "neu"));
  ::CloseHandle(other);
  EXPECT_EQ(Read(target), "alt");

  // The reserved names are devices, never files.
  for (const char* device : {"CON", "NUL", "AUX"}) {
    EXPECT_FALSE(Replace(temp.path() / device, "neu")) << device;
    EXPECT_FALSE(Read(temp.path() / device)) << device;
  }
  EXPECT_EQ(EntriesIn(temp.path()), 1u);

  const std::u16string drive = MissingDrive();
  EXPECT_FALSE(Replace(ToOsPath(drive + u"Telefonbuch.xml"), "neu"));
  EXPECT_FALSE(Read(ToOsPath(drive + u"Telefonbuch.xml")));
  EXPECT_FALSE(MakeFolders(drive + u"Rufkartei\\"));
}

TEST(FileAccess, PathsLongerThanTheirOldLimitWork) {
  TempFolder temp;
  std::u16string deep = FromOsPath(temp.path()) + u"\\";
  for (int level = 0; level < 30; ++level) deep += u"Ordner-" + DecimalText(level) + u"\\";
  ASSERT_GT(deep.size(), 300u);
  ASSERT_TRUE(MakeFolders(deep));
  EXPECT_TRUE(MakeFolders(deep));
  EXPECT_TRUE(MayWriteFile(deep, u"Rufkartei.ini"));
  const std::filesystem::path target = ToOsPath(deep + u"Telefonbuch.xml");
  EXPECT_TRUE(Replace(target, "erst"));
  EXPECT_TRUE(Replace(target, "dann"));
  EXPECT_EQ(Read(target), "dann");
  EXPECT_EQ(EntriesAnywhere(deep), 1u);
}
#endif

}  // namespace
}  // namespace rk
