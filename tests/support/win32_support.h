#pragma once
// Helpers for tests that drive the real Win32 controls of the toolkit under Wine: controls by
// their numbers, and modal dialogs answered by a scheduled callback with a watchdog.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The toolkit's own MessageBox and FindWindow, not the Win32 macros of those names.
#undef MessageBox
#undef FindWindow

#include <functional>
#include <memory>

namespace rk::test {

// The native control with that number (in any of the toolkit's windows), or nullptr.
HWND ControlWindow(int control);

// The visible dialog (a message box, the open-file dialog) of this thread, or nullptr.
HWND OpenDialog();

// Answers the next modal dialog of this thread (a message box or the open-file dialog) with
// `answer(dialog)` once it shows, from a timer that runs inside the dialog's own loop. When no
// dialog showed or it is still open 10 seconds later, the test fails and the dialog is cancelled,
// so no test hangs.
class DialogAnswer {
 public:
  explicit DialogAnswer(std::function<void(HWND dialog)> answer);
  ~DialogAnswer();
  DialogAnswer(const DialogAnswer&) = delete;
  DialogAnswer& operator=(const DialogAnswer&) = delete;

  bool answered() const;

  struct Timer;  // the state the timer's callback reads

 private:
  std::unique_ptr<Timer> timer_;
};

// The text of a dialog's control (its static text, its file name field), by control id.
std::wstring DialogItemText(HWND dialog, int id);

}  // namespace rk::test
