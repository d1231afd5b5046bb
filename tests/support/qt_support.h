#pragma once
// Helpers for tests that drive the real toolkit widgets (offscreen): finding windows and
// controls by their numbers, real mouse clicks, answering modal dialogs, draining events.
// The toolkit must be started (rk::tk::StartToolkit) before any of these are used.

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTimer;

namespace rk::test {

// The control or window widget with that number, or nullptr.
QWidget* FindControl(int control);
QWidget* FindWindow(int window);

// A real mouse click (QTest) in the middle of a button / check box (on a check box: in the
// middle of its tick box).
void ClickControl(int control);

// A real mouse click on row `row` of a checkable list (on its column 1 cell), with modifiers
// (Qt::ControlModifier, Qt::ShiftModifier) as a user would; ClickListCheckBox clicks the tick
// box of the row. The row is scrolled into view first.
void ClickListRow(int control, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void ClickListCheckBox(int control, int row);

// Answers modal dialogs in the order they open (a QTimer polls
// QApplication::activeModalWidget()). A watchdog fails the test and closes any dialog left
// unanswered for 10 seconds, so no test hangs. A dialog of another kind than the next answer
// expects fails the test and is closed as well.
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
  void OnShow(std::function<void(QWidget& dialog)> inspect) { inspect_ = std::move(inspect); }

  const std::vector<Shown>& shown() const { return shown_; }
  // Every scripted answer was used.
  bool AllAnswered() const { return answers_.empty(); }

 private:
  enum class Kind { kChooseFile, kCancelFile, kOk };
  struct Answer {
    Kind kind;
    std::u16string path;
  };

  void Poll();

  std::unique_ptr<QTimer> timer_;
  std::vector<Answer> answers_;  // front = next
  std::vector<Shown> shown_;
  std::function<void(QWidget&)> inspect_;
  QPointer<QWidget> waiting_;    // open dialog without an answer yet
  long long waitingSince_ = 0;   // milliseconds on a steady clock
};

// Handles queued toolkit events (rk::tk::PollEvent) with `handler(code, control)` until none is
// left; returns the number handled. Non-blocking.
int DrainEvents(const std::function<void(int code, int control)>& handler);

}  // namespace rk::test
