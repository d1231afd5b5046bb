// Numbered top-level windows: creation, colour, closing, and their close box.
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

#include "services/toolkit/qt_text.h"
#include "services/toolkit/state.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk {
namespace detail {

ToolWindow::ToolWindow(int number, QWidget* owner) : QWidget(owner, Qt::Window), number_(number) {}

void ToolWindow::closeEvent(QCloseEvent* event) {
  // The close box only asks; the program answers with CloseWindow or by ending.
  event->ignore();
  QueueEvent(kEventClose, number_, -1);
}

namespace {

Qt::WindowFlags FlagsFor(std::uint32_t flags) {
  // CustomizeWindowHint turns off every decoration that is not asked for below: no maximise
  // box, and no close box without the system menu.
  Qt::WindowFlags result = Qt::Window | Qt::CustomizeWindowHint;
  if ((flags & kWindowTitleBar) == kWindowTitleBar) result |= Qt::WindowTitleHint;
  if ((flags & kWindowSystemMenu) != 0) {
    result |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  }
  if ((flags & kWindowMinimiseBox) != 0) result |= Qt::WindowMinimizeButtonHint;
  return result;
}

QWidget* WindowByHandle(Handle handle) {
  if (handle == 0) return nullptr;
  for (auto& [number, entry] : State()->windows) {
    if (entry.handle == handle) return entry.widget.get();
  }
  return nullptr;
}

// The area a window is centred in: the screen's work area, or the owner (else the active
// window) for kWindowCentreOwner; an empty rectangle when the window is placed at x, y.
QRect CentringArea(std::uint32_t flags, QWidget* owner) {
  if ((flags & kWindowCentreScreen) != 0) {
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
  }
  if ((flags & kWindowCentreOwner) != 0) {
    QWidget* reference = owner != nullptr ? owner : QApplication::activeWindow();
    if (reference != nullptr) return reference->frameGeometry();
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
  }
  return {};
}

}  // namespace
}  // namespace detail

using namespace detail;

Handle OpenWindow(int window, int x, int y, int width, int height, std::u16string_view title,
                  std::uint32_t flags, Handle owner) {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  DestroyWindow(window);
  QWidget* ownerWidget = WindowByHandle(owner);
  auto widget = std::make_unique<ToolWindow>(window, ownerWidget);
  widget->setWindowFlags(FlagsFor(flags));
  widget->setObjectName(QStringLiteral("window%1").arg(window));
  widget->setWindowTitle(ToQString(title));
  width = std::max(width, 0);
  height = std::max(height, 0);
  widget->setFixedSize(width, height);
  const QRect area = CentringArea(flags, ownerWidget);
  if (area.isValid()) {
    widget->move(area.center() - QPoint(width / 2, height / 2));
  } else {
    widget->move(x, y);
  }
  widget->show();
  const Handle handle = state->nextHandle++;
  state->windows[window] = WindowEntry{std::move(widget), handle};
  state->currentWindow = window;
  state->currentContainer = nullptr;
  return handle;
}

Handle WindowHandle(int window) {
  const WindowEntry* entry = FindWindow(window);
  return entry != nullptr ? entry->handle : 0;
}

void SetWindowColour(int window, std::int32_t colour) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  std::optional<QColor> background;
  if (colour != kDefaultColour) background = ToQColor(colour);
  ApplyColours(*entry->widget, QPalette::WindowText, QPalette::Window, std::nullopt, background);
}

void CloseWindow(int window) { DestroyWindow(window); }

}  // namespace rk::tk
