#pragma once
// The shell's three fonts in toolkit font slots 0 to 2.

#include "app/shell_state.h"

namespace rk::app {

// Loads the normal, heading and list fonts; a font that fails leaves its handle 0.
Fonts LoadFonts();

// Frees every font slot that holds one of the shell's fonts.
void FreeFonts();

}  // namespace rk::app
