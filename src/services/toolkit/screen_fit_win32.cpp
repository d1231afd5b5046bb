// One factor for every position, size and font: the monitor's DPI over the 96 the layout is
// drawn for, shrunk further when the main window would not fit the work area.
#include "services/toolkit/state_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "services/toolkit/list_win32.h"

namespace rk::tk::detail {
namespace {

constexpr double kSmallestScale = 0.75;
constexpr double kLayoutDpi = 96.0;

int Round(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

double FitScale(double preferred, int width, int height, int frameWidth, int frameHeight,
                const RECT& area) {
  const int areaWidth = area.right - area.left;
  const int areaHeight = area.bottom - area.top;
  if (width <= 0 || height <= 0 || areaWidth <= 0 || areaHeight <= 0) return preferred;
  const double room = std::min(static_cast<double>(areaWidth - frameWidth) / width,
                               static_cast<double>(areaHeight - frameHeight) / height);
  if (room >= preferred) return preferred;
  return std::min(preferred, std::max(room, kSmallestScale));
}

void ChooseScale(int width, int height, DWORD style, DWORD exStyle) {
  ToolkitState* state = State();
  if (state == nullptr || state->scaleChosen) return;
  state->scaleChosen = true;
  RECT frame{};
  AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, state->dpi);
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (!GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor)) return;
  const double preferred = state->dpi / kLayoutDpi;
  const double chosen = FitScale(preferred, width, height, frame.right - frame.left,
                                 frame.bottom - frame.top, monitor.rcWork);
  state->fit = chosen / preferred;
}

double Scale() {
  const ToolkitState* state = State();
  return state != nullptr ? state->dpi / kLayoutDpi * state->fit : 1.0;
}

int Scaled(int length) {
  const double scale = Scale();
  return scale == 1.0 ? length : Round(length * scale);
}

RECT ScaledRect(const LayoutRect& rect) {
  const double scale = Scale();
  const int left = Round(rect.x * scale);
  const int top = Round(rect.y * scale);
  return {left, top, Round((rect.x + rect.width) * scale), Round((rect.y + rect.height) * scale)};
}

void ApplyDpi(UINT dpi) {
  ToolkitState* state = State();
  if (state == nullptr || dpi == 0 || dpi == state->dpi) return;
  state->dpi = dpi;
  RefreshFonts();
  for (auto& [number, entry] : state->controls) {
    const RECT place = ScaledRect(entry.rect);
    SetWindowPos(entry.hwnd, nullptr, place.left, place.top, place.right - place.left,
                 place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (entry.list) {
      for (std::size_t column = 0; column < entry.list->widths.size(); ++column) {
        ListView_SetColumnWidth(entry.hwnd, static_cast<int>(column),
                                Scaled(entry.list->widths[column]));
      }
    }
  }
}

}  // namespace rk::tk::detail
