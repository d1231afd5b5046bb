#pragma once
// The top-level window behind a window number.

#include <QWidget>

class QCloseEvent;

namespace rk::tk::detail {

// A window that reports its close box as an event instead of closing, so the program decides.
class ToolWindow final : public QWidget {
 public:
  ToolWindow(int number, QWidget* owner);

  int number() const { return number_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  int number_;
};

}  // namespace rk::tk::detail
