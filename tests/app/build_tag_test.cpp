#include "app/build_tag.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "services/text.h"
#include "support/test_support.h"

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
  const std::u16string title = MainWindowTitle();
  const std::u16string head = u"Rufkartei  v1.10     [" + ToolchainName() + u"  -  Unicode  -  ";
  ASSERT_EQ(title.substr(0, head.size()), head);
  const std::u16string toolchain = ToolchainName();
  EXPECT_TRUE(toolchain.starts_with(u"GCC ") || toolchain.starts_with(u"Clang ")) << ToUtf8(toolchain);
  EXPECT_TRUE(toolchain.ends_with(u" (x64)") || toolchain.ends_with(u" (x86)")) << ToUtf8(toolchain);

  const std::u16string rest = title.substr(head.size());
  ASSERT_GT(rest.size(), 16U);
  const std::u16string date = rest.substr(0, 10);
  for (std::size_t index = 0; index < date.size(); ++index) {
    if (index == 2 || index == 5) {
      EXPECT_EQ(date[index], u'.');
    } else {
      EXPECT_TRUE(date[index] >= u'0' && date[index] <= u'9') << ToUtf8(title);
    }
  }
  EXPECT_EQ(rest.substr(10, 5), u"  -  ");
  EXPECT_EQ(rest.back(), u']');
  const std::u16string folder = rest.substr(15, rest.size() - 16);
  EXPECT_TRUE(ToOsPath(folder).is_absolute()) << ToUtf8(title);
}

// The title's date is the day of the build that linked the program: the test program's own
// file was written by that link (a link just after midnight may follow a date taken before).
TEST(BuildTag, DateIsTheDayOfTheLink) {
  struct stat info {};
  ASSERT_EQ(::stat("/proc/self/exe", &info), 0);
  auto day = [](std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    return DateText(MakeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0, 0));
  };
  const std::u16string date = BuildTag().substr(ToolchainName().size() + 6 + 17, 10);
  EXPECT_TRUE(date == day(info.st_mtime) || date == day(info.st_mtime - 24 * 60 * 60)) << ToUtf8(date);
}

// The build runs the date script every time: it writes today's date in the compiler's form and
// leaves the file alone (nothing to compile anew) while the date is unchanged.
TEST(BuildTag, DateScriptWritesTodayOnlyWhenItChanged) {
  rk::test::TempFolder folder;
  const std::filesystem::path source = folder / "build_day.cpp";
  const std::string command = std::string("\"") + RUFKARTEI_CMAKE + "\" -DOUTPUT=" + source.string() + " -P \"" +
                              RUFKARTEI_BUILD_DATE_SCRIPT + "\"";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const std::string written = rk::test::ReadFileBytes(source);
  const std::size_t quote = written.find("kBuildDay[] = \"");
  ASSERT_NE(quote, std::string::npos) << written;
  EXPECT_EQ(DateText(CompilerDate(written.substr(quote + 15, 11))), DateText(CurrentDate()));

  const auto old = std::filesystem::last_write_time(source) - std::chrono::hours(48);
  std::filesystem::last_write_time(source, old);
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(std::filesystem::last_write_time(source), old);

  rk::test::WriteFileBytes(source, "// the day before\n");
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(rk::test::ReadFileBytes(source), written);
}

}  // namespace
}  // namespace rk::app
