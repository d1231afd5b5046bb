// Numbered top-level windows and the bordered panes: creation, colour, closing, and the one
// window procedure that turns their messages into the toolkit's events.
#include "services/toolkit/state_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <utility>


namespace rk::tk {
namespace detail {
namespace {

// The background a control or window paints: its own colour, else that of the pane or window
// it sits in; nothing when all of them keep the system's.
std::optional<COLORREF> BackgroundOf(HWND hwnd) {
  for (; hwnd != nullptr; hwnd = GetParent(hwnd)) {
    if (const ControlEntry* entry = ControlOf(hwnd)) {
      if (entry->background) return entry->background;
      continue;
    }
    const WindowEntry* window = FindWindow(WindowNumberOf(hwnd));
    return window != nullptr ? window->background : std::nullopt;
  }
  return std::nullopt;
}

// Colours of a label, check box, button or field, asked for as it paints. Text fields keep the
// system's white unless given a background of their own.
LRESULT ControlColours(HWND parent, UINT message, HDC hdc, HWND child) {
  const LRESULT standard = DefWindowProcW(parent, message, reinterpret_cast<WPARAM>(hdc),
                                          reinterpret_cast<LPARAM>(child));
  const ControlEntry* entry = ControlOf(child);
  if (entry == nullptr) return standard;
  if (entry->text) SetTextColor(hdc, *entry->text);
  const std::optional<COLORREF> background =
      message == WM_CTLCOLOREDIT ? entry->background : BackgroundOf(child);
  if (!background) return standard;
  SetBkColor(hdc, *background);
  return reinterpret_cast<LRESULT>(BrushOf(*background));
}

// The session is ending: the program hears a close request, as from the close box, and the
// dialog of a running operation is cancelled so the loop gets to it.
void RequestEnd() {
  ToolkitState* state = State();
  if (state == nullptr || state->endRequested) return;
  state->endRequested = true;
  QueueEvent(kEventClose, -1, -1);
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND hwnd, LPARAM) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(hwnd, name, 16);
        if (std::wstring_view(name) == L"#32770") PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
      },
      0);
}

// Kept outside the toolkit's tables, like the dialog hook, so it holds whenever it was set.
std::function<void()> g_sessionEnd;

// Fits the window's frame around its layout client size at the running scale, at `left`, `top`.
void PlaceWindow(const WindowEntry& window, int left, int top) {
  RECT outer{0, 0, Scaled(window.clientWidth), Scaled(window.clientHeight)};
  AdjustWindowRectExForDpi(&outer, static_cast<DWORD>(GetWindowLongPtrW(window.hwnd, GWL_STYLE)),
                           FALSE, static_cast<DWORD>(GetWindowLongPtrW(window.hwnd, GWL_EXSTYLE)),
                           State()->dpi);
  SetWindowPos(window.hwnd, nullptr, left, top, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

LRESULT CALLBACK ToolkitWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  ToolkitState* state = State();
  if (state == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_COMMAND: {
      int control = -1;
      const ControlEntry* entry = ControlOf(reinterpret_cast<HWND>(lParam), &control);
      if (entry != nullptr && HIWORD(wParam) == BN_CLICKED &&
          (entry->kind == ControlKind::kButton || entry->kind == ControlKind::kCheckBox)) {
        QueueEvent(kEventControl, entry->window, control);
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto& header = *reinterpret_cast<NMHDR*>(lParam);
      int control = -1;
      ControlEntry* entry = ControlOf(header.hwndFrom, &control);
      if (entry != nullptr && entry->kind == ControlKind::kCheckList) {
        return ListNotify(control, *entry, header);
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
      return ControlColours(hwnd, message, reinterpret_cast<HDC>(wParam),
                            reinterpret_cast<HWND>(lParam));
    case WM_ERASEBKGND: {
      const std::optional<COLORREF> background = BackgroundOf(hwnd);
      RECT client{};
      GetClientRect(hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wParam), &client,
               background ? BrushOf(*background) : GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CLOSE: {
      // The close box only asks; the program answers with CloseWindow or by ending.
      const int window = WindowNumberOf(hwnd);
      if (window >= 0) QueueEvent(kEventClose, window, -1);
      return 0;
    }
    case WM_ACTIVATE: {
      // The keyboard comes back to the control that had it, as in a dialog.
      WindowEntry* window = FindWindow(WindowNumberOf(hwnd));
      if (window == nullptr) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd, focus)) window->lastFocus = focus;
        return 0;
      }
      HWND focus = window->lastFocus;
      if (focus == nullptr || !IsWindow(focus)) focus = GetNextDlgTabItem(hwnd, nullptr, FALSE);
      if (focus != nullptr) {
        SetFocus(focus);
        return 0;
      }
      break;
    }
    case WM_QUERYENDSESSION:
      // Windows ends the process soon after the session's end is confirmed, so the close
      // request is queued now and the loop woken to write the settings at once.
      RequestEnd();
      PostMessageW(hwnd, WM_NULL, 0, 0);
      return TRUE;
    case WM_ENDSESSION:
      if (wParam != 0) {
        RequestEnd();
        // Windows may end the process as soon as this returns, long before the loop gets to
        // the close request, so what must be kept is written now; once, though every
        // top-level window hears it.
        if (const std::function<void()> keep = std::exchange(g_sessionEnd, nullptr)) keep();
      }
      return 0;
    case WM_DPICHANGED: {
      const int number = WindowNumberOf(hwnd);
      if (number < 0) break;
      ApplyDpi(HIWORD(wParam));
      const RECT& suggested = *reinterpret_cast<const RECT*>(lParam);
      PlaceWindow(*FindWindow(number), suggested.left, suggested.top);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace detail

using namespace detail;

namespace {

// Where the frame of a window of `outer` size goes: centred in the work area of the owner's
// monitor (else the primary one) with its title bar kept inside, centred on the owner (else
// the active window) for kWindowCentreOwner, else at x, y.
POINT WindowPosition(int x, int y, SIZE outer, std::uint32_t flags, HWND owner) {
  if ((flags & kWindowCentreScreen) != 0) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    const HMONITOR handle = owner != nullptr
                                ? MonitorFromWindow(owner, MONITOR_DEFAULTTOPRIMARY)
                                : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (GetMonitorInfoW(handle, &monitor)) {
      const RECT& area = monitor.rcWork;
      return {std::max(area.left + (area.right - area.left - outer.cx) / 2, area.left),
              std::max(area.top + (area.bottom - area.top - outer.cy) / 2, area.top)};
    }
  }
  if ((flags & (kWindowCentreScreen | kWindowCentreOwner)) != 0) {
    const HWND reference = owner != nullptr ? owner : GetActiveWindow();
    RECT area{};
    if (reference != nullptr && GetWindowRect(reference, &area)) {
      return {(area.left + area.right - outer.cx) / 2, (area.top + area.bottom - outer.cy) / 2};
    }
  }
  return {Scaled(x), Scaled(y)};
}

}  // namespace

Handle OpenWindow(int window, int x, int y, int width, int height, std::u16string_view title,
                  std::uint32_t flags, Handle owner) {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  DestroyWindowEntry(window);
  const auto ownerHwnd = reinterpret_cast<HWND>(owner);
  const HWND ownerWindow = WindowNumberOf(ownerHwnd) >= 0 ? ownerHwnd : nullptr;
  // Without the system menu there is no close box; a minimise box needs the menu to show.
  DWORD style = WS_CLIPCHILDREN;
  style |= (flags & kWindowTitleBar) == kWindowTitleBar ? WS_CAPTION : WS_POPUP | WS_BORDER;
  if ((flags & kWindowSystemMenu) != 0) style |= WS_SYSMENU;
  if ((flags & kWindowMinimiseBox) != 0) style |= WS_MINIMIZEBOX;
  const DWORD exStyle = WS_EX_CONTROLPARENT;
  width = std::max(width, 0);
  height = std::max(height, 0);
  ChooseScale(width, height, style, exStyle);
  RECT outer{0, 0, Scaled(width), Scaled(height)};
  AdjustWindowRectExForDpi(&outer, style, FALSE, exStyle, state->dpi);
  const SIZE size{outer.right - outer.left, outer.bottom - outer.top};
  const POINT at = WindowPosition(x, y, size, flags, ownerWindow);
  const std::wstring caption = Wide(title);
  const HWND hwnd =
      CreateWindowExW(exStyle, kWindowClass, caption.c_str(), style, at.x, at.y, size.cx,
                      size.cy, ownerWindow, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) return 0;
  WindowEntry& entry = state->windows[window];
  entry = WindowEntry{};
  entry.hwnd = hwnd;
  entry.owner = ownerWindow;
  entry.clientWidth = width;
  entry.clientHeight = height;
  state->currentWindow = window;
  state->currentContainer = nullptr;
  ShowWindow(hwnd, SW_SHOW);
  UpdateWindow(hwnd);
  return reinterpret_cast<Handle>(hwnd);
}

Handle WindowHandle(int window) {
  const WindowEntry* entry = FindWindow(window);
  return entry != nullptr ? reinterpret_cast<Handle>(entry->hwnd) : 0;
}

void SetWindowColour(int window, std::int32_t colour) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  entry->background = colour == kDefaultColour ? std::nullopt
                                               : std::optional(static_cast<COLORREF>(colour));
  RedrawWindow(entry->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void SetSessionEndHandler(std::function<void()> keep) { g_sessionEnd = std::move(keep); }

void CloseWindow(int window) {
  const WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  const HWND owner = entry->owner;
  const bool wasActive = GetActiveWindow() == entry->hwnd;
  DestroyWindowEntry(window);
  // The owner takes the keyboard back, as it does when a dialog of the system closes.
  if (owner != nullptr && wasActive) SetForegroundWindow(owner);
}

}  // namespace rk::tk
