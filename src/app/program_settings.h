#pragma once
// The three settings kept in "Rufkartei.ini", and where that file lives.

#include <string>
#include <string_view>

#include "app/shell_state.h"

namespace rk::app {

// The folder of the settings file and the folder both remembered folders start from.
struct SettingsPlace {
  std::u16string settingsFolder;
  std::u16string defaultFolder;
};

// Both are `programFolder` when the user may write "Rufkartei.ini" there (the build tree, an
// unpacked folder); otherwise, for an installed program, the user's configuration folder and
// home folder. A user folder that is unknown (empty) falls back to the program folder.
SettingsPlace ChooseSettingsPlace(std::u16string_view programFolder,
                                  std::u16string_view configFolder,
                                  std::u16string_view homeFolder);

// Path of the settings file: its folder followed by "Rufkartei.ini".
std::u16string SettingsPath(std::u16string_view settingsFolder);

// Reads the tooltip switch into the state and the remembered folders into the book slots,
// which keep them while the program runs; missing keys or a missing file give the default
// folder and 1.
void ReadProgramSettings(ShellState& state);

// Writes the file anew with the three current values (the folders from the book slots), making the user's configuration folder
// when it is the settings folder and does not exist yet; nothing when it cannot be created.
void WriteProgramSettings(const ShellState& state);

}  // namespace rk::app
