#include <algorithm>
#include <ctime>

#include "services/date.h"

namespace rk {

DateValue CurrentDate() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  if (now == static_cast<std::time_t>(-1) || localtime_r(&now, &local) == nullptr) return kInvalidDate;
  // A leap second reads as 60; count it as the last second of its minute rather than failing.
  return MakeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                  local.tm_min, std::min(local.tm_sec, 59));
}

}  // namespace rk
