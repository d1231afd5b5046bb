// Whether the settings file may be written in a folder, and making the user's folders, checked
// as an unprivileged user.
#include "services/folders.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>

#include "services/text.h"
#include "support/test_support.h"

namespace rk {
namespace {

using test::TempFolder;
using test::WriteFileBytes;

// Mode bits and a switch to an unprivileged user are POSIX's.
#if !defined(_WIN32)
using test::RunUnprivileged;

// A folder with the given mode inside `parent`, as "/"-ended text.
std::u16string FolderWithMode(const std::filesystem::path& parent, const char* name, mode_t mode) {
  const std::filesystem::path folder = parent / name;
  std::filesystem::create_directory(folder);
  ::chmod(folder.c_str(), mode);
  return FromOsPath(folder) + u"/";
}

void FileWithMode(std::u16string_view folder, mode_t mode) {
  const std::filesystem::path file = ToOsPath(std::u16string(folder) + u"Rufkartei.ini");
  WriteFileBytes(file, "ToolTip = 1\r\n");
  ::chmod(file.c_str(), mode);
}

int Check(bool value) { return value ? 1 : 0; }

TEST(Folders, TheFolderOrAWritableFileInItLetsTheUserWrite) {
  TempFolder temp;
  ::chmod(temp.path().c_str(), 0755);
  const std::u16string open = FolderWithMode(temp.path(), "open", 0777);
  const std::u16string shut = FolderWithMode(temp.path(), "shut", 0755);
  const std::u16string shutWithFile = FolderWithMode(temp.path(), "shut-file", 0755);
  const std::u16string shutWithProtectedFile = FolderWithMode(temp.path(), "shut-protected", 0755);
  FileWithMode(shutWithFile, 0666);
  FileWithMode(shutWithProtectedFile, 0644);
  const auto may = [](std::u16string_view folder) {
    return RunUnprivileged([folder] { return Check(MayWriteFile(folder, u"Rufkartei.ini")); });
  };
  EXPECT_EQ(may(open), 1);
  EXPECT_EQ(may(shutWithFile), 1);
  EXPECT_EQ(may(shut), 0);
  EXPECT_EQ(may(shutWithProtectedFile), 0);
  EXPECT_EQ(may(open + u"fehlt/"), 0);
  EXPECT_EQ(may(u""), 0);
}

TEST(Folders, MakesEveryMissingFolderForItsOwnerOnly) {
  TempFolder temp;
  ::chmod(temp.path().c_str(), 0755);
  const std::u16string open = FolderWithMode(temp.path(), "open", 0777);
  const std::u16string shut = FolderWithMode(temp.path(), "shut", 0755);
  EXPECT_EQ(RunUnprivileged([&] { return Check(MakeFolders(open + u".config/rufkartei/")); }), 1);
  struct stat made {};
  ASSERT_EQ(::stat(ToOsPath(open + u".config/rufkartei").c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 07777, 0700u);
  // Existing folders are left as they are, and making them again succeeds.
  EXPECT_EQ(RunUnprivileged([&] { return Check(MakeFolders(open + u".config/rufkartei")); }), 1);
  ASSERT_EQ(::stat(ToOsPath(open).c_str(), &made), 0);
  EXPECT_EQ(made.st_mode & 07777, 0777u);
  EXPECT_EQ(RunUnprivileged([&] { return Check(MakeFolders(shut + u"rufkartei/")); }), 0);
  EXPECT_FALSE(std::filesystem::exists(ToOsPath(shut + u"rufkartei")));
  // A file in the way is no folder.
  WriteFileBytes(ToOsPath(open + u"datei"), "x");
  EXPECT_FALSE(MakeFolders(open + u"datei/"));
}

#endif

#if defined(_WIN32)
TEST(Folders, OnWindowsTheSystemAnswersForTheProgramFolderAndWriting) {
  const std::u16string program = ProgramFolder();
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(program.back(), u'\\');
  EXPECT_TRUE(std::filesystem::exists(ToOsPath(program + u"services_tests.exe")));

  TempFolder temp;
  const std::u16string folder = FromOsPath(temp.path()) + u"\\";
  // Asking leaves nothing in the folder.
  EXPECT_TRUE(MayWriteFile(folder, u"Rufkartei.ini"));
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
  EXPECT_FALSE(MayWriteFile(folder + u"fehlt\\", u"Rufkartei.ini"));
  EXPECT_FALSE(MayWriteFile(u"", u"Rufkartei.ini"));

  EXPECT_TRUE(MakeFolders(folder + u"Rufkartei/Einstellungen\\"));
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "Rufkartei" / "Einstellungen"));
  WriteFileBytes(temp.path() / "datei", "x");
  EXPECT_FALSE(MakeFolders(folder + u"datei\\"));
}
#endif

}  // namespace
}  // namespace rk
