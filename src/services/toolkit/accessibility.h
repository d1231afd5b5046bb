#pragma once
// What a screen reader is told about the toolkit's widgets beyond Qt's defaults: windows as
// frames and dialogs, containers as groups, and the widget kinds that carry those roles.

#include <QFrame>

namespace rk::tk::detail {

// The frame of a container: a group for a screen reader, named like its contents' book.
class PaneFrame final : public QFrame {
 public:
  using QFrame::QFrame;
};

// Registers the factory that gives windows and containers their roles; once per process.
void InstallAccessibleRoles();

}  // namespace rk::tk::detail
