#include "support/win32_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "services/toolkit/toolkit.h"
#include "support/list_view_support.h"

namespace rk::test {
namespace {

// The toolkit gives each control the child id 1000 + its number.
constexpr int kFirstChildId = 1000;
constexpr UINT kPollMilliseconds = 20;
constexpr long long kWatchdogMilliseconds = 10000;

long long NowMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

struct Search {
  int id = 0;
  HWND found = nullptr;
};

BOOL CALLBACK MatchId(HWND hwnd, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  if (GetDlgCtrlID(hwnd) != search.id) return TRUE;
  search.found = hwnd;
  return FALSE;
}

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM context) {
  wchar_t name[16] = {};
  GetClassNameW(hwnd, name, 16);
  if (std::wstring_view(name) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<HWND*>(context) = hwnd;
  return FALSE;
}

std::u16string AsUtf16(std::wstring_view text) { return {text.begin(), text.end()}; }

}  // namespace

HWND OpenDialog() {
  HWND dialog = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindDialog, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

HWND ControlWindow(int control) {
  for (int window = 0; window < 8; ++window) {
    const auto hwnd = reinterpret_cast<HWND>(rk::tk::WindowHandle(window));
    if (hwnd == nullptr) continue;
    Search search{kFirstChildId + control, nullptr};
    EnumChildWindows(hwnd, &MatchId, reinterpret_cast<LPARAM>(&search));
    if (search.found != nullptr) return search.found;
  }
  return nullptr;
}

struct DialogAnswer::Timer {
  std::function<void(HWND)> answer;
  long long since = 0;
  bool answered = false;
  UINT_PTR id = 0;
};

namespace {
DialogAnswer::Timer* g_timer = nullptr;
}  // namespace

DialogAnswer::DialogAnswer(std::function<void(HWND dialog)> answer)
    : timer_(std::make_unique<Timer>()) {
  timer_->answer = std::move(answer);
  timer_->since = NowMilliseconds();
  g_timer = timer_.get();
  timer_->id = SetTimer(nullptr, 0, kPollMilliseconds, [](HWND, UINT, UINT_PTR, DWORD) {
    Timer* timer = g_timer;
    if (timer == nullptr) return;
    const HWND dialog = OpenDialog();
    const bool late = NowMilliseconds() - timer->since > kWatchdogMilliseconds;
    if (!timer->answered && dialog != nullptr) {
      timer->answered = true;
      timer->since = NowMilliseconds();
      timer->answer(dialog);
    } else if (late && !timer->answered) {
      timer->answered = true;
      ADD_FAILURE() << "no dialog showed within 10 seconds";
    } else if (late && dialog != nullptr) {
      ADD_FAILURE() << "the answered dialog is still open after 10 seconds";
      PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
      timer->since = NowMilliseconds();
    }
  });
}

DialogAnswer::~DialogAnswer() {
  KillTimer(nullptr, timer_->id);
  g_timer = nullptr;
}

bool DialogAnswer::answered() const { return timer_->answered; }

std::wstring DialogItemText(HWND dialog, int id) {
  const HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return {};
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(item)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
  return text;
}

namespace {

// The list control, after the messages waiting for it (rows it is yet to be told of) are handled.
HWND ListWindow(int control) {
  const HWND list = ControlWindow(control);
  MSG message{};
  while (list != nullptr && PeekMessageW(&message, list, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  return list;
}

}  // namespace

int CurrentListRow(int control) { return ListView_GetNextItem(ListWindow(control), -1, LVNI_FOCUSED); }

std::u16string ShownCellText(int control, int row, int column) {
  std::wstring text(1024, L'\0');
  ListView_GetItemText(ListWindow(control), row, column, text.data(), static_cast<int>(text.size()));
  return AsUtf16(text.c_str());
}

int ShownRowCount(int control) { return ListView_GetItemCount(ListWindow(control)); }

}  // namespace rk::test
