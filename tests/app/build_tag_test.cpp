#include "app/build_tag.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <windows.h>
#endif

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
#ifdef _WIN32
  // The Windows program is cross-built: it names the Linux folder it was built in.
  EXPECT_EQ(folder.front(), u'/') << ToUtf8(title);
#else
  EXPECT_TRUE(ToOsPath(folder).is_absolute()) << ToUtf8(title);
#endif
}

// The title's date is the day of the build that linked the program: the test program's own
// file was written by that link (a link just after midnight may follow a date taken before).
// The time the running program's file was last written, 0 when unknown.
std::time_t OwnFileTime() {
#ifdef _WIN32
  wchar_t path[MAX_PATH] = {};
  struct _stat64 info {};
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return length > 0 && length < MAX_PATH && ::_wstat64(path, &info) == 0 ? info.st_mtime : 0;
#else
  struct stat info {};
  return ::stat("/proc/self/exe", &info) == 0 ? info.st_mtime : 0;
#endif
}

TEST(BuildTag, DateIsTheDayOfTheLink) {
  const std::time_t linked = OwnFileTime();
  ASSERT_NE(linked, 0);
  auto day = [](std::time_t time) {
    std::tm local{};
#ifdef _WIN32
    ::localtime_s(&local, &time);
#else
    ::localtime_r(&time, &local);
#endif
    return DateText(MakeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0, 0));
  };
  const std::u16string date = BuildTag().substr(ToolchainName().size() + 6 + 17, 10);
  EXPECT_TRUE(date == day(linked) || date == day(linked - 24 * 60 * 60)) << ToUtf8(date);
}

// The date script runs on the machine that builds, which is Linux for both programs.
#ifndef _WIN32
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
#endif

}  // namespace
}  // namespace rk::app
