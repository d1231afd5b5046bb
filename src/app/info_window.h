#pragma once
// The information window shown at every start: a short guide, the licence notes and the
// tooltip switch.

#include <cstdint>

#include "app/shell_state.h"

namespace rk::app {

// Opens window 1 owned by `owner` with its heading, text, tooltip check box (ticked unless the
// switch is 0) and close button; nothing more when the window cannot be opened.
void BuildInfoWindow(tk::Handle owner, const Fonts& fonts, std::int32_t toolTipSwitch);

// Sets the tooltip switch to the state of the check box `checkBox` (1 ticked, 0 not).
void TakeToolTipSwitch(int checkBox);

}  // namespace rk::app
