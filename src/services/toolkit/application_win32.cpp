// The toolkit's start and end, and the event wait: the thread's message loop with the dialog
// manager's keys (Tab, Shift+Tab, arrows between buttons, Space on a button).
#include "services/toolkit/state_win32.h"

#include <commctrl.h>


namespace rk::tk {

using namespace detail;

namespace {

// The icon of the program's resources, when the executable has one.
constexpr int kProgramIcon = 1;

void RegisterClasses() {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = &ToolkitWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kProgramIcon));
  windowClass.lpszClassName = kWindowClass;
  // A second start in the same process finds the classes registered already.
  RegisterClassExW(&windowClass);
  windowClass.hIcon = nullptr;
  windowClass.lpszClassName = kPaneClass;
  RegisterClassExW(&windowClass);
}

// A process started without the manifest (the tests) asks for per-monitor DPI in code; with
// the manifest this is already so and the call fails harmlessly.
void AskForMonitorDpi() {
  using SetContext = BOOL(WINAPI*)(DPI_AWARENESS_CONTEXT);
  const HMODULE user = GetModuleHandleW(L"user32.dll");
  const auto set = user != nullptr ? reinterpret_cast<SetContext>(reinterpret_cast<void*>(
                                         GetProcAddress(user, "SetProcessDpiAwarenessContext")))
                                   : nullptr;
  if (set != nullptr) set(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
}

// Keys the dialog manager would get wrong for these controls; true when handled.
bool HandleOwnKeys(const MSG& message) {
  if (message.message != WM_KEYDOWN) return false;
  const ControlEntry* entry = ControlOf(message.hwnd);
  if (entry == nullptr) return false;
  // Return presses the focused button, as Space does, rather than a default button.
  if (entry->kind == ControlKind::kButton && message.wParam == VK_RETURN) {
    SendMessageW(message.hwnd, BM_CLICK, 0, 0);
    return true;
  }
  // A read-only text has no use for Tab; it moves on as from any other control.
  if (entry->kind == ControlKind::kEditor && message.wParam == VK_TAB &&
      (GetWindowLongPtrW(message.hwnd, GWL_STYLE) & ES_READONLY) != 0) {
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    const HWND next = GetNextDlgTabItem(root, message.hwnd, GetKeyState(VK_SHIFT) < 0);
    if (next != nullptr) SetFocus(next);
    return true;
  }
  return false;
}

void HandleMessage(MSG& message) {
  if (HandleOwnKeys(message)) return;
  const HWND root = GetAncestor(message.hwnd, GA_ROOT);
  if (root != nullptr && WindowNumberOf(root) >= 0 && IsDialogMessageW(root, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int TakeEvent(ToolkitState& state) {
  if (state.events.empty()) return 0;
  state.last = state.events.front();
  state.events.pop_front();
  return state.last.code;
}

}  // namespace

int StartToolkit() {
  if (State() != nullptr) return 1;
  AskForMonitorDpi();
  INITCOMMONCONTROLSEX controls{};
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES;
  if (!InitCommonControlsEx(&controls)) return 0;
  // The rich text of the Information window lives in Msftedit (RICHEDIT50W).
  if (LoadLibraryW(L"Msftedit.dll") == nullptr) return 0;
  RegisterClasses();
  CreateState();
  ToolkitState* state = State();
  // The open-file dialog and the screen-reader annotations need COM on this thread.
  state->comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  state->dpi = GetDpiForSystem();
  return 1;
}

void EndToolkit() {
  const ToolkitState* state = State();
  if (state == nullptr) return;
  const bool comStarted = state->comStarted;
  DestroyState();
  ReleaseAnnotations();
  if (comStarted) CoUninitialize();
}

int WaitEvent() {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  // Sleeps in GetMessage until something arrives; a message that queues no event of ours
  // (a repaint, a mouse move) just lets the loop wait again.
  while (state->events.empty()) {
    MSG message{};
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == -1) return 0;
    if (got == 0) {
      // WM_QUIT: someone asked the thread to end; the program hears a close request.
      QueueEvent(kEventClose, -1, -1);
      break;
    }
    HandleMessage(message);
    state = State();
    if (state == nullptr) return 0;
  }
  return TakeEvent(*state);
}

int PollEvent() {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      QueueEvent(kEventClose, -1, -1);
      break;
    }
    HandleMessage(message);
  }
  state = State();
  return state != nullptr ? TakeEvent(*state) : 0;
}

int EventControl() {
  const ToolkitState* state = State();
  return state != nullptr ? state->last.control : 0;
}

int EventWindow() {
  const ToolkitState* state = State();
  return state != nullptr ? state->last.window : 0;
}

}  // namespace rk::tk
