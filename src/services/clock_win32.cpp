#include <windows.h>

#include "services/date.h"

namespace rk {

DateValue CurrentDate() {
  // The local calendar's parts as the system keeps them: no time-zone arithmetic, and no
  // 32-bit time_t limit in 2038.
  SYSTEMTIME local{};
  ::GetLocalTime(&local);
  return MakeDate(local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond);
}

}  // namespace rk
