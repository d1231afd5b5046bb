#pragma once
// The three settings kept in "Rufkartei.ini" beside the executable.

#include <string>
#include <string_view>

#include "app/shell_state.h"

namespace rk::app {

// Path of the settings file: the program folder followed by "Rufkartei.ini".
std::u16string SettingsPath(std::u16string_view programFolder);

// Reads the remembered folders and the tooltip switch into the state; missing keys or a
// missing file give the program folder and 1.
void ReadProgramSettings(ShellState& state);

// Writes the file anew with the three current values; nothing when it cannot be created.
void WriteProgramSettings(const ShellState& state);

}  // namespace rk::app
