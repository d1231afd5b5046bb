#include "services/date.h"


namespace rk {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr int kFirstYear = 1970;
constexpr int kLastYear = 9999;
// 9999-12-31 23:59:59, the last second a four-digit year can show.
constexpr DateValue kLastDate = 253402300799;

struct DateParts {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the given date of the proleptic Gregorian calendar. The year is
// counted from March so that the leap day falls at the end of a 400-year era's year.
std::int64_t DaysFromCivil(int year, int month, int day) {
  const int shifted = month <= 2 ? year - 1 : year;
  const int era = shifted / 400;  // years here are never negative
  const int yearOfEra = shifted - era * 400;
  const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
  const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return std::int64_t{era} * 146097 + dayOfEra - 719468;
}

// The calendar parts of a valid date value; every part is zero for a value outside the valid range.
DateParts PartsOf(DateValue date) {
  DateParts parts;
  if (date < 0 || date > kLastDate) return parts;
  const std::int64_t days = date / kSecondsPerDay;
  const auto secondOfDay = static_cast<int>(date % kSecondsPerDay);
  parts.hour = secondOfDay / 3600;
  parts.minute = secondOfDay / 60 % 60;
  parts.second = secondOfDay % 60;
  // The inverse of DaysFromCivil; the day count fits an int for years up to 9999.
  const int shiftedDays = static_cast<int>(days) + 719468;
  const int era = shiftedDays / 146097;
  const int dayOfEra = shiftedDays - era * 146097;
  const int yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int shiftedMonth = (5 * dayOfYear + 2) / 153;
  parts.day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
  parts.month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
  parts.year = yearOfEra + era * 400 + (parts.month <= 2 ? 1 : 0);
  return parts;
}

char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// True when `pattern` continues at `at` with `token` (lower case), ignoring letter case.
bool TokenAt(std::u16string_view pattern, std::size_t at, std::u16string_view token) {
  if (pattern.size() - at < token.size()) return false;
  for (std::size_t i = 0; i < token.size(); ++i) {
    if (LowerAscii(pattern[at + i]) != token[i]) return false;
  }
  return true;
}

void AppendDigits(std::u16string& out, int value, int width) {
  char16_t digits[4];
  for (int i = width - 1; i >= 0; --i) {
    digits[i] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  }
  out.append(digits, static_cast<std::size_t>(width));
}

}  // namespace

DateValue MakeDate(int year, int month, int day, int hour, int minute, int second) {
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
      day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
      second < 0 || second > 59) {
    return kInvalidDate;
  }
  return DaysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

std::u16string FormatDate(std::u16string_view pattern, DateValue date) {
  const DateParts parts = PartsOf(date);
  struct Token {
    std::u16string_view text;
    int value;
    int width;
  };
  // "yyyy" is tried before "yy", so "%yyy" is the short year followed by a literal "y".
  const Token tokens[] = {{u"yyyy", parts.year, 4},  {u"yy", parts.year % 100, 2},
                          {u"mm", parts.month, 2},   {u"dd", parts.day, 2},
                          {u"hh", parts.hour, 2},    {u"ii", parts.minute, 2},
                          {u"ss", parts.second, 2}};
  std::u16string out;
  out.reserve(pattern.size() + 8);
  for (std::size_t at = 0; at < pattern.size(); ++at) {
    const Token* match = nullptr;
    if (pattern[at] == u'%') {
      for (const Token& token : tokens) {
        if (TokenAt(pattern, at + 1, token.text)) {
          match = &token;
          break;
        }
      }
    }
    // Any other character, and a "%" that starts no token, is copied as it is.
    if (match == nullptr) {
      out.push_back(pattern[at]);
      continue;
    }
    AppendDigits(out, match->value, match->width);
    at += match->text.size();
  }
  return out;
}

}  // namespace rk
