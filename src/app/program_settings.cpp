#include "app/program_settings.h"

#include "book/book.h"
#include "services/folders.h"
#include "services/settings.h"

namespace rk::app {
namespace {

constexpr std::u16string_view kBookOneKey = u"Telefonbuch1";
constexpr std::u16string_view kBookTwoKey = u"Telefonbuch2";
constexpr std::u16string_view kToolTipKey = u"ToolTip";
constexpr std::u16string_view kSettingsName = u"Rufkartei.ini";

}  // namespace

SettingsPlace ChooseSettingsPlace(std::u16string_view programFolder,
                                  std::u16string_view configFolder,
                                  std::u16string_view homeFolder) {
  const std::u16string beside(programFolder);
  if (MayWriteFile(programFolder, kSettingsName)) return SettingsPlace{beside, beside};
  return SettingsPlace{configFolder.empty() ? beside : std::u16string(configFolder),
                       homeFolder.empty() ? beside : std::u16string(homeFolder)};
}

std::u16string SettingsPath(std::u16string_view settingsFolder) {
  return std::u16string(settingsFolder) + std::u16string(kSettingsName);
}

void ReadProgramSettings(ShellState& state) {
  // A missing or unreadable file is no error: every read then gives its default.
  static_cast<void>(OpenSettings(SettingsPath(state.settingsFolder)));
  book::SetRememberedFolder(1, ReadSettingString(kBookOneKey, state.defaultFolder));
  book::SetRememberedFolder(2, ReadSettingString(kBookTwoKey, state.defaultFolder));
  state.toolTipSwitch = ReadSettingInteger(kToolTipKey, 1);
  static_cast<void>(CloseSettings());
}

void WriteProgramSettings(const ShellState& state) {
  // Only the user's configuration folder is made; a missing program folder stays missing.
  // A folder that cannot be made shows in CreateSettings failing.
  if (state.settingsFolder != state.programFolder) static_cast<void>(MakeFolders(state.settingsFolder));
  if (CreateSettings(SettingsPath(state.settingsFolder)) == 0) return;
  WriteSettingString(kBookOneKey, book::RememberedFolder(1));
  WriteSettingString(kBookTwoKey, book::RememberedFolder(2));
  WriteSettingInteger(kToolTipKey, state.toolTipSwitch);
  // The settings are written once, at the end, and a failed write is not reported.
  static_cast<void>(CloseSettings());
}

}  // namespace rk::app
