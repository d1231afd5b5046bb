#pragma once
// The main window: two book panes side by side, each with its buttons, fields and contact list.

#include <cstdint>

#include "app/shell_state.h"

namespace rk::app {

// Opens window 0 with every control of both panes, and the tooltips when the switch is
// exactly 1; the window's handle, or 0 (then no control is created).
tk::Handle BuildMainWindow(const Fonts& fonts, std::int32_t toolTipSwitch);

}  // namespace rk::app
