#pragma once
// The table from control number to the operation a control event of that control runs.

namespace rk::app {

// Runs the operation bound to `control` to its end; nothing for a control without one.
void DispatchControl(int control);

}  // namespace rk::app
