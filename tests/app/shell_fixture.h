#pragma once
// A started shell for one test: a temporary program folder, the real windows offscreen, and
// event handling step by step through the shell's own dispatch.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "app/shell.h"
#include "services/text.h"
#include "support/qt_support.h"
#include "support/test_support.h"

namespace rk::app::test {

class ShellTest : public ::testing::Test {
 protected:
  void TearDown() override {
    if (started_) EndShell();
  }

  // The temporary program folder as the shell sees it, ending in "/".
  std::u16string Folder() const { return FromOsPath(folder_.path()) + u"/"; }
  std::string FolderUtf8() const { return ToUtf8(Folder()); }

  std::filesystem::path SettingsFile() const { return folder_ / "Rufkartei.ini"; }
  void WriteSettings(std::string_view bytes) const { rk::test::WriteFileBytes(SettingsFile(), bytes); }
  std::string SettingsBytes() const { return rk::test::ReadFileBytes(SettingsFile()); }

  // Starts the shell with the given program folder (the temporary one by default) and handles
  // what the start left pending.
  void Start() { Start(Folder()); }
  void Start(const std::u16string& programFolder) {
    ASSERT_TRUE(StartShell(programFolder));
    started_ = true;
    EXPECT_TRUE(Pump());
  }

  // Handles every pending event as the event loop would; false once a close request came,
  // after which the loop would have ended.
  bool Pump() {
    bool goesOn = true;
    rk::test::DrainEvents([&goesOn](int code, int control) {
      if (goesOn) goesOn = DispatchEvent(code, control);
    });
    return goesOn;
  }

  // Ends the shell as after the event loop: settings written, fonts freed, toolkit ended.
  void End() {
    if (started_) EndShell();
    started_ = false;
  }

  rk::test::TempFolder folder_;

 private:
  bool started_ = false;
};

// The settings file the shell writes for the three values.
inline std::string SettingsFileBytes(std::string_view bookOne, std::string_view bookTwo,
                                     std::string_view toolTip) {
  std::string bytes = "\xEF\xBB\xBF\r\n";
  bytes += "Telefonbuch1 = " + std::string(bookOne) + "\r\n";
  bytes += "Telefonbuch2 = " + std::string(bookTwo) + "\r\n";
  bytes += "ToolTip = " + std::string(toolTip) + "\r\n";
  return bytes;
}

}  // namespace rk::app::test
