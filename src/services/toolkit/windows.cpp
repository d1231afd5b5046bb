// Numbered top-level windows: creation, colour, closing, and their close box.
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

#include "services/toolkit/qt_text.h"
#include "services/toolkit/screen_fit.h"
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

Qt::WindowFlags FlagsFor(std::uint32_t flags, bool owned) {
  // CustomizeWindowHint turns off every decoration that is not asked for below: no maximise
  // box, and no close box without the system menu. An owned window is a dialog to the window
  // manager: transient for its owner, so it stays above it and goes with it.
  Qt::WindowFlags result = (owned ? Qt::Dialog : Qt::Window) | Qt::CustomizeWindowHint;
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

// Where a window of this client size goes: centred in the screen's work area (its frame
// included, the title bar kept on the screen), or on the owner (else the active window) for
// kWindowCentreOwner, else at x, y.
QPoint WindowPosition(int x, int y, QSize client, std::uint32_t flags, QWidget* owner) {
  if ((flags & kWindowCentreScreen) != 0) {
    QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) {
      const QMargins frame = WindowFrame();
      const QSize outer = client.grownBy(frame);
      return CentredFramePosition(outer, screen->availableGeometry());
    }
  }
  if ((flags & (kWindowCentreScreen | kWindowCentreOwner)) != 0) {
    QWidget* reference = owner != nullptr ? owner : QApplication::activeWindow();
    QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = reference != nullptr ? reference->frameGeometry()
                       : screen != nullptr  ? screen->availableGeometry()
                                            : QRect();
    if (area.isValid()) return area.center() - QPoint(client.width() / 2, client.height() / 2);
  }
  return {Scaled(x), Scaled(y)};
}

}  // namespace

QWidget* DialogOwner() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  const ToolkitState* state = State();
  if (state == nullptr) return nullptr;
  for (const auto& [number, entry] : state->windows) {
    if (entry.widget && entry.widget->parentWidget() == nullptr && entry.widget->isVisible()) {
      return entry.widget.get();
    }
  }
  return nullptr;
}

}  // namespace detail

using namespace detail;

Handle OpenWindow(int window, int x, int y, int width, int height, std::u16string_view title,
                  std::uint32_t flags, Handle owner) {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  DestroyWindow(window);
  QWidget* ownerWidget = WindowByHandle(owner);
  auto widget = std::make_unique<ToolWindow>(window, ownerWidget);
  widget->setWindowFlags(FlagsFor(flags, ownerWidget != nullptr));
  widget->setObjectName(QStringLiteral("window%1").arg(window));
  widget->setWindowTitle(ToQString(title));
  ChooseScale(QSize(std::max(width, 0), std::max(height, 0)));
  const QSize client(Scaled(std::max(width, 0)), Scaled(std::max(height, 0)));
  widget->setFixedSize(client);
  widget->move(WindowPosition(x, y, client, flags, ownerWidget));
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

void CloseWindow(int window) {
  WindowEntry* entry = FindWindow(window);
  if (entry == nullptr) return;
  QWidget* owner = entry->widget->parentWidget();
  const bool wasActive = entry->widget->isActiveWindow();
  DestroyWindow(window);
  // The owner takes the keyboard back, as it does when a dialog of the system closes; the
  // window manager would otherwise pick any window, or none.
  if (owner != nullptr && wasActive) {
    owner->raise();
    owner->activateWindow();
  }
}

}  // namespace rk::tk
