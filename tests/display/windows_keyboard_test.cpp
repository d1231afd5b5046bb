// The Windows build under Wine, on the same kind of display, driven by the same keys as the
// Linux build: both write the same bytes, and Alt+F4 ends both with their settings written.
// Skipped when there is no Windows build beside this one.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>

#include "display/display_support.h"
#include "support/test_support.h"

namespace rk::test {
namespace {

struct Outcome {
  std::string formatted;  // books/alt.xml_Formatiert.xml
  std::string saved;      // book 2 as "Speichern" wrote it
  std::string settings;   // Rufkartei.ini after Alt+F4, its folder written as "<folder>"
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// A path as the program sees it: Wine shows the Linux file system as drive Z:.
std::string NativePath(const std::filesystem::path& path, bool windows) {
  if (!windows) return path.string();
  std::string native = "Z:" + path.string();
  std::replace(native.begin(), native.end(), '/', '\\');
  return native;
}

bool WaitUntil(const std::function<bool()>& done) {
  for (int attempt = 0; attempt < 200; ++attempt) {
    if (done()) return true;
    std::this_thread::sleep_for(Milliseconds(50));
  }
  return done();
}

// The whole journey by keys alone: "Schliessen", "Laden" of book 1 through the open-file
// dialog, "Neu" in book 2, the first contact ticked with Space and the third with "A +",
// "Kopieren", a name typed into book 2's Name field, "Speichern", then Alt+F4.
void Journey(bool windows, Outcome& outcome) {
  const TempFolder folder;
  const std::string separator = windows ? "\\" : "/";
  const std::string home = NativePath(folder.path(), windows) + separator;
  std::filesystem::create_directory(folder / "books");
  const std::filesystem::path book = folder / "books" / "alt.xml";
  std::filesystem::copy_file(DataFile("samples/tab-indented-9-contacts.xml"), book);
  WriteFileBytes(folder / "Rufkartei.ini", "\xEF\xBB\xBF\r\nTelefonbuch1 = " + home +
                                              "\r\nTelefonbuch2 = " + home + "\r\nToolTip = 0\r\n");

  XDisplay display(1920, 1080, 96);
  ASSERT_TRUE(display.ready());
  std::vector<std::string> environment;
  std::optional<ProgramUnderTest> program;
  if (windows) {
    // The prefix is made (once, some seconds) before the program's window is waited for.
    environment.push_back("RUFKARTEI_WINEPREFIX=" RUFKARTEI_WINE_PREFIX);
    const CommandResult ready =
        RunCommand({RUFKARTEI_WINE_RUN, "cmd", "/c", "exit"},
                   {environment[0], "DISPLAY=" + display.name()}, Milliseconds(60000));
    ASSERT_EQ(ready.status, 0);
    program.emplace(folder.path(), RUFKARTEI_WINDOWS_BINARY, RUFKARTEI_WINE_RUN);
  } else {
    program.emplace(folder.path());
  }
  ASSERT_TRUE(program->Start(display, environment)) << program->Log();

  const std::optional<unsigned long> info = display.WaitForWindow(kInfoWindowName);
  ASSERT_TRUE(info.has_value());
  // Under Wine the window manager's answer to the main window's showing may come after the
  // Information window opened and take the keyboard back to the main window (Windows itself
  // activates synchronously); the window manager is then asked to activate it, as a click on
  // it would.
  if (windows && !WaitUntil([&] { return display.ActiveWindow() == info; })) {
    display.Tool({"xdotool", "windowactivate", "--sync", std::to_string(*info)});
  }
  display.Keys({"Tab", "Tab", "Return"});
  ASSERT_TRUE(WaitUntil([&] { return !display.HasWindow(kInfoWindowName); }));
  display.Keys({"Tab", "Return"});
  ASSERT_TRUE(display.WaitForWindow(kFileDialogName).has_value());
  display.Type(NativePath(book, windows));
  display.Keys({"Return"});
  const std::filesystem::path formatted = folder / "books" / "alt.xml_Formatiert.xml";
  ASSERT_NE(WaitForText(formatted, "</phonebooks>"), "") << program->Log();
  ASSERT_TRUE(WaitUntil([&] { return !display.HasWindow(kFileDialogName); }));

  CopyTwoContactsIntoANewBookTwoAndSave(display);

  std::filesystem::path saved;
  WaitUntil([&] {
    for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      if (entry.path().filename().string().ends_with(".xml_NEU.xml")) saved = entry.path();
    }
    return !saved.empty();
  });
  ASSERT_FALSE(saved.empty()) << program->Log();
  outcome.saved = WaitForText(saved, "</phonebooks>\n");
  outcome.formatted = ReadFileBytes(formatted);

  display.Keys({"alt+F4"});
  const std::optional<int> end = program->process().WaitForEnd(Milliseconds(20000));
  ASSERT_TRUE(end.has_value()) << program->Log();
  EXPECT_EQ(ExitStatus(*end), 0);
  outcome.settings = Replaced(ReadFileBytes(folder / "Rufkartei.ini"), home, "<folder>" + separator);
}

TEST(WindowsProgram, TheSameKeysWriteTheSameBytesAsOnLinuxAndAltF4WritesTheSettings) {
  if (!std::filesystem::exists(RUFKARTEI_WINDOWS_BINARY)) {
    GTEST_SKIP() << "no Windows build at " RUFKARTEI_WINDOWS_BINARY;
  }
  Outcome onLinux;
  Journey(false, onLinux);
  ASSERT_FALSE(HasFatalFailure());
  Outcome onWindows;
  Journey(true, onWindows);
  ASSERT_FALSE(HasFatalFailure());

  EXPECT_EQ(onWindows.formatted, onLinux.formatted);
  EXPECT_EQ(onWindows.saved, onLinux.saved);
  EXPECT_NE(onWindows.saved.find("name=\"Kartei\""), std::string::npos);
  // The same settings, each in its own system's path form.
  EXPECT_EQ(Replaced(onWindows.settings, "\\", "/"), onLinux.settings);
  EXPECT_NE(onLinux.settings.find("Telefonbuch1 = <folder>/books/"), std::string::npos);
}

}  // namespace
}  // namespace rk::test
