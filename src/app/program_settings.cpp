#include "app/program_settings.h"

#include "services/settings.h"

namespace rk::app {
namespace {

constexpr std::u16string_view kBookOneKey = u"Telefonbuch1";
constexpr std::u16string_view kBookTwoKey = u"Telefonbuch2";
constexpr std::u16string_view kToolTipKey = u"ToolTip";

}  // namespace

std::u16string SettingsPath(std::u16string_view programFolder) {
  return std::u16string(programFolder) + u"Rufkartei.ini";
}

void ReadProgramSettings(ShellState& state) {
  // A missing or unreadable file is no error: every read then gives its default.
  OpenSettings(SettingsPath(state.programFolder));
  state.rememberedFolders[0] = ReadSettingString(kBookOneKey, state.programFolder);
  state.rememberedFolders[1] = ReadSettingString(kBookTwoKey, state.programFolder);
  state.toolTipSwitch = ReadSettingInteger(kToolTipKey, 1);
  CloseSettings();
}

void WriteProgramSettings(const ShellState& state) {
  if (CreateSettings(SettingsPath(state.programFolder)) == 0) return;
  WriteSettingString(kBookOneKey, state.rememberedFolders[0]);
  WriteSettingString(kBookTwoKey, state.rememberedFolders[1]);
  WriteSettingInteger(kToolTipKey, state.toolTipSwitch);
  CloseSettings();
}

}  // namespace rk::app
