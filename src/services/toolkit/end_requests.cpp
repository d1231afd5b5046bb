#include "services/toolkit/end_requests.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "services/end_signals.h"
#include "services/toolkit/state.h"

namespace rk::tk::detail {

EndRequests::EndRequests() {
  const int descriptor = WatchEndSignals();
  if (descriptor >= 0) {
    signals_ = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
    QObject::connect(signals_.get(), &QSocketNotifier::activated, this, [] {
      if (TakeEndSignal()) RequestEnd();
    });
  }
  // The program never runs exec(), so a quit would otherwise end nothing.
  if (QCoreApplication* app = QCoreApplication::instance()) app->installEventFilter(this);
}

EndRequests::~EndRequests() {
  signals_.reset();
  StopWatchingEndSignals();
}

bool EndRequests::eventFilter(QObject* watched, QEvent* event) {
  if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
    RequestEnd();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

void RequestEnd() {
  ToolkitState* state = State();
  if (state == nullptr) return;
  state->endRequested = true;
  QueueEvent(kEventClose, -1, -1);
  // A modal dialog runs a loop of its own; closing it lets the operation return to ours.
  if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
}

}  // namespace rk::tk::detail
