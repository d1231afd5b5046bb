#include "services/settings.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <filesystem>
#include <string>
#include <thread>

#include "services/text.h"
#include "support/test_support.h"

namespace rk {
namespace {

using test::ReadFileBytes;
using test::TempFolder;
using test::WriteFileBytes;

constexpr std::string_view kHeader = "\xEF\xBB\xBF\r\n";

std::u16string PathText(const std::filesystem::path& path) { return FromOsPath(path); }

std::size_t FilesIn(const std::filesystem::path& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
  return count;
}

// A fresh folder and the settings file's place in it.
class SettingsFile : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::filesystem::path file_ = folder_ / "Rufkartei.ini";
};

// Opens a file with the given bytes; the settings stay open for the test.
class SettingsReading : public SettingsFile {
 protected:
  void Open(std::string_view bytes) {
    WriteFileBytes(file_, bytes);
    ASSERT_NE(OpenSettings(PathText(file_)), 0);
  }
  void TearDown() override { static_cast<void>(CloseSettings()); }
};

TEST_F(SettingsReading, MatchesKeysIgnoringCaseAndBlanks) {
  Open(std::string(kHeader) +
       "; comment line\r\n"
       "\r\n\r\n"
       "  tooltip\t =  1  \r\n"
       "Telefonbuch1=C:\\Daten\\\n"
       "\t\r\n"
       "TELEFONBUCH2 = /home/anna/B\xC3\xBC" "cher\r");
  EXPECT_EQ(ReadSettingString(u"ToolTip", u"x"), u"1");
  EXPECT_EQ(ReadSettingString(u"Telefonbuch1", u"x"), u"C:\\Daten\\");
  EXPECT_EQ(ReadSettingString(u"Telefonbuch2", u"x"), u"/home/anna/B\u00FCcher");
  EXPECT_EQ(ReadSettingString(u"comment line", u"x"), u"x");
  EXPECT_EQ(ReadSettingString(u"Telefonbuch3", u"fehlt"), u"fehlt");
  EXPECT_EQ(ReadSettingInteger(u"Telefonbuch3", 42), 42);
}

TEST_F(SettingsReading, TakesAFileWithoutByteOrderMarkAsLatin1) {
  Open("Telefonbuch1 = /B\xE4r\\\r\nToolTip = 0");
  EXPECT_EQ(ReadSettingString(u"Telefonbuch1", u""), u"/B\u00E4r\\");
  EXPECT_EQ(ReadSettingInteger(u"ToolTip", 1), 0);
}

TEST_F(SettingsReading, SeesOnlyKeysAboveTheFirstGroup) {
  Open("ToolTip = 1\r\n[Rufkartei]\r\nTelefonbuch1 = /a\r\n");
  EXPECT_EQ(ReadSettingInteger(u"ToolTip", 0), 1);
  EXPECT_EQ(ReadSettingString(u"Telefonbuch1", u"none"), u"none");
  EXPECT_EQ(ReadSettingString(u"[Rufkartei]", u"none"), u"none");
}

TEST_F(SettingsReading, KeyWithoutEqualsSignHasAnEmptyValue) {
  Open("Telefonbuch1\r\nToolTip = 1\r\n");
  EXPECT_EQ(ReadSettingString(u"Telefonbuch1", u"x"), u"");
  EXPECT_EQ(ReadSettingInteger(u"ToolTip", 0), 1);
}

TEST_F(SettingsReading, ParsesIntegersLikeTheDecimalPrefix) {
  Open("a = 12ab\r\nb = ab\r\nc =\r\nd = +7\r\ne = -3\r\nf = 2147483647\r\ng = -2147483648\r\n"
       "h = 2147483648\r\ni = -2147483649\r\nj = 99999999999999999999999\r\n"
       "k = -99999999999999999999999\r\nl = - 5\r\nm = 0007\r\n");
  EXPECT_EQ(ReadSettingInteger(u"a", 99), 12);
  EXPECT_EQ(ReadSettingInteger(u"b", 99), 0);
  EXPECT_EQ(ReadSettingInteger(u"c", 99), 0);
  EXPECT_EQ(ReadSettingInteger(u"d", 99), 7);
  EXPECT_EQ(ReadSettingInteger(u"e", 99), -3);
  EXPECT_EQ(ReadSettingInteger(u"f", 99), INT32_MAX);
  EXPECT_EQ(ReadSettingInteger(u"g", 99), INT32_MIN);
  EXPECT_EQ(ReadSettingInteger(u"h", 99), INT32_MAX);
  EXPECT_EQ(ReadSettingInteger(u"i", 99), INT32_MIN);
  EXPECT_EQ(ReadSettingInteger(u"j", 99), INT32_MAX);
  EXPECT_EQ(ReadSettingInteger(u"k", 99), INT32_MIN);
  EXPECT_EQ(ReadSettingInteger(u"l", 99), 0);
  EXPECT_EQ(ReadSettingInteger(u"m", 99), 7);
}

TEST_F(SettingsReading, ReadsAloneNeverRewriteTheFile) {
  const std::string bytes = "Telefonbuch1 = /B\xE4r\n";
  Open(bytes);
  EXPECT_EQ(CloseSettings(), 0);
  EXPECT_EQ(ReadFileBytes(file_), bytes);
  EXPECT_EQ(ReadSettingString(u"Telefonbuch1", u"closed"), u"closed");
}

TEST_F(SettingsFile, MissingFileGivesDefaults) {
  EXPECT_EQ(OpenSettings(PathText(folder_ / "missing.ini")), 0);
  EXPECT_EQ(ReadSettingString(u"ToolTip", u"1"), u"1");
  EXPECT_EQ(ReadSettingInteger(u"ToolTip", 1), 1);
  EXPECT_EQ(CloseSettings(), 0);
  EXPECT_FALSE(std::filesystem::exists(folder_ / "missing.ini"));
}

TEST_F(SettingsFile, EmptyCreateWritesOnlyTheHeader) {
  WriteFileBytes(file_, "old content that is longer than the new one\r\n");
  ASSERT_NE(CreateSettings(PathText(file_)), 0);
  EXPECT_EQ(CloseSettings(), 1);
  EXPECT_EQ(ReadFileBytes(file_), kHeader);
  EXPECT_EQ(FilesIn(folder_.path()), 1u);
}

TEST_F(SettingsFile, WritesOneLinePerKeyInFirstWrittenOrder) {
  ASSERT_NE(CreateSettings(PathText(file_)), 0);
  WriteSettingString(u"Telefonbuch1", u"/home/anna/B\u00FCcher/");
  WriteSettingString(u"tooltip", u"1");
  WriteSettingString(u"Telefonbuch2", u"C:\\Daten\\");
  WriteSettingInteger(u"ToolTip", -2147483647 - 1);
  WriteSettingInteger(u"ToolTip", 0);
  EXPECT_EQ(CloseSettings(), 1);
  const std::string expected = std::string(kHeader) +
                               "Telefonbuch1 = /home/anna/B\xC3\xBC" "cher/\r\n"
                               "ToolTip = 0\r\n"
                               "Telefonbuch2 = C:\\Daten\\\r\n";
  EXPECT_EQ(ReadFileBytes(file_), expected);
  // Writes after closing go nowhere.
  WriteSettingString(u"ToolTip", u"1");
  EXPECT_EQ(CloseSettings(), 0);
  EXPECT_EQ(ReadFileBytes(file_), expected);
}

TEST_F(SettingsFile, LineBreaksInAValueCannotAddLines) {
  ASSERT_NE(CreateSettings(PathText(file_)), 0);
  WriteSettingString(u"Telefonbuch1", u"/a\r\nToolTip = 1\n");
  EXPECT_EQ(CloseSettings(), 1);
  EXPECT_EQ(ReadFileBytes(file_), std::string(kHeader) + "Telefonbuch1 = /aToolTip = 1\r\n");
}

TEST_F(SettingsFile, RewriteKeepsCommentsGroupsAndPlaces) {
  WriteFileBytes(file_, "; Einstellungen\r\nToolTip = 1\r\nLonely\r\n;no space\r\n"
                       "[Alt]\r\nToolTip = 7\r\n[Neu] trailing\r\n");
  ASSERT_NE(OpenSettings(PathText(file_)), 0);
  WriteSettingInteger(u"TOOLTIP", 0);
  WriteSettingString(u"Telefonbuch1", u"/a ");
  EXPECT_EQ(CloseSettings(), 1);
  EXPECT_EQ(ReadFileBytes(file_), std::string(kHeader) +
                                     "; Einstellungen\r\nTOOLTIP = 0\r\nLonely = \r\n; no space\r\n"
                                     "Telefonbuch1 = /a \r\n[Alt]\r\nToolTip = 7\r\n[Neu]\r\n");
}

TEST_F(SettingsFile, OptionBitsDropSpacesAndSeparateGroups) {
  WriteFileBytes(file_, "a = 1\r\n[Eins]\r\nb = 2\r\n[Zwei]\r\n");
  ASSERT_NE(OpenSettings(PathText(file_), kSettingsNoSpaces | kSettingsGroupGap), 0);
  WriteSettingString(u"a", u"3");
  EXPECT_EQ(CloseSettings(), 1);
  EXPECT_EQ(ReadFileBytes(file_), std::string(kHeader) + "a=3\r\n[Eins]\r\nb=2\r\n\r\n[Zwei]\r\n");

  ASSERT_NE(OpenSettings(PathText(file_), kSettingsGroupGap), 0);
  EXPECT_EQ(ReadSettingInteger(u"a", 0), 3);
  WriteSettingString(u"a", u"4");
  EXPECT_EQ(CloseSettings(), 1);
  EXPECT_EQ(ReadFileBytes(file_), std::string(kHeader) + "a = 4\r\n[Eins]\r\nb = 2\r\n\r\n[Zwei]\r\n");
}

TEST_F(SettingsFile, WritesToAMissingFileCreateItOnClose) {
  EXPECT_EQ(OpenSettings(PathText(file_)), 0);
  WriteSettingInteger(u"ToolTip", 1);
  EXPECT_EQ(CloseSettings(), 1);
  EXPECT_EQ(ReadFileBytes(file_), std::string(kHeader) + "ToolTip = 1\r\n");
}

TEST_F(SettingsFile, OpeningAnotherFileWritesTheFirstBack) {
  ASSERT_NE(CreateSettings(PathText(folder_ / "a.ini")), 0);
  WriteSettingInteger(u"ToolTip", 1);
  EXPECT_EQ(OpenSettings(PathText(folder_ / "b.ini")), 0);
  EXPECT_EQ(ReadFileBytes(folder_ / "a.ini"), std::string(kHeader) + "ToolTip = 1\r\n");
  EXPECT_EQ(CloseSettings(), 0);
}

// Mode bits and a switch to an unprivileged user are POSIX's.
#if !defined(_WIN32)
TEST_F(SettingsFile, ReplacedFileKeepsItsAccessRights) {
  WriteFileBytes(file_, "ToolTip = 1\r\n");
  ASSERT_EQ(::chmod(file_.c_str(), 0640), 0);
  ASSERT_NE(CreateSettings(PathText(file_)), 0);
  EXPECT_EQ(CloseSettings(), 1);
  struct stat info {};
  ASSERT_EQ(::stat(file_.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST_F(SettingsFile, CreateFailsWhereNothingCanBeWritten) {
  const std::string old = "ToolTip = 1\r\n";
  WriteFileBytes(file_, old);
  // Root ignores permission bits, so there only a missing folder makes the create fail. (A
  // writable file in a write-protected folder would be rewritten in place, so both are protected.)
  const auto target = ::geteuid() == 0 ? folder_ / "missing" / "Rufkartei.ini" : file_;
  if (::geteuid() != 0) {
    ASSERT_EQ(::chmod(file_.c_str(), 0444), 0);
    ASSERT_EQ(::chmod(folder_.path().c_str(), 0555), 0);
  }
  EXPECT_EQ(CreateSettings(PathText(target)), 0);
  WriteSettingInteger(u"ToolTip", 0);
  EXPECT_EQ(CloseSettings(), 0);
  ::chmod(folder_.path().c_str(), 0755);
  EXPECT_EQ(ReadFileBytes(file_), old);
  EXPECT_EQ(FilesIn(folder_.path()), 1u);
}

TEST_F(SettingsFile, WritableFileInAProtectedFolderIsRewrittenInPlace) {
  WriteFileBytes(file_, "; longer than the new file\r\nTelefonbuch1 = /srv/\r\nToolTip = 1\r\n");
  ASSERT_EQ(::chmod(file_.c_str(), 0666), 0);
  ASSERT_EQ(::chmod(folder_.path().c_str(), 0755), 0);
  const std::u16string path = PathText(file_);
  EXPECT_EQ(test::RunUnprivileged([&path] {
              if (CreateSettings(path) == 0) return 1;
              WriteSettingInteger(u"ToolTip", 0);
              return CloseSettings() == 1 ? 0 : 2;
            }),
            0);
  EXPECT_EQ(ReadFileBytes(file_), std::string(kHeader) + "ToolTip = 0\r\n");
  EXPECT_EQ(FilesIn(folder_.path()), 1u);
}
#endif

TEST_F(SettingsFile, FailedReplaceRemovesTheTemporaryFile) {
  // A folder in the file's place is no file to replace: refused before anything is made.
  const auto target = folder_ / "Rufkartei.ini";
  std::filesystem::create_directory(target);
  WriteFileBytes(target / "inside", "x");
  EXPECT_EQ(CreateSettings(PathText(target)), 0);
  WriteSettingInteger(u"ToolTip", 0);
  EXPECT_EQ(CloseSettings(), 0);
  EXPECT_EQ(FilesIn(folder_.path()), 1u);
  EXPECT_EQ(ReadFileBytes(target / "inside"), "x");
}

TEST_F(SettingsFile, EachThreadHasItsOwnOpenFile) {
  WriteFileBytes(file_, "ToolTip = 1\r\n");
  ASSERT_NE(OpenSettings(PathText(file_)), 0);
  std::int32_t seenByOther = -1;
  std::thread other([&] { seenByOther = ReadSettingInteger(u"ToolTip", 5); });
  other.join();
  EXPECT_EQ(seenByOther, 5);
  EXPECT_EQ(ReadSettingInteger(u"ToolTip", 5), 1);
  EXPECT_EQ(CloseSettings(), 0);
}

}  // namespace
}  // namespace rk
