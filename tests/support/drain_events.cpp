#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"

namespace rk::test {

int DrainEvents(const std::function<void(int code, int control)>& handler) {
  int handled = 0;
  for (int code = rk::tk::PollEvent(); code != 0; code = rk::tk::PollEvent()) {
    handler(code, rk::tk::EventControl());
    ++handled;
  }
  return handled;
}

}  // namespace rk::test
