#include "services/date.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <ctime>

namespace rk {
namespace {

constexpr DateValue kLastDate = 253402300799;  // 9999-12-31 23:59:59

TEST(MakeDate, CountsSecondsFromTheEpoch) {
  EXPECT_EQ(MakeDate(1970, 1, 1, 0, 0, 0), 0);
  EXPECT_EQ(MakeDate(1970, 1, 2, 0, 0, 1), 86401);
  EXPECT_EQ(MakeDate(2038, 1, 19, 3, 14, 7), 2147483647);
  EXPECT_EQ(MakeDate(2038, 1, 19, 3, 14, 8), 2147483648);
  EXPECT_EQ(MakeDate(2106, 2, 7, 6, 28, 16), 4294967296);
  EXPECT_EQ(MakeDate(9999, 12, 31, 23, 59, 59), kLastDate);
}

TEST(MakeDate, RejectsPartsOutsideTheCalendar) {
  EXPECT_EQ(MakeDate(1969, 12, 31, 23, 59, 59), kInvalidDate);
  EXPECT_EQ(MakeDate(10000, 1, 1, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 0, 1, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 13, 1, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 1, 0, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 1, 32, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 4, 31, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 11, 31, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 1, 1, 24, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 1, 1, 0, 60, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 1, 1, 0, 0, 60), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 1, 1, -1, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 1, 1, 0, 0, -1), kInvalidDate);
}

TEST(MakeDate, KnowsLeapYears) {
  EXPECT_NE(MakeDate(2024, 2, 29, 12, 0, 0), kInvalidDate);
  EXPECT_NE(MakeDate(2000, 2, 29, 0, 0, 0), kInvalidDate);
  EXPECT_NE(MakeDate(2400, 2, 29, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2023, 2, 29, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2100, 2, 29, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 2, 30, 0, 0, 0), kInvalidDate);
  EXPECT_EQ(MakeDate(2024, 3, 1, 0, 0, 0) - MakeDate(2024, 2, 28, 0, 0, 0), 2 * 86400);
  EXPECT_EQ(MakeDate(2100, 3, 1, 0, 0, 0) - MakeDate(2100, 2, 28, 0, 0, 0), 86400);
}

// The C library's calendar parts of `seconds`, in UTC or in local time; false on failure.
bool CalendarParts(std::time_t seconds, bool local, std::tm& parts) {
#if defined(_WIN32)
  return (local ? localtime_s(&parts, &seconds) : gmtime_s(&parts, &seconds)) == 0;
#else
  return (local ? localtime_r(&seconds, &parts) : gmtime_r(&seconds, &parts)) != nullptr;
#endif
}

// The C library's UTC conversion is an independent reckoning of the same plain calendar (the
// Windows C runtime reckons up to the year 3000 only).
TEST(MakeDate, AgreesWithTheCLibraryAcrossTheWholeRange) {
#if defined(_WIN32)
  constexpr DateValue kLastChecked = 32535215999;
#else
  constexpr DateValue kLastChecked = kLastDate;
#endif
  for (DateValue value = 0; value <= kLastChecked; value += 7777777 + 86399) {
    const auto seconds = static_cast<std::time_t>(value);
    std::tm parts{};
    ASSERT_TRUE(CalendarParts(seconds, false, parts));
    char expected[32];
    std::strftime(expected, sizeof expected, "%Y-%m-%d %H:%M:%S", &parts);
    ASSERT_EQ(MakeDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                       parts.tm_min, parts.tm_sec),
              value);
    std::u16string expectedText;
    for (const char* c = expected; *c != '\0'; ++c) expectedText.push_back(static_cast<char16_t>(*c));
    ASSERT_EQ(FormatDate(u"%yyyy-%mm-%dd %hh:%ii:%ss", value), expectedText) << value;
  }
}

TEST(FormatDate, ReplacesTokensInAnyLetterCase) {
  EXPECT_EQ(FormatDate(u"%dd.%mm.%yyyy", 1532284435), u"22.07.2018");
  EXPECT_EQ(FormatDate(u"%yy%mm%dd%hh%ii", MakeDate(2024, 3, 5, 7, 8, 9)), u"2403050708");
  EXPECT_EQ(FormatDate(u"%YY%Mm%dD%HH%II%SS", MakeDate(2024, 3, 5, 7, 8, 9)), u"240305070809");
  EXPECT_EQ(FormatDate(u"%YYYY", MakeDate(2038, 1, 19, 3, 14, 8)), u"2038");
  EXPECT_EQ(FormatDate(u"%dd.%mm.%yyyy %hh:%ii:%ss", kLastDate), u"31.12.9999 23:59:59");
}

TEST(FormatDate, CopiesEverythingThatIsNoToken) {
  const DateValue date = MakeDate(2024, 3, 5, 7, 8, 9);
  EXPECT_EQ(FormatDate(u"", date), u"");
  EXPECT_EQ(FormatDate(u"Neues Buch", date), u"Neues Buch");
  EXPECT_EQ(FormatDate(u"100%", date), u"100%");
  EXPECT_EQ(FormatDate(u"%y", date), u"%y");
  EXPECT_EQ(FormatDate(u"%yyy", date), u"24y");
  EXPECT_EQ(FormatDate(u"%%dd", date), u"%05");
  EXPECT_EQ(FormatDate(u"%x%mm", date), u"%x03");
  EXPECT_EQ(FormatDate(u"ä%ddü", date), u"ä05ü");
}

TEST(FormatDate, GivesZeroPartsForEveryValueOutsideTheRange) {
  for (const DateValue date : {kInvalidDate, DateValue{-2}, INT64_MIN, kLastDate + 1, INT64_MAX}) {
    EXPECT_EQ(FormatDate(u"%yyyy %yy-%mm-%dd %hh:%ii:%ss", date), u"0000 00-00-00 00:00:00") << date;
  }
}

TEST(CurrentDate, IsAValidRecentDate) {
  const DateValue now = CurrentDate();
  EXPECT_GE(now, MakeDate(2024, 1, 1, 0, 0, 0));
  EXPECT_LE(now, kLastDate);
  // The local clock's parts as they stand, without a shift by the time zone.
  std::tm parts{};
  ASSERT_TRUE(CalendarParts(std::time(nullptr), true, parts));
  const DateValue local = MakeDate(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour,
                                   parts.tm_min, std::min(parts.tm_sec, 59));
  EXPECT_LE(local - now, 2);
  EXPECT_LE(now - local, 2);
}

}  // namespace
}  // namespace rk
