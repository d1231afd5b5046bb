// Date values from arbitrary parts and patterns: MakeDate against an independent calendar
// reckoning, FormatDate with any pattern and any value, and the round trip of every valid
// date through its formatted parts.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "services/date.h"

namespace {

// Reads fixed-size values from the front of the input; zeros once it is used up.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  template <typename T>
  T Take() {
    T value{};
    const std::size_t count = sizeof(T) < size_ ? sizeof(T) : size_;
    std::memcpy(&value, data_, count);
    data_ += count;
    size_ -= count;
    return value;
  }

  const std::uint8_t* rest() const { return data_; }
  std::size_t restSize() const { return size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
};

// Days from 1970-01-01 to a proleptic Gregorian date (year, month 1-12, day 1-31).
std::int64_t DaysFromCivil(std::int64_t year, std::int64_t month, std::int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

bool IsLeapYear(std::int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// The value MakeDate must give: -1 for parts outside their ranges or a date outside
// 1970-01-01 00:00:00 .. 9999-12-31 23:59:59.
rk::DateValue ExpectedDate(int year, int month, int day, int hour, int minute, int second) {
  static constexpr int kMonthDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1970 || year > 9999 || month < 1 || month > 12 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59 || day < 1) {
    return rk::kInvalidDate;
  }
  const int monthDays = kMonthDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
  if (day > monthDays) return rk::kInvalidDate;
  return DaysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

// The decimal value of `count` digits of `text` from `at`; -1 when one is not a digit.
int Digits(const std::u16string& text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < u'0' || text[i] > u'9') return -1;
    value = value * 10 + (text[i] - u'0');
  }
  return value;
}

// Every valid date formats into parts that MakeDate turns back into the same value.
void CheckRoundTrip(rk::DateValue date) {
  // "2024-03-05 07:08:09"
  const std::u16string text = rk::FormatDate(u"%YYYY-%mm-%dd %hh:%ii:%ss", date);
  if (text.size() != 19) std::abort();
  const int year = Digits(text, 0, 4);
  const int month = Digits(text, 5, 2);
  const int day = Digits(text, 8, 2);
  const int hour = Digits(text, 11, 2);
  const int minute = Digits(text, 14, 2);
  const int second = Digits(text, 17, 2);
  if (rk::MakeDate(year, month, day, hour, minute, second) != date) std::abort();
  // The two-digit year is the four-digit one modulo 100.
  if (Digits(rk::FormatDate(u"%yy", date), 0, 2) != year % 100) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader reader(data, size);

  // Parts of any value, small ones more often so that valid dates are found.
  const std::uint8_t wide = reader.Take<std::uint8_t>();
  auto part = [&](int base, int span) {
    const auto raw = reader.Take<std::int32_t>();
    return (wide & 1) != 0 ? raw : base + static_cast<int>(static_cast<std::uint32_t>(raw) % static_cast<std::uint32_t>(span)) - 1;
  };
  const int year = part(1969, 8100);
  const int month = part(0, 15);
  const int day = part(0, 34);
  const int hour = part(0, 26);
  const int minute = part(0, 62);
  const int second = part(0, 62);
  const rk::DateValue made = rk::MakeDate(year, month, day, hour, minute, second);
  if (made != ExpectedDate(year, month, day, hour, minute, second)) std::abort();
  if (made != rk::kInvalidDate) CheckRoundTrip(made);

  // Any value, valid or not, with any pattern: no undefined behaviour, and the result is never
  // longer than the pattern (every token is at least as long as what replaces it, and a value
  // outside the valid range has every part zero).
  const auto value = reader.Take<std::int64_t>();
  std::u16string pattern;
  const std::uint8_t* rest = reader.rest();
  for (std::size_t i = 0; i + 1 < reader.restSize(); i += 2) {
    pattern.push_back(static_cast<char16_t>(rest[i] | (rest[i + 1] << 8)));
  }
  for (const rk::DateValue date : {value, made}) {
    const std::u16string formatted = rk::FormatDate(pattern, date);
    if (formatted.size() > pattern.size()) std::abort();
    if (date >= 0 && date <= ExpectedDate(9999, 12, 31, 23, 59, 59)) CheckRoundTrip(date);
  }
  return 0;
}
