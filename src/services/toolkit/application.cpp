// The application object's life and the event wait.
#include <QCoreApplication>
#include <QEventLoop>

#include "services/toolkit/state.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk {

using namespace detail;

namespace {

// Runs Qt's deletions that were scheduled with deleteLater: outside a running QEventLoop
// (the program never calls exec) nothing else would.
void RunDeferredDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

int TakeEvent(ToolkitState& state) {
  if (state.events.empty()) return 0;
  state.last = state.events.front();
  state.events.pop_front();
  return state.last.code;
}

}  // namespace

int StartToolkit() {
  CreateState();
  return State() != nullptr ? 1 : 0;
}

void EndToolkit() { DestroyState(); }

int WaitEvent() {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  // Sleeps in the window system until something arrives; a message that queues no event of
  // ours (a repaint, a mouse move) just lets the loop wait again.
  while (state->events.empty()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    RunDeferredDeletes();
  }
  return TakeEvent(*state);
}

int PollEvent() {
  ToolkitState* state = State();
  if (state == nullptr) return 0;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  RunDeferredDeletes();
  return TakeEvent(*state);
}

// The session manager's quit and the end signals reach the loop as close requests, and the
// program is given the time to get there.
void SetSessionEndHandler(std::function<void()> /*keep*/) {}

int EventControl() {
  const ToolkitState* state = State();
  return state != nullptr ? state->last.control : 0;
}

int EventWindow() {
  const ToolkitState* state = State();
  return state != nullptr ? state->last.window : 0;
}

}  // namespace rk::tk
