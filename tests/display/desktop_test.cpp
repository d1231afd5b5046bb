// The real program on a real X display under a window manager: window ownership and
// stacking, fixed size, keyboard focus, tooltips, the open-file dialog, ticking and copying
// with real input, the end of a session (close box, SIGTERM, a display that goes away), and
// screens the fixed layout would not fit.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "display/display_support.h"
#include "support/test_support.h"

namespace rk::test {
namespace {

constexpr int kMainWidth = 1630;
constexpr int kMainHeight = 920;

// A point of the main window's client area at the fixed layout: `x`, `y` inside the area
// within the border of pane `slot`, moved by the window's place on the screen.
struct Layout {
  WindowGeometry window;
  int PaneX(int slot, int x) const { return window.x + (slot == 1 ? 10 : 820) + 1 + x; }
  int PaneY(int y) const { return window.y + 10 + 1 + y; }
};

// Centres of the pane controls the tests press (positions of the fixed layout).
constexpr int kNewX = 220 + 20, kLoadX = 265 + 27, kSaveX = 325 + 40, kCopyX = 540 + 37;
constexpr int kButtonY = 10 + 12;
// Somewhere in the first row of a list, below its header.
constexpr int kFirstRowX = 100, kFirstRowY = 75 + 28;

std::string Settings(const std::string& bookOne, const std::string& bookTwo, int toolTip) {
  return "\xEF\xBB\xBF\r\nTelefonbuch1 = " + bookOne + "\r\nTelefonbuch2 = " + bookTwo +
         "\r\nToolTip = " + std::to_string(toolTip) + "\r\n";
}

std::string Hex(unsigned long id) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

bool FrameOnScreen(const WindowGeometry& geometry, const XDisplay& display) {
  return geometry.FrameLeft() >= 0 && geometry.FrameTop() >= 0 &&
         geometry.FrameRight() <= display.width() && geometry.FrameBottom() <= display.height();
}

// The first file in `folder` whose name ends in `suffix`, waited for up to five seconds.
std::filesystem::path WaitForFile(const std::filesystem::path& folder, const std::string& suffix) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::string name = entry.path().filename().string();
      if (name.size() >= suffix.size() && name.ends_with(suffix)) return entry.path();
    }
    std::this_thread::sleep_for(Milliseconds(50));
  }
  return {};
}

bool WaitUntilGone(const XDisplay& display, const std::string& name) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    if (!display.HasWindow(name)) return true;
    std::this_thread::sleep_for(Milliseconds(50));
  }
  return false;
}

class DesktopTest : public ::testing::Test {
 protected:
  std::string Folder() const { return folder_.path().string() + "/"; }
  void WriteSettings(const std::string& bytes) const {
    WriteFileBytes(folder_ / "Rufkartei.ini", bytes);
  }
  std::string ReadSettings() const { return ReadFileBytes(folder_ / "Rufkartei.ini"); }

  TempFolder folder_;
};

TEST_F(DesktopTest, InformationStaysAboveTheFixedMainWindowUntilClosedAndTheCloseBoxEnds) {
  XDisplay display(1920, 1080, 96);
  ASSERT_TRUE(display.ready());
  ProgramUnderTest program(folder_.path());
  ASSERT_TRUE(program.Start(display)) << program.Log();
  const unsigned long main = program.mainWindow();
  const std::optional<unsigned long> info = display.WaitForWindow(kInfoWindowName);
  ASSERT_TRUE(info.has_value());

  // Where the whole window fits at the desktop's scale, it keeps its size, frame on screen.
  const Layout layout{display.Geometry(main)};
  EXPECT_EQ(layout.window.width, kMainWidth);
  EXPECT_EQ(layout.window.height, kMainHeight);
  EXPECT_TRUE(FrameOnScreen(layout.window, display));

  // The class the desktop entry names (StartupWMClass), so the desktop matches the window to
  // its menu entry and icon.
  EXPECT_NE(display.Property(main, "WM_CLASS").find("\"rufkartei\", \"rufkartei\""),
            std::string::npos);

  // The information window is owned by the main window and centred on the screen.
  EXPECT_NE(display.Property(*info, "WM_TRANSIENT_FOR").find(Hex(main)), std::string::npos);
  const WindowGeometry box = display.Geometry(*info);
  EXPECT_NEAR((box.FrameLeft() + box.FrameRight()) / 2, 960, 10);
  EXPECT_NEAR((box.FrameTop() + box.FrameBottom()) / 2, 540, 10);

  // Fixed size: neither resizing nor maximising changes the main window.
  const std::string actions = display.Property(main, "_NET_WM_ALLOWED_ACTIONS");
  EXPECT_EQ(actions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << actions;
  EXPECT_EQ(actions.find("_NET_WM_ACTION_MAXIMIZE"), std::string::npos) << actions;
  EXPECT_NE(actions.find("_NET_WM_ACTION_MINIMIZE"), std::string::npos) << actions;
  EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
  display.Tool({"xdotool", "windowsize", std::to_string(main), "900", "600"});
  display.Tool({"wmctrl", "-i", "-r", Hex(main), "-b", "add,maximized_vert,maximized_horz"});
  std::this_thread::sleep_for(Milliseconds(300));
  const WindowGeometry after = display.Geometry(main);
  EXPECT_EQ(after.width, kMainWidth);
  EXPECT_EQ(after.height, kMainHeight);

  // A click into the main window (beside the panes, so no control takes the focus) leaves the
  // information above it.
  display.Click(layout.window.x + 5, layout.window.y + 500);
  std::this_thread::sleep_for(Milliseconds(300));
  const std::vector<unsigned long> stacking = display.Stacking();
  const auto mainAt = std::find(stacking.begin(), stacking.end(), main);
  const auto infoAt = std::find(stacking.begin(), stacking.end(), *info);
  ASSERT_NE(infoAt, stacking.end());
  EXPECT_GT(infoAt, mainAt);

  // ToolTip = 1 (the default): hovering over a button shows its tooltip.
  display.MoveTo(layout.PaneX(1, kNewX), layout.PaneY(kButtonY));
  EXPECT_TRUE(display.WaitForToolTip(Milliseconds(5000)));

  // "Schliessen" closes it, and the keyboard goes to the main window: Space presses the
  // focused "Neu", two Tabs reach "Speichern", and the new book is written.
  display.Click(box.x + 250 + 60, box.y + 450 + 15);
  EXPECT_TRUE(WaitUntilGone(display, kInfoWindowName));
  EXPECT_EQ(display.ActiveWindow(), main);
  display.MoveTo(0, 0);
  display.Keys({"space", "Tab", "Tab", "space"});
  EXPECT_FALSE(WaitForFile(folder_.path(), ".xml_NEU.xml").empty());

  // The close box (through the window manager) ends the program normally.
  display.Tool({"wmctrl", "-i", "-c", Hex(main)});
  const std::optional<int> status = program.process().WaitForEnd(Milliseconds(10000));
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(ExitStatus(*status), 0) << program.Log();
  EXPECT_EQ(ReadSettings(), Settings(Folder(), Folder(), 1));
}

TEST_F(DesktopTest, GermanFileDialogFillsTheListSpaceTicksAndSigtermEndsNormally) {
  const std::filesystem::path books = folder_ / "books";
  std::filesystem::create_directory(books);
  std::filesystem::copy_file(DataFile("samples/tab-indented-9-contacts.xml"),
                             books / "alt.xml");
  WriteSettings(Settings(Folder(), Folder(), 0));
  XDisplay display(1920, 1080, 96);
  ASSERT_TRUE(display.ready());
  ProgramUnderTest program(folder_.path());
  ASSERT_TRUE(program.Start(display)) << program.Log();
  const Layout layout{display.Geometry(program.mainWindow())};

  // ToolTip = 0: no tooltip however long the pointer rests on a button.
  display.MoveTo(layout.PaneX(1, kNewX), layout.PaneY(kButtonY));
  EXPECT_FALSE(display.WaitForToolTip(Milliseconds(1500)));

  // "Laden" opens the dialog with its German title, owned by the main window.
  display.Click(layout.PaneX(1, kLoadX), layout.PaneY(kButtonY));
  const std::optional<unsigned long> dialog = display.WaitForWindow(kFileDialogName);
  ASSERT_TRUE(dialog.has_value());
  EXPECT_NE(display.Property(*dialog, "_NET_WM_NAME").find("\"Telefonbuch auswählen:\""),
            std::string::npos);
  EXPECT_NE(display.Property(*dialog, "WM_TRANSIENT_FOR").find(Hex(program.mainWindow())),
            std::string::npos);
  display.Type((books / "alt.xml").string());
  display.Keys({"Return"});
  EXPECT_TRUE(WaitUntilGone(display, kFileDialogName));
  EXPECT_FALSE(WaitForFile(books, "alt.xml_Formatiert.xml").empty());

  // A click highlights the first contact, Space ticks it, "Kopieren" copies it into book 2,
  // which "Neu" started and "Speichern" writes.
  display.Click(layout.PaneX(2, kNewX), layout.PaneY(kButtonY));
  display.Click(layout.PaneX(1, kFirstRowX), layout.PaneY(kFirstRowY));
  display.Keys({"space"});
  display.Click(layout.PaneX(1, kCopyX), layout.PaneY(kButtonY));
  display.Click(layout.PaneX(2, kSaveX), layout.PaneY(kButtonY));
  const std::filesystem::path saved = WaitForFile(folder_.path(), ".xml_NEU.xml");
  ASSERT_FALSE(saved.empty());
  std::this_thread::sleep_for(Milliseconds(200));
  const std::string book = ReadFileBytes(saved);
  EXPECT_NE(book.find("<realName>Test GmbH</realName>"), std::string::npos) << book;
  EXPECT_EQ(book.find("<realName>Guter Nachbar</realName>"), std::string::npos) << book;

  // SIGTERM, as at the end of the desktop session: a normal end with the settings written.
  program.process().Signal(SIGTERM);
  const std::optional<int> status = program.process().WaitForEnd(Milliseconds(10000));
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(ExitStatus(*status), 0) << program.Log();
  EXPECT_EQ(ReadSettings(), Settings(books.string() + "/", Folder(), 0));
}

TEST_F(DesktopTest, ADisplayThatGoesAwayEndsTheProgramWithoutAFault) {
  XDisplay display(1280, 1024, 96);
  ASSERT_TRUE(display.ready());
  ProgramUnderTest program(folder_.path());
  ASSERT_TRUE(program.Start(display)) << program.Log();
  display.KillServer();
  const std::optional<int> status = program.process().WaitForEnd(Milliseconds(10000));
  ASSERT_TRUE(status.has_value());
  EXPECT_TRUE(WIFEXITED(*status)) << "ended by signal " << WTERMSIG(*status) << "\n"
                                  << program.Log();
}

TEST_F(DesktopTest, TheWholeFrameFitsAScaledDesktopAndASmallScreen) {
  struct Screen {
    int width, height, dpi;
  };
  for (const Screen screen : {Screen{1920, 1080, 120}, Screen{1366, 768, 96}}) {
    SCOPED_TRACE(std::to_string(screen.width) + "x" + std::to_string(screen.height) + " at " +
                 std::to_string(screen.dpi) + " dpi");
    XDisplay display(screen.width, screen.height, screen.dpi);
    ASSERT_TRUE(display.ready());
    ProgramUnderTest program(folder_.path());
    ASSERT_TRUE(program.Start(display)) << program.Log();
    const WindowGeometry main = display.Geometry(program.mainWindow());
    EXPECT_TRUE(FrameOnScreen(main, display))
        << main.FrameLeft() << "," << main.FrameTop() << " - " << main.FrameRight() << ","
        << main.FrameBottom();
    // Smaller than the desktop would make it, but never below three quarters.
    EXPECT_GE(main.width, kMainWidth * 3 / 4);
    EXPECT_LT(main.width, kMainWidth * screen.dpi / 96);
    EXPECT_NEAR(main.width * kMainHeight / kMainWidth, main.height, 1);
    const std::optional<unsigned long> info = display.WaitForWindow(kInfoWindowName);
    ASSERT_TRUE(info.has_value());
    EXPECT_TRUE(FrameOnScreen(display.Geometry(*info), display));
    program.process().Signal(SIGTERM);
    ASSERT_TRUE(program.process().WaitForEnd(Milliseconds(10000)).has_value());
  }
}

}  // namespace
}  // namespace rk::test
