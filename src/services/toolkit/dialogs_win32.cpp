// The modal dialogs: the system's explorer-style open-file dialog and the message box.
#include "services/toolkit/state_win32.h"

#include <commdlg.h>

#include <vector>

#include "services/toolkit/dialog_text.h"

namespace rk::tk {

using namespace detail;

namespace {

// Kept outside the toolkit's tables so that a hook set before StartToolkit holds as well.
DialogHook g_dialogHook;

// Room for a path far beyond 260 characters; the name typed is limited by the dialog itself.
constexpr std::size_t kPathRoom = 32768;

// The filter list "label|pattern|label|pattern" as the dialog takes it: each part ended by a
// NUL and the list by another.
std::wstring FilterList(std::u16string_view pattern) {
  std::wstring filters;
  for (const auto& [label, patterns] : FilterPairs(pattern)) {
    filters += Wide(label) + L'\0' + Wide(patterns) + L'\0';
  }
  return filters + L'\0';
}

// While a dialog is open every other window of the program is disabled, so nothing is pressed
// behind it; the dialog disables its owner itself.
class OtherWindowsDisabled {
 public:
  explicit OtherWindowsDisabled(HWND owner) {
    for (const auto& [number, window] : State()->windows) {
      if (window.hwnd != owner && IsWindowVisible(window.hwnd) && IsWindowEnabled(window.hwnd)) {
        EnableWindow(window.hwnd, FALSE);
        disabled_.push_back(window.hwnd);
      }
    }
  }
  ~OtherWindowsDisabled() {
    for (HWND hwnd : disabled_) {
      if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    }
  }
  OtherWindowsDisabled(const OtherWindowsDisabled&) = delete;
  OtherWindowsDisabled& operator=(const OtherWindowsDisabled&) = delete;

 private:
  std::vector<HWND> disabled_;
};

UINT IconFor(int flags) {
  switch (flags & 0xF0) {
    case kIconError:
      return MB_ICONERROR;
    case kIconWarning:
      return MB_ICONWARNING;
    case kIconInformation:
      return MB_ICONINFORMATION;
    case 0x20:
      return MB_ICONQUESTION;
    default:
      return 0;
  }
}

}  // namespace

std::u16string OpenFileDialog(std::u16string_view title, std::u16string_view defaultPath,
                              std::u16string_view pattern, int index) {
  if (g_dialogHook) {
    // A copy, so a hook may replace itself while it runs.
    const DialogHook hook = g_dialogHook;
    return hook(title, defaultPath);
  }
  // Once the session is ending nobody is left to answer; the operation goes on as cancelled.
  if (State() == nullptr || State()->endRequested) return {};

  const StartPath start = SplitDefaultPath(defaultPath);
  // "C:" alone would mean the drive's current folder; with the "\" it is its root.
  const std::wstring folder = start.folder.empty() ? std::wstring() : Wide(start.folder) + L'\\';
  std::wstring file = Wide(start.name);
  file.resize(kPathRoom, L'\0');
  const std::wstring filters = FilterList(pattern);
  const std::wstring caption = Wide(title);

  const HWND owner = DialogOwner();
  OtherWindowsDisabled others(owner);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner;
  dialog.lpstrFilter = filters.size() > 1 ? filters.c_str() : nullptr;
  dialog.nFilterIndex = static_cast<DWORD>(index >= 0 ? index + 1 : 1);
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.lpstrTitle = caption.c_str();
  // The folder must exist, the file need not; the process's current folder stays as it was.
  dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 OFN_ENABLESIZING | OFN_DONTADDTORECENT;
  if (!GetOpenFileNameW(&dialog)) return {};
  return Utf16(file.c_str());
}

int MessageBox(std::u16string_view title, std::u16string_view text, int flags) {
  // The only button is OK, so OK (1) is the answer whichever way the box is closed.
  constexpr int kOk = 1;
  if (g_dialogHook) {
    const DialogHook hook = g_dialogHook;
    hook(title, text);
    return kOk;
  }
  if (State() == nullptr) return 0;
  if (State()->endRequested) return kOk;
  const HWND owner = DialogOwner();
  OtherWindowsDisabled others(owner);
  const std::wstring caption = Wide(title);
  const std::wstring message = Wide(text);
  MessageBoxW(owner, message.c_str(), caption.c_str(), MB_OK | IconFor(flags));
  return kOk;
}

void SetDialogHook(DialogHook hook) { g_dialogHook = std::move(hook); }

}  // namespace rk::tk
