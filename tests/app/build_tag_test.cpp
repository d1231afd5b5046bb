#include "app/build_tag.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "services/text.h"

namespace rk::app {
namespace {

std::u16string DateText(DateValue date) { return FormatDate(u"%dd.%mm.%yyyy", date); }

TEST(BuildTag, CompilerDateReadsTheCompilersForm) {
  EXPECT_EQ(DateText(CompilerDate("Dec  8 2026")), u"08.12.2026");
  EXPECT_EQ(DateText(CompilerDate("Jan 31 1999")), u"31.01.1999");
  EXPECT_EQ(DateText(CompilerDate("Feb 29 2024")), u"29.02.2024");
  EXPECT_EQ(DateText(CompilerDate(__DATE__)).size(), 10U);
}

TEST(BuildTag, CompilerDateRejectsOtherText) {
  EXPECT_EQ(CompilerDate("Dez  8 2026"), kInvalidDate);
  EXPECT_EQ(CompilerDate("Dec 8 2026"), kInvalidDate);
  EXPECT_EQ(CompilerDate("Dec  x 2026"), kInvalidDate);
  EXPECT_EQ(CompilerDate("Feb 30 2024"), kInvalidDate);
  EXPECT_EQ(CompilerDate(""), kInvalidDate);
}

TEST(BuildTag, JoinsItsPartsInTheTitleForm) {
  EXPECT_EQ(FormatBuildTag(u"GCC 12.2.0 (x64)", CompilerDate("Dec  8 2026"), u"/work/build"),
            u"     [GCC 12.2.0 (x64)  -  Unicode  -  08.12.2026  -  /work/build]");
}

TEST(BuildTag, TitleNamesThisBuild) {
  const std::string title = ToUtf8(MainWindowTitle());
  const std::regex form(
      R"(Rufkartei  v1\.10     \[(GCC|Clang) \d+\.\d+\.\d+ \(x(64|86)\)  -  Unicode  -  )"
      R"(\d\d\.\d\d\.\d{4}  -  (.+)\])");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(title, match, form)) << title;
  EXPECT_TRUE(std::filesystem::path(match[3].str()).is_absolute()) << title;
}

}  // namespace
}  // namespace rk::app
