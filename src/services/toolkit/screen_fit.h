#pragma once
// One factor for every position, size and font the toolkit creates, so that a window laid out
// in fixed pixels fits a screen smaller than itself (or one the desktop scales up) and keeps
// its layout exactly.

#include <QFont>
#include <QMargins>
#include <QRect>
#include <QSize>

namespace rk::tk::detail {

// The factor on the desktop's own scale at which a window of `client` size with a frame of
// `frame` (both in the desktop's pixels) fits `available`: 1 when it fits as it is, else the
// largest that fits, but never below an overall scale of 0.75.
double FitScale(QSize client, QMargins frame, QRect available, double desktopScale);

// Where the frame of a window of `outer` size goes to be centred in `available`; a window
// larger than the area keeps its top-left corner (title bar and close box) inside it.
QPoint CentredFramePosition(QSize outer, QRect available);

// The frame the window manager is expected to put around a window, in the desktop's pixels:
// nothing is known of it before the window is shown.
QMargins ExpectedFrame(double desktopScale);

// Chooses the factor for the window about to open with this client size, once: the first
// window (the largest, the program's main window) decides for all. Platforms without a real
// screen keep 1 and have no frames.
void ChooseScale(QSize client);

// The running factor (1 before a window opened).
double Scale();

// The frame expected around a window on the running platform (none without a real screen).
QMargins WindowFrame();

// A length, and a rectangle by its edges (so neighbouring controls stay neighbours).
int Scaled(int length);
QRect ScaledRect(int x, int y, int width, int height);

// The font at the running factor.
QFont ScaledFont(const QFont& font);

}  // namespace rk::tk::detail
