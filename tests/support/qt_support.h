#pragma once
// Helpers for tests that drive the real toolkit widgets (offscreen Qt on Linux, the Win32
// controls under Wine): finding windows and controls by their numbers, real mouse clicks,
// answering modal dialogs, draining events. The toolkit must be started
// (rk::tk::StartToolkit) before any of these are used.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
struct HWND__;
#else
#include <QWidget>
#endif

namespace rk::test {

#ifdef _WIN32
// A window or control is its native handle.
using Widget = HWND__;
// The keys held during a click on a list row.
enum ClickModifiers : unsigned { kPlainClick = 0, kShiftClick = 1, kControlClick = 2 };
#else
using Widget = QWidget;
using ClickModifiers = Qt::KeyboardModifiers;
inline constexpr Qt::KeyboardModifier kPlainClick = Qt::NoModifier;
inline constexpr Qt::KeyboardModifier kShiftClick = Qt::ShiftModifier;
inline constexpr Qt::KeyboardModifier kControlClick = Qt::ControlModifier;
#endif

// The control or window with that number, or nullptr.
Widget* FindControl(int control);
Widget* FindWindow(int window);

// A real mouse click in the middle of a button / check box (on a check box: in the middle of
// its tick box).
void ClickControl(int control);

// A real mouse click on row `row` of a checkable list (on its column 1 cell), with the keys a
// user would hold (kControlClick, kShiftClick); ClickListCheckBox clicks the tick box of the
// row. The row is scrolled into view first.
void ClickListRow(int control, int row, ClickModifiers modifiers = kPlainClick);
void ClickListCheckBox(int control, int row);

// The window is open and shown on screen.
bool IsShown(int window);

// The window's close box is pressed.
void PressCloseBox(int window);

// The control shows a tooltip when the mouse rests on it.
bool HasToolTip(int control);

// Runs `action` once the event loop handles events again (after what is queued now).
void RunLater(std::function<void()> action);

// Answers modal dialogs in the order they open, polled by a timer that runs inside the
// dialog's own loop. A watchdog fails the test and closes any dialog left unanswered for 10
// seconds, so no test hangs. A dialog of another kind than the next answer expects fails the
// test and is closed as well.
class DialogScript {
 public:
  // icon: 16 error, 48 warning, 64 information, 0 none; for a file dialog: title, text = the
  // folder it shows when it opens (absolute, without a trailing "/"), icon 0.
  struct Shown {
    std::u16string title, text;
    int icon;
  };

  DialogScript();
  ~DialogScript();
  DialogScript(const DialogScript&) = delete;
  DialogScript& operator=(const DialogScript&) = delete;

  // Next open-file dialog: enter the path in its file name field and accept.
  void ChooseFile(std::u16string path);
  // Next open-file dialog: cancel.
  void CancelFileDialog();
  // Next `count` message boxes: record them and press OK.
  void PressOk(int count = 1);
  // Runs `inspect` with every dialog just before it is answered, to check what the record of
  // Shown does not hold (the proposed file name, the filters, the text format).
  void OnShow(std::function<void(Widget& dialog)> inspect) { inspect_ = std::move(inspect); }

  const std::vector<Shown>& shown() const { return shown_; }
  // Every scripted answer was used.
  bool AllAnswered() const { return answers_.empty(); }

 private:
  enum class Kind { kChooseFile, kCancelFile, kOk };
  struct Answer {
    Kind kind;
    std::u16string path;
  };

  struct Poller;  // the timer and the dialog waiting for an answer

  void Poll();

  std::unique_ptr<Poller> poller_;
  std::vector<Answer> answers_;  // front = next
  std::vector<Shown> shown_;
  std::function<void(Widget&)> inspect_;
};

// Handles queued toolkit events (rk::tk::PollEvent) with `handler(code, control)` until none is
// left; returns the number handled. Non-blocking.
int DrainEvents(const std::function<void(int code, int control)>& handler);

}  // namespace rk::test
