#pragma once
// Qt widgets with the keyboard behaviour of the toolkit's controls: a push button that Return
// presses, and a borderless text field that shows where the keyboard is.

#include <QLineEdit>
#include <QPushButton>

namespace rk::tk::detail {

// A push button that Return and Enter press as Space does. Not Qt's auto-default button: that
// one is drawn with a default frame, and in a dialog Return would press it from any field.
class PushButton final : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
};

// A text field that draws a focus frame when it has no border of its own, so a focused
// borderless field is told apart by more than a thin caret. Without focus it looks as before.
class TextField final : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
};

}  // namespace rk::tk::detail
