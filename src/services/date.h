#pragma once
// Date values: signed seconds since 1970-01-01 00:00:00 of the local calendar, no zone shift.

#include <cstdint>
#include <string>
#include <string_view>

namespace rk {

using DateValue = std::int64_t;

// The value that stands for "no valid date".
inline constexpr DateValue kInvalidDate = -1;

// The present local date and time, to the second.
DateValue CurrentDate();

// Seconds from 1970-01-01 00:00:00 to the given local time; -1 for invalid parts or a date
// outside 1970-01-01 00:00:00 .. 9999-12-31 23:59:59.
DateValue MakeDate(int year, int month, int day, int hour, int minute, int second);

// The pattern with %yyyy %yy %mm %dd %hh %ii %ss (any letter case) replaced by the date's parts.
std::u16string FormatDate(std::u16string_view pattern, DateValue date);

}  // namespace rk
