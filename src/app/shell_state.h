#pragma once
// The program-wide values the shell owns for the whole run.

#include <cstdint>
#include <string>

#include "services/toolkit/toolkit.h"

namespace rk::app {

// Native handles of the three fonts (0 when a font could not be loaded).
struct Fonts {
  tk::Handle normal = 0;   // labels, buttons, text fields, check box
  tk::Handle heading = 0;  // pane titles and the information heading
  tk::Handle list = 0;     // contact lists and the information text
};

struct ShellState {
  // Folder of the executable, ending in "/".
  std::u16string programFolder;
  // Folder of the settings file and default of the remembered folders (ChooseSettingsPlace).
  std::u16string settingsFolder;
  std::u16string defaultFolder;
  // 1 = tooltips at the next start; any other value = none.
  std::int32_t toolTipSwitch = 1;
  Fonts fonts;
};

// The one instance, alive from StartShell to EndShell.
ShellState& Shell();

}  // namespace rk::app
