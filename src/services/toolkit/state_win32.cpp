#include "services/toolkit/state_win32.h"

#include <vector>

#include "services/toolkit/list_win32.h"

namespace rk::tk::detail {
namespace {

std::unique_ptr<ToolkitState> g_state;

}  // namespace

void CreateState() { g_state = std::make_unique<ToolkitState>(); }

void DestroyState() {
  if (!g_state) return;
  // While the tables are still reachable, since the windows' destruction looks them up.
  while (!g_state->windows.empty()) DestroyWindowEntry(g_state->windows.begin()->first);
  g_state.reset();
}

ToolkitState::~ToolkitState() {
  for (auto& [slot, font] : fonts) DeleteObject(font.font);
  for (auto& [colour, brush] : brushes) DeleteObject(brush);
}

ToolkitState* State() { return g_state.get(); }

ControlEntry* FindControl(int control) {
  if (!g_state) return nullptr;
  const auto found = g_state->controls.find(control);
  return found != g_state->controls.end() ? &found->second : nullptr;
}

ControlEntry* ControlOf(HWND hwnd, int* number) {
  if (!g_state || hwnd == nullptr) return nullptr;
  const auto found = g_state->controlByHwnd.find(hwnd);
  if (found == g_state->controlByHwnd.end()) return nullptr;
  if (number != nullptr) *number = found->second;
  return FindControl(found->second);
}

WindowEntry* FindWindow(int window) {
  if (!g_state) return nullptr;
  const auto found = g_state->windows.find(window);
  return found != g_state->windows.end() ? &found->second : nullptr;
}

int WindowNumberOf(HWND hwnd) {
  if (!g_state || hwnd == nullptr) return -1;
  for (const auto& [number, entry] : g_state->windows) {
    if (entry.hwnd == hwnd) return number;
  }
  return -1;
}

void QueueEvent(int code, int window, int control) {
  if (g_state) g_state->events.push_back(Event{code, window, control});
}

void DestroyWindowEntry(int window) {
  ToolkitState* state = State();
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  const HWND hwnd = entry->hwnd;
  // Windows destroys owned windows with their owner, so their numbers go now as well.
  std::vector<int> owned;
  for (const auto& [number, other] : state->windows) {
    if (other.owner == hwnd && number != window) owned.push_back(number);
  }
  for (int number : owned) DestroyWindowEntry(number);
  for (auto control = state->controls.begin(); control != state->controls.end();) {
    if (control->second.window == window) {
      state->controlByHwnd.erase(control->second.hwnd);
      control = state->controls.erase(control);
    } else {
      ++control;
    }
  }
  state->windows.erase(window);
  if (state->currentWindow == window) {
    state->currentWindow = -1;
    state->currentContainer = nullptr;
  }
  // Last, so the window procedure finds no entry for the messages of the destruction.
  DestroyWindow(hwnd);
}

HBRUSH BrushOf(COLORREF colour) {
  ToolkitState* state = State();
  HBRUSH& brush = state->brushes[colour];
  if (brush == nullptr) brush = CreateSolidBrush(colour);
  return brush;
}

HWND DialogOwner() {
  const ToolkitState* state = State();
  if (state == nullptr) return nullptr;
  const HWND foreground = GetForegroundWindow();
  if (WindowNumberOf(foreground) >= 0) return foreground;
  for (const auto& [number, entry] : state->windows) {
    if (entry.owner == nullptr && IsWindowVisible(entry.hwnd)) return entry.hwnd;
  }
  return nullptr;
}

std::u16string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthW(hwnd);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), length + 1)));
  return Utf16(text);
}

}  // namespace rk::tk::detail
