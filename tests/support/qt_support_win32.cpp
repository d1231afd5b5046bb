// The shell's test helpers on the Win32 controls: controls by number, clicks sent as the
// mouse would send them, and modal dialogs answered from a timer that runs inside their own
// loop, as a Windows user would answer them.
#include "support/qt_support.h"

#include "support/win32_support.h"

#include <commctrl.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <chrono>
#include <deque>

#include "services/toolkit/toolkit.h"

namespace rk::test {
namespace {

constexpr UINT kPollMilliseconds = 10;
constexpr long long kWatchdogMilliseconds = 10000;
// The static text of a message box.
constexpr int kMessageBoxText = 0xFFFF;

long long NowMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

std::u16string WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return {text.begin(), text.end()};
}

// The list control with the row scrolled into view; nullptr (and a failure) without that row.
HWND ListRow(int control, int row) {
  const HWND list = FindControl(control);
  if (list == nullptr || row < 0 || row >= ListView_GetItemCount(list)) {
    ADD_FAILURE() << "list " << control << " has no row " << row;
    return nullptr;
  }
  ListView_EnsureVisible(list, row, FALSE);
  return list;
}

// A left click at `point` of the window, with Shift or Ctrl held as the keyboard state shows
// it to the control while the click lasts.
void ClickAt(HWND hwnd, POINT point, ClickModifiers modifiers) {
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  BYTE held[256];
  std::copy(std::begin(keys), std::end(keys), std::begin(held));
  WPARAM flags = MK_LBUTTON;
  if ((modifiers & kShiftClick) != 0) {
    held[VK_SHIFT] = held[VK_LSHIFT] = 0x80;
    flags |= MK_SHIFT;
  }
  if ((modifiers & kControlClick) != 0) {
    held[VK_CONTROL] = held[VK_LCONTROL] = 0x80;
    flags |= MK_CONTROL;
  }
  SetKeyboardState(held);
  const LPARAM at = MAKELPARAM(point.x, point.y);
  SendMessageW(hwnd, WM_LBUTTONDOWN, flags, at);
  SendMessageW(hwnd, WM_LBUTTONUP, flags & ~WPARAM{MK_LBUTTON}, at);
  SetKeyboardState(keys);
}

bool IsFileDialog(HWND dialog) {
  return GetDlgItem(dialog, cmb13) != nullptr || GetDlgItem(dialog, edt1) != nullptr;
}

// The icon number of a message box, from the system icon its icon control shows.
int IconNumber(HWND box) {
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) continue;
    const auto shown = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0));
    const struct {
      LPCWSTR icon;
      int number;
    } kIcons[] = {{IDI_ERROR, rk::tk::kIconError},
                  {IDI_WARNING, rk::tk::kIconWarning},
                  {IDI_INFORMATION, rk::tk::kIconInformation},
                  {IDI_QUESTION, 32}};
    for (const auto& [icon, number] : kIcons) {
      if (shown == LoadIconW(nullptr, icon)) return number;
    }
  }
  return 0;
}

void CloseDialog(HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }

// Actions waiting for the event loop, run in order by one timer.
std::deque<std::function<void()>> g_later;
UINT_PTR g_laterTimer = 0;

}  // namespace

Widget* FindControl(int control) { return ControlWindow(control); }

Widget* FindWindow(int window) { return reinterpret_cast<HWND>(rk::tk::WindowHandle(window)); }

void ClickControl(int control) {
  const HWND button = FindControl(control);
  if (button == nullptr) {
    ADD_FAILURE() << "no control " << control;
    return;
  }
  // The button's own click: press and release in its middle, a check box toggled.
  SendMessageW(button, BM_CLICK, 0, 0);
}

void ClickListRow(int control, int row, ClickModifiers modifiers) {
  const HWND list = ListRow(control, row);
  if (list == nullptr) return;
  RECT cell{};
  ListView_GetSubItemRect(list, row, 1, LVIR_BOUNDS, &cell);
  ClickAt(list, POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2}, modifiers);
}

void ClickListCheckBox(int control, int row) {
  const HWND list = ListRow(control, row);
  if (list == nullptr) return;
  RECT box{};
  ListView_GetItemRect(list, row, &box, LVIR_BOUNDS);
  // The tick box sits at the row's left edge.
  ClickAt(list, POINT{box.left + 8, (box.top + box.bottom) / 2}, kPlainClick);
}

bool IsShown(int window) {
  const HWND hwnd = FindWindow(window);
  return hwnd != nullptr && IsWindowVisible(hwnd);
}

void PressCloseBox(int window) {
  const HWND hwnd = FindWindow(window);
  if (hwnd == nullptr) {
    ADD_FAILURE() << "no window " << window;
    return;
  }
  SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool HasToolTip(int control) {
  const HWND hwnd = FindControl(control);
  if (hwnd == nullptr) return false;
  // The tooltip windows of the program; one of them knows the control as a tool.
  struct Search {
    HWND control;
    bool found;
  } search{hwnd, false};
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND tips, LPARAM context) -> BOOL {
        auto& wanted = *reinterpret_cast<Search*>(context);
        wchar_t name[32] = {};
        GetClassNameW(tips, name, 32);
        if (std::wstring_view(name) != TOOLTIPS_CLASSW) return TRUE;
        wchar_t text[1024] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = GetAncestor(wanted.control, GA_ROOT);
        tool.uId = reinterpret_cast<UINT_PTR>(wanted.control);
        tool.lpszText = text;
        wanted.found = SendMessageW(tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)) != 0;
        return wanted.found ? FALSE : TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

void RunLater(std::function<void()> action) {
  g_later.push_back(std::move(action));
  if (g_laterTimer != 0) return;
  g_laterTimer = SetTimer(nullptr, 0, 0, [](HWND, UINT, UINT_PTR, DWORD) {
    KillTimer(nullptr, g_laterTimer);
    g_laterTimer = 0;
    while (!g_later.empty()) {
      const std::function<void()> next = std::move(g_later.front());
      g_later.pop_front();
      next();
    }
  });
}

struct DialogScript::Poller {
  UINT_PTR timer = 0;
  HWND answered = nullptr;     // posted its answer, may not have closed yet
  HWND waiting = nullptr;      // open dialog without an answer yet
  long long waitingSince = 0;  // milliseconds on a steady clock
};

namespace {
// The script whose timer is running; tests answer one dialog at a time.
DialogScript* g_script = nullptr;
}  // namespace

DialogScript::DialogScript() : poller_(std::make_unique<Poller>()) {
  g_script = this;
  poller_->timer = SetTimer(nullptr, 0, kPollMilliseconds, [](HWND, UINT, UINT_PTR, DWORD) {
    if (g_script != nullptr) g_script->Poll();
  });
}

DialogScript::~DialogScript() {
  KillTimer(nullptr, poller_->timer);
  if (g_script == this) g_script = nullptr;
}

void DialogScript::ChooseFile(std::u16string path) {
  answers_.push_back(Answer{Kind::kChooseFile, std::move(path)});
}

void DialogScript::CancelFileDialog() { answers_.push_back(Answer{Kind::kCancelFile, {}}); }

void DialogScript::PressOk(int count) {
  for (int index = 0; index < count; ++index) answers_.push_back(Answer{Kind::kOk, {}});
}

void DialogScript::Poll() {
  Poller& poller = *poller_;
  const HWND modal = OpenDialog();
  if (modal == nullptr || modal == poller.answered) {
    poller.waiting = nullptr;
    return;
  }
  const bool fileDialog = IsFileDialog(modal);
  const std::u16string title = WindowText(modal);
  if (!answers_.empty()) {
    const Answer answer = answers_.front();
    const bool wantsFileDialog = answer.kind != Kind::kOk;
    if (wantsFileDialog != fileDialog) {
      ADD_FAILURE() << "unexpected dialog while the script waits for a "
                    << (wantsFileDialog ? "file dialog" : "message box");
      poller.answered = modal;
      CloseDialog(modal);
      return;
    }
    answers_.erase(answers_.begin());
    poller.waiting = nullptr;
    poller.answered = modal;
    if (inspect_) inspect_(*modal);
    if (fileDialog) {
      wchar_t folder[MAX_PATH * 4] = {};
      SendMessageW(modal, CDM_GETFOLDERPATH, std::size(folder), reinterpret_cast<LPARAM>(folder));
      shown_.push_back(Shown{title, std::u16string(folder, folder + wcslen(folder)), 0});
      if (answer.kind == Kind::kCancelFile) {
        CloseDialog(modal);
        return;
      }
      // The file name field: a combo box in the explorer-style dialog, an edit in older ones.
      const std::wstring path(answer.path.begin(), answer.path.end());
      SetDlgItemTextW(modal, cmb13, path.c_str());
      SetDlgItemTextW(modal, edt1, path.c_str());
      PostMessageW(modal, WM_COMMAND, IDOK, 0);
      return;
    }
    shown_.push_back(Shown{title, WindowText(GetDlgItem(modal, kMessageBoxText)), IconNumber(modal)});
    PostMessageW(modal, WM_COMMAND, IDOK, 0);
    return;
  }
  if (poller.waiting != modal) {
    poller.waiting = modal;
    poller.waitingSince = NowMilliseconds();
    return;
  }
  if (NowMilliseconds() - poller.waitingSince >= kWatchdogMilliseconds) {
    ADD_FAILURE() << "a dialog was left unanswered and has been closed";
    poller.waiting = nullptr;
    poller.answered = modal;
    CloseDialog(modal);
  }
}

}  // namespace rk::test
