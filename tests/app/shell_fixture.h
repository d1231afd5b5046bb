#pragma once
// The app tests' shell: started by each test itself, with the settings file of its program
// folder at hand.

#include <filesystem>
#include <string>
#include <string_view>

#include "app/shell.h"
#include "services/text.h"
#include "support/shell_support.h"

namespace rk::app::test {

class ShellTest : public rk::test::ShellHarness {
 protected:
  std::filesystem::path SettingsFile() const { return folder_ / "Rufkartei.ini"; }
  void WriteSettings(std::string_view bytes) const { rk::test::WriteFileBytes(SettingsFile(), bytes); }
  std::string SettingsBytes() const { return rk::test::ReadFileBytes(SettingsFile()); }
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
