// How every output file is replaced, for the XML writer and the settings file alike, with and
// without unnamed temporary files: a symbolic link is followed, a file the user may not write
// stays as it is, a folder that takes no new file still lets a writable file be rewritten, mode
// and owner are kept, and no temporary file is ever left. The permission cases run as an
// unprivileged user.

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <string>
#include <vector>

#include "app/controls.h"
#include "reliability_support.h"
#include "services/file_replace.h"
#include "services/settings.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "support/test_support.h"
#include "xml/xml.h"

namespace rk::reliability::test {
namespace {

namespace fs = std::filesystem;

// Temporary files anywhere below `folder`.
int TemporaryFilesBelow(const fs::path& folder) {
  int count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    count += entry.path().extension() == ".tmp" ? 1 : 0;
  }
  return count;
}

// Links, modes, owners and a folder that takes no new file are POSIX's; on Windows the
// read-only file below stands for a file the user may not write.
#ifndef _WIN32
// Saves a document whose main element is `name`; SaveDocument's result.
int SaveBook(const fs::path& path, std::u16string_view name) {
  EXPECT_NE(xml::CreateDocument(3, xml::EncodingUtf8), 0);
  xml::AppendElement(xml::RootNode(3), name);
  const int result = xml::SaveDocument(3, FromOsPath(path));
  xml::FreeDocument(3);
  return result;
}

std::string BookBytes(std::string_view name) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><" + std::string(name) + "/>";
}

// Writes a settings file with one key; CloseSettings' result, or 0 when it cannot be created.
int SaveSettings(const fs::path& path, std::u16string_view value) {
  if (CreateSettings(FromOsPath(path)) == 0) return 0;
  WriteSettingString(u"Telefonbuch1", value);
  return CloseSettings();
}

std::string SettingsBytes(std::string_view value) {
  return "\xEF\xBB\xBF\r\nTelefonbuch1 = " + std::string(value) + "\r\n";
}

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
}

uid_t OwnerOf(const fs::path& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_uid : 0;
}

// A file with `bytes` and `mode`, given to the unprivileged user.
void PlaceFile(const fs::path& path, std::string_view bytes, mode_t mode) {
  rk::test::WriteFileBytes(path, bytes);
  ASSERT_EQ(::chmod(path.c_str(), mode), 0);
  GiveToUnprivilegedUser(path);
}

class FileReplaceTest : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    detail::SetUnnamedTemporaryFiles(GetParam());
    fs::create_directory(work_);
    GiveToUnprivilegedUser(work_);
  }
  void TearDown() override {
    detail::SetUnnamedTemporaryFiles(true);
    EXPECT_EQ(TemporaryFilesBelow(folder_.path()), 0);
  }

  rk::test::TempFolder folder_;
  fs::path work_ = folder_ / "work";
};

TEST_P(FileReplaceTest, LinksAreFollowedAndStaleTemporaryFilesTakenOver) {
  fs::create_directory(work_ / "ziel");
  rk::test::WriteFileBytes(work_ / "ziel" / "echt.xml", "alt");
  fs::create_symlink("ziel/echt.xml", work_ / "Buch.xml_NEU.xml");
  fs::create_symlink(work_ / "ziel" / "echt.ini", work_ / "Rufkartei.ini");
  ASSERT_NE(SaveBook(work_ / "Buch.xml_NEU.xml", u"neu"), 0);
  ASSERT_NE(SaveSettings(work_ / "Rufkartei.ini", u"/neu/"), 0);
  EXPECT_TRUE(fs::is_symlink(work_ / "Buch.xml_NEU.xml"));
  EXPECT_TRUE(fs::is_symlink(work_ / "Rufkartei.ini"));
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "ziel" / "echt.xml"), BookBytes("neu"));
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "ziel" / "echt.ini"), SettingsBytes("/neu/"));

  // What a killed writer left beside a target goes with the next write of that target.
  rk::test::WriteFileBytes(work_ / ".Buch.xml.rufkartei.tmp", std::string(100000, 'x'));
  // (For a link, that is beside the file it names.)
  rk::test::WriteFileBytes(work_ / "ziel" / ".echt.ini.rufkartei.tmp", "halb");
  ASSERT_NE(SaveBook(work_ / "Buch.xml", u"b"), 0);
  ASSERT_NE(SaveSettings(work_ / "Rufkartei.ini", u"/b/"), 0);
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "Buch.xml"), BookBytes("b"));
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "ziel" / "echt.ini"), SettingsBytes("/b/"));
  // A name too long to take a suffix still gets its temporary file.
  const fs::path longName = work_ / std::string(250, 'n');
  ASSERT_NE(SaveBook(longName, u"lang"), 0);
  EXPECT_EQ(rk::test::ReadFileBytes(longName), BookBytes("lang"));
}

TEST_P(FileReplaceTest, PermissionsOfTheUserDecide) {
  PlaceFile(work_ / "fest.xml", "geschützt", 0444);
  PlaceFile(work_ / "fest.ini", "geschützt", 0444);
  PlaceFile(work_ / "gruppe.xml", "alt", 0640);
  fs::create_directory(work_ / "zu");
  PlaceFile(work_ / "zu" / "Buch.xml_NEU.xml", "alt", 0644);
  PlaceFile(work_ / "zu" / "Rufkartei.ini", "alt", 0644);
  ASSERT_EQ(::chmod((work_ / "zu").c_str(), 0555), 0);
  {
    AsUnprivilegedUser nobody;
    // A file the user may not write is not replaced.
    EXPECT_EQ(SaveBook(work_ / "fest.xml", u"neu"), 0);
    EXPECT_EQ(SaveSettings(work_ / "fest.ini", u"/neu/"), 0);
    // A replaced file keeps its mode.
    EXPECT_NE(SaveBook(work_ / "gruppe.xml", u"neu"), 0);
    // A folder that takes no new file: the writable files in it are rewritten in place, and
    // no new file appears.
    EXPECT_NE(SaveBook(work_ / "zu" / "Buch.xml_NEU.xml", u"neu"), 0);
    EXPECT_NE(SaveSettings(work_ / "zu" / "Rufkartei.ini", u"/neu/"), 0);
    EXPECT_EQ(SaveBook(work_ / "zu" / "anders.xml", u"neu"), 0);
  }
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "fest.xml"), "geschützt");
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "fest.ini"), "geschützt");
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "gruppe.xml"), BookBytes("neu"));
  EXPECT_EQ(ModeOf(work_ / "gruppe.xml"), 0640u);
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "zu" / "Buch.xml_NEU.xml"), BookBytes("neu"));
  EXPECT_EQ(rk::test::ReadFileBytes(work_ / "zu" / "Rufkartei.ini"), SettingsBytes("/neu/"));
  EXPECT_EQ(std::distance(fs::directory_iterator(work_ / "zu"), fs::directory_iterator()), 2);

  // Root, who may give a file to anyone, keeps its owner too.
  if (::getuid() == 0) {
    ASSERT_NE(SaveBook(work_ / "gruppe.xml", u"wieder"), 0);
    EXPECT_EQ(OwnerOf(work_ / "gruppe.xml"), OwnerOf(work_));
    EXPECT_EQ(ModeOf(work_ / "gruppe.xml"), 0640u);
  }
  ::chmod((work_ / "zu").c_str(), 0755);
}

INSTANTIATE_TEST_SUITE_P(TemporaryFiles, FileReplaceTest, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? "Unnamed" : "Named";
                         });
#endif

// "Speichern" onto a "_NEU.xml" the user may not write shows the save message and keeps it.
class ProtectedSaveTest : public book::test::ShellTest {};

TEST_F(ProtectedSaveTest, WriteProtectedFileIsReportedAndKept) {
  Load(1, WriteFile("Buch.xml", GeneratedBook(3)));
  const fs::path folder = folder_ / "geschützt";
  fs::create_directory(folder);
  GiveToUnprivilegedUser(folder);
  const fs::path target = folder / "Buch.xml_NEU.xml";
  rk::test::WriteFileBytes(target, "alt");
  fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  GiveToUnprivilegedUser(target);
  tk::SetText(app::PaneControl(1, app::kFileField), FromOsPath(folder / "Buch.xml"));
  std::vector<book::test::Shown> shown;
  {
    AsUnprivilegedUser nobody;
    shown = PressAnswering(app::PaneControl(1, app::kSaveButton), 1);
  }
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text, UnwritableText(FromOsPath(folder / "Buch.xml_NEU.xml")));
  EXPECT_EQ(rk::test::ReadFileBytes(folder / "Buch.xml_NEU.xml"), "alt");
  EXPECT_EQ(TemporaryFilesBelow(folder), 0);
  // A read-only file stops the temporary folder's removal on Windows.
  fs::permissions(target, fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
}  // namespace rk::reliability::test
