#pragma once
// Ends of the session that reach the program from outside its windows: the termination
// signals and the application's quit (the desktop session manager's). Each becomes a close
// request, as if the close box had been pressed.

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace rk::tk::detail {

class EndRequests final : public QObject {
 public:
  EndRequests();
  ~EndRequests() override;
  EndRequests(const EndRequests&) = delete;
  EndRequests& operator=(const EndRequests&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::unique_ptr<QSocketNotifier> signals_;
};

// Queues a close request and lets an open modal dialog go, so the loop reaches it at once;
// the dialogs of the operation that is running are no longer shown.
void RequestEnd();

}  // namespace rk::tk::detail
