#include "app/build_tag.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace rk::app
