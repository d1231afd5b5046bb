// The remembered folders: set from the settings at start, moved by loads, written at the end.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/shell.h"
#include "book/book.h"
#include "book_test_support.h"
#include "services/text.h"

namespace rk::book::test {
namespace {

using RememberedFolderTest = ShellTest;

TEST_F(RememberedFolderTest, FolderOfALoadIsWrittenAtTheEndAndReadAtTheNextStart) {
  EXPECT_EQ(RememberedFolder(1), Folder());
  EXPECT_EQ(RememberedFolder(2), Folder());
  std::filesystem::create_directory(folder_ / "Telefon");
  // Even a file that then fails to load moves the folder.
  Load(2, Folder() + rk::test::NativePath(u"Telefon/alt.xml"), 1);
  EXPECT_EQ(RememberedFolder(2), Folder() + rk::test::NativePath(u"Telefon/"));

  app::EndShell();
  const std::string settings = ReadFile(Folder() + u"Rufkartei.ini");
  EXPECT_NE(settings.find(rk::ToUtf8(rk::test::NativePath(u"Telefon/"))), std::string::npos) << settings;
  SetRememberedFolder(2, u"anderswo/");
  ASSERT_TRUE(app::StartShell(Folder(), clock_));
  EXPECT_EQ(RememberedFolder(1), Folder());
  EXPECT_EQ(RememberedFolder(2), Folder() + rk::test::NativePath(u"Telefon/"));
}

}  // namespace
}  // namespace rk::book::test
