#include "services/toolkit/keyboard_widgets.h"

#include <QKeyEvent>
#include <QPainter>

namespace rk::tk::detail {

void PushButton::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && modifiers == Qt::NoModifier && !event->isAutoRepeat()) {
    // Clicked at once: a second press right after the first is a second click.
    click();
    event->accept();
    return;
  }
  QPushButton::keyPressEvent(event);
}

void TextField::paintEvent(QPaintEvent* event) {
  QLineEdit::paintEvent(event);
  if (hasFrame() || !hasFocus()) return;
  QPainter painter(this);
  QPen pen(palette().color(QPalette::Active, QPalette::Highlight));
  pen.setWidth(2);
  painter.setPen(pen);
  painter.setBrush(Qt::NoBrush);
  // The pen is centred on the path: inset by one pixel so both pixels lie inside the field.
  painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
}

void TextField::focusInEvent(QFocusEvent* event) {
  QLineEdit::focusInEvent(event);
  update();
}

void TextField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  update();
}

}  // namespace rk::tk::detail
