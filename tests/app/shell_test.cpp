// Start-up, event loop and shutdown of the shell: the settings it reads and writes back, the
// tooltip switch over a run, and how events end or do not end the loop.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "app/controls.h"
#include "book/book.h"
#include "services/toolkit/toolkit.h"
#include "shell_fixture.h"
#ifdef _WIN32
#include <windows.h>
#undef FindWindow
#undef MessageBox
#endif

namespace rk::app::test {
namespace {

using rk::test::ClickControl;
using rk::test::FindControl;
using rk::test::FindWindow;
using rk::test::HasToolTip;
using rk::test::PressCloseBox;

TEST_F(ShellTest, FirstStartWritesTheProgramFolderAndTooltipsOn) {
  Start();
  End();
  EXPECT_EQ(SettingsBytes(), SettingsFileBytes(FolderUtf8(), FolderUtf8(), "1"));
}

TEST_F(ShellTest, StoredValuesAreWrittenBackAndOtherLinesDropped) {
  WriteSettings(
      "; saved by hand\r\n"
      "telefonbuch1 = /home/anna/Telefon/\r\n"
      "Telefonbuch2=/srv/books/\n"
      "Extra = 7\r\n"
      "ToolTip = 0\r\n");
  Start();
  End();
  EXPECT_EQ(SettingsBytes(), SettingsFileBytes("/home/anna/Telefon/", "/srv/books/", "0"));
}

TEST_F(ShellTest, UnwritableProgramFolderRunsNormallyAndWritesNothing) {
  // Root ignores permission bits, so a folder that does not exist stands for one that cannot
  // take the file.
  const std::u16string missing = Folder() + rk::test::NativePath(u"fehlt/");
  Start(missing);
  ASSERT_NE(FindWindow(kMainWindow), nullptr);
  ASSERT_NE(FindWindow(kInfoWindow), nullptr);
  // Tooltips are on by default there too.
  EXPECT_TRUE(HasToolTip(kNewButton));
  ClickControl(kInfoClose);
  EXPECT_TRUE(Pump());
  End();
  EXPECT_FALSE(std::filesystem::exists(folder_ / "fehlt"));
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
}

#ifdef _WIN32
// Windows names the user's folders in its registry, not in variables: the test finds the
// settings in the test prefix's own application data and removes them again.
TEST_F(ShellTest, InstalledProgramKeepsItsSettingsInTheUsersApplicationData) {
  // A missing program folder stands for one under "Program Files" that the user cannot write.
  const std::u16string programFolder = Folder() + u"Programme\\Rufkartei\\";
  const std::u16string home = tk::HomeFolder();
  const std::filesystem::path settings = ToOsPath(tk::UserConfigFolder() + u"Rufkartei.ini");
  std::filesystem::remove(settings);
  Start(programFolder);
  EXPECT_EQ(book::RememberedFolder(1), home);
  ClickControl(kInfoToolTipBox);
  EXPECT_TRUE(Pump());
  End();
  EXPECT_EQ(rk::test::ReadFileBytes(settings), SettingsFileBytes(ToUtf8(home), ToUtf8(home), "0"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "Programme"));
  std::filesystem::remove(settings);
}

// Windows may end the program as soon as its windows heard that the session ends, before the
// loop returns: the settings are on disk by then, with the switch changed during the run.
TEST_F(ShellTest, SettingsAreWrittenBeforeTheEndOfTheWindowsSessionReturns) {
  Start();
  ClickControl(kInfoToolTipBox);
  EXPECT_TRUE(Pump());
  const HWND main = FindWindow(kMainWindow);
  EXPECT_TRUE(SendMessageW(main, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
  EXPECT_EQ(SettingsBytes(), "");
  SendMessageW(main, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
  EXPECT_EQ(SettingsBytes(), SettingsFileBytes(FolderUtf8(), FolderUtf8(), "0"));
  EXPECT_FALSE(Pump());
}
#else
// Sets an environment variable for one test (unsets it for nullptr) and restores it after.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value != nullptr) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST_F(ShellTest, InstalledProgramKeepsItsSettingsInTheUsersFolders) {
  // Root ignores permission bits, so a missing program folder stands for the system's one.
  const std::u16string programFolder = Folder() + rk::test::NativePath(u"usr/bin/");
  std::filesystem::create_directory(folder_ / "home");
  const std::string home = FolderUtf8() + "home/";
  const ScopedVariable homeVariable("HOME", home.c_str());
  const ScopedVariable configVariable("XDG_CONFIG_HOME", nullptr);
  Start(programFolder);
  // Both open-file dialogs and "Neu" start in the home folder.
  EXPECT_EQ(book::RememberedFolder(1), FromUtf8(home));
  EXPECT_EQ(book::RememberedFolder(2), FromUtf8(home));
  ClickControl(kInfoToolTipBox);
  EXPECT_TRUE(Pump());
  End();
  const std::filesystem::path settings = folder_ / "home/.config/rufkartei/Rufkartei.ini";
  EXPECT_EQ(rk::test::ReadFileBytes(settings), SettingsFileBytes(home, home, "0"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "usr"));
  EXPECT_FALSE(std::filesystem::exists(SettingsFile()));

  // The next start reads them from there.
  rk::test::WriteFileBytes(settings, "Telefonbuch2 = /srv/books/\r\nToolTip = 0\r\n");
  Start(programFolder);
  EXPECT_EQ(book::RememberedFolder(1), FromUtf8(home));
  EXPECT_EQ(book::RememberedFolder(2), u"/srv/books/");
  EXPECT_EQ(tk::GetState(kInfoToolTipBox), 0);
  End();
}
#endif

struct ToolTipRun {
  const char* stored;   // value in the settings file at start
  bool ticked;          // how the check box shows it
  int clicks;           // clicks on the check box during the run
  const char* written;  // value in the settings file after the run
};

class ToolTipLifeCycle : public ShellTest, public ::testing::WithParamInterface<ToolTipRun> {};

TEST_P(ToolTipLifeCycle, CheckBoxShowsTheSwitchAndClicksReplaceIt) {
  const ToolTipRun& run = GetParam();
  WriteSettings(std::string("ToolTip = ") + run.stored + "\r\n");
  Start();
  EXPECT_EQ(tk::GetState(kInfoToolTipBox), run.ticked ? 1 : 0);
  for (int click = 0; click < run.clicks; ++click) {
    ClickControl(kInfoToolTipBox);
    EXPECT_TRUE(Pump());
  }
  End();
  EXPECT_EQ(SettingsBytes(), SettingsFileBytes(FolderUtf8(), FolderUtf8(), run.written));
}

INSTANTIATE_TEST_SUITE_P(Runs, ToolTipLifeCycle,
                         ::testing::Values(ToolTipRun{"0", false, 0, "0"},
                                           ToolTipRun{"0", false, 1, "1"},
                                           ToolTipRun{"1", true, 0, "1"},
                                           ToolTipRun{"1", true, 1, "0"},
                                           ToolTipRun{"1", true, 2, "1"},
                                           ToolTipRun{"2", true, 0, "2"},
                                           ToolTipRun{"2", true, 1, "0"},
                                           ToolTipRun{"2", true, 2, "1"},
                                           ToolTipRun{"-3", true, 0, "-3"},
                                           ToolTipRun{"", false, 0, "0"}),
                         // "Stored2Clicks1", "StoredMinus3Clicks0", "StoredEmptyClicks0".
                         [](const ::testing::TestParamInfo<ToolTipRun>& param) {
                           std::string stored = param.param.stored;
                           if (stored.empty()) stored = "Empty";
                           if (stored.front() == '-') stored.replace(0, 1, "Minus");
                           return "Stored" + stored + "Clicks" + std::to_string(param.param.clicks);
                         });

TEST_F(ShellTest, FolderOfAFileLoadedIntoBookTwoIsWrittenAsItsRememberedFolder) {
  const std::filesystem::path books = folder_ / "Telefon";
  std::filesystem::create_directory(books);
  std::filesystem::copy_file(rk::test::DataFile("samples/two-space-indent-no-final-newline.xml"),
                             books / "alt.xml");
  Start();
  const std::vector<rk::test::Shown> shown = Load(2, FromOsPath(books / "alt.xml"));
  ASSERT_EQ(shown.size(), 1U);
  // The first dialog of a run starts in the folder the settings gave: the program folder.
  EXPECT_EQ(shown[0].text + rk::test::kSeparator, Folder());
  End();
  EXPECT_EQ(SettingsBytes(), SettingsFileBytes(FolderUtf8(), ToUtf8(FromOsPath(books) + rk::test::kSeparator), "1"));
}

TEST_F(ShellTest, TickingTheSwitchAddsTooltipsOnlyFromTheNextStart) {
  WriteSettings("ToolTip = 0\r\n");
  Start();
  ClickControl(kInfoToolTipBox);
  EXPECT_TRUE(Pump());
  EXPECT_FALSE(HasToolTip(kNewButton));
  End();

  Start();
  EXPECT_TRUE(HasToolTip(kNewButton));
}

TEST_F(ShellTest, SchliessenClosesTheInformationWindowAndTheLoopGoesOn) {
  WriteSettings("ToolTip = 0\r\n");
  Start();
  ClickControl(kInfoToolTipBox);
  EXPECT_TRUE(Pump());
  ClickControl(kInfoClose);
  EXPECT_TRUE(Pump());
  EXPECT_EQ(FindWindow(kInfoWindow), nullptr);
  EXPECT_EQ(FindControl(kInfoToolTipBox), nullptr);
  ASSERT_NE(FindWindow(kMainWindow), nullptr);
  EXPECT_TRUE(rk::test::IsShown(kMainWindow));

  // The main window's close box then ends the loop; the switch set before is written.
  PressCloseBox(kMainWindow);
  EXPECT_FALSE(Pump());
  End();
  EXPECT_EQ(SettingsBytes(), SettingsFileBytes(FolderUtf8(), FolderUtf8(), "1"));
}

TEST_F(ShellTest, CloseBoxEndsTheLoopWhileTheInformationWindowIsOpen) {
  Start();
  PressCloseBox(kMainWindow);
  EXPECT_FALSE(Pump());
  // The close box only asks: the windows stay until the program ends.
  EXPECT_NE(FindWindow(kMainWindow), nullptr);
  EXPECT_NE(FindWindow(kInfoWindow), nullptr);
  End();
  EXPECT_EQ(SettingsBytes(), SettingsFileBytes(FolderUtf8(), FolderUtf8(), "1"));
}

TEST_F(ShellTest, EventLoopReturnsAtTheFirstCloseRequest) {
  Start();
  // Queued before the loop waits: a click on "Schliessen", then the close box.
  rk::test::RunLater([] { ClickControl(kInfoClose); });
  rk::test::RunLater([] { PressCloseBox(kMainWindow); });
  RunEventLoop();
  EXPECT_EQ(FindWindow(kInfoWindow), nullptr);
  EXPECT_NE(FindWindow(kMainWindow), nullptr);
}

TEST_F(ShellTest, EventsOfControlsWithoutOperationAndOtherCodesAreIgnored) {
  Start();
  for (int control : {kPaneTitle, kCountLabel, kNameField, kFileField, kContactList,
                      PaneControl(2, kContactList), kInfoHeading, kInfoText, 36, -1}) {
    EXPECT_TRUE(DispatchEvent(tk::kEventControl, control)) << control;
  }
  EXPECT_TRUE(DispatchEvent(0, kInfoClose));
  EXPECT_TRUE(DispatchEvent(13101, kInfoClose));
  EXPECT_NE(FindWindow(kInfoWindow), nullptr);
  EXPECT_EQ(tk::GetState(kInfoToolTipBox), 1);
  EXPECT_FALSE(DispatchEvent(tk::kEventClose, 0));
}

}  // namespace
}  // namespace rk::app::test
