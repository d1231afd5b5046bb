#pragma once
// What a screen reader is told about the toolkit's widgets beyond Qt's defaults: windows as
// frames and dialogs, containers as groups, checkable lists as the toolkit's own tables, and
// the widget kinds that carry those roles.

#include <QFrame>

class QWidget;

#include <functional>

class QAccessibleEvent;

namespace rk::tk::detail {

// The frame of a container: a group for a screen reader, named like its contents' book.
class PaneFrame final : public QFrame {
 public:
  using QFrame::QFrame;
};

// How long a step of the focus away lasts before it comes back, so that a reader takes the
// two as two moves instead of dropping the first as outdated by the second.
inline constexpr int kReaderStep = 500;  // milliseconds

// Whether a screen reader may be listening (Qt's accessibility is active) or a tap is set;
// work done only for readers is skipped otherwise.
bool ReaderListening();

// Hands an event to the screen readers, and to the tap when one is set.
void TellReaders(QAccessibleEvent& event);

// Tells the readers the keyboard is on `to` (which need not have it: a step away and back
// makes a reader read the control again).
void TellFocus(QWidget& to);

// Receives every event TellReaders sends, whether or not a reader listens (tests: the offscreen
// platform has no accessibility bridge to activate). An empty function removes it.
void SetReaderTap(std::function<void(QAccessibleEvent&)> tap);

// Registers the factory that gives windows and containers their roles and lists their reader
// tables (check_list_accessible.h), and brings every list's selection for readers up to date
// when a reader arrives; once per process.
void InstallAccessibleRoles();

}  // namespace rk::tk::detail
