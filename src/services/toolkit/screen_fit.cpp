#include "services/toolkit/screen_fit.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>

#include "services/toolkit/state.h"

namespace rk::tk::detail {
namespace {

constexpr double kSmallestScale = 0.75;

int Round(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

double FitScale(QSize client, QMargins frame, QRect available, double desktopScale) {
  if (client.isEmpty() || available.isEmpty() || desktopScale <= 0) return 1.0;
  const double room = std::min(
      static_cast<double>(available.width() - frame.left() - frame.right()) / client.width(),
      static_cast<double>(available.height() - frame.top() - frame.bottom()) / client.height());
  if (room >= 1.0) return 1.0;
  // Below 0.75 text is too small to read; the window then overhangs instead.
  return std::min(1.0, std::max(room, kSmallestScale / desktopScale));
}

QPoint CentredFramePosition(QSize outer, QRect available) {
  const QPoint centred = available.center() - QPoint(outer.width() / 2, outer.height() / 2);
  return {std::max(centred.x(), available.left()), std::max(centred.y(), available.top())};
}

QMargins ExpectedFrame(double desktopScale) {
  // A title bar of up to 32 and borders of up to 4 pixels on the screen, in desktop pixels.
  const double scale = desktopScale > 0 ? desktopScale : 1.0;
  const int border = static_cast<int>(std::ceil(4 / scale));
  return {border, static_cast<int>(std::ceil(32 / scale)), border, border};
}

void ChooseScale(QSize client) {
  ToolkitState* state = State();
  if (state == nullptr || state->scaleChosen) return;
  state->scaleChosen = true;
  // The offscreen and minimal platforms have a placeholder screen, not one a user looks at.
  const QString platform = QGuiApplication::platformName();
  if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal")) return;
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const double desktopScale = screen->devicePixelRatio();
  state->frame = ExpectedFrame(desktopScale);
  state->scale = FitScale(client, state->frame, screen->availableGeometry(), desktopScale);
}

double Scale() {
  const ToolkitState* state = State();
  return state != nullptr ? state->scale : 1.0;
}

QMargins WindowFrame() {
  const ToolkitState* state = State();
  return state != nullptr ? state->frame : QMargins();
}

int Scaled(int length) {
  const double scale = Scale();
  return scale == 1.0 ? length : Round(length * scale);
}

QRect ScaledRect(int x, int y, int width, int height) {
  const double scale = Scale();
  if (scale == 1.0) return {x, y, width, height};
  const int left = Round(x * scale);
  const int top = Round(y * scale);
  return {left, top, Round((x + width) * scale) - left, Round((y + height) * scale) - top};
}

QFont ScaledFont(const QFont& font) {
  const double scale = Scale();
  if (scale == 1.0) return font;
  QFont scaled = font;
  if (font.pointSizeF() > 0) scaled.setPointSizeF(font.pointSizeF() * scale);
  return scaled;
}

}  // namespace rk::tk::detail
