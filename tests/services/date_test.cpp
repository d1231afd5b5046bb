#include "services/date.h"

#include <gtest/gtest.h>

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

// The C library's UTC conversion is an independent reckoning of the same plain calendar.
TEST(MakeDate, AgreesWithTheCLibraryAcrossTheWholeRange) {
  for (DateValue value = 0; value <= kLastDate; value += 7777777 + 86399) {
    const auto seconds = static_cast<std::time_t>(value);
    std::tm parts{};
    ASSERT_NE(gmtime_r(&seconds, &parts), nullptr);
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
}

}  // namespace
}  // namespace rk
