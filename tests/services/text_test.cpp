#include "services/text.h"

#include <gtest/gtest.h>

namespace rk {
namespace {

TEST(TextHelpers, DecimalTextCoversSignAndExtremes) {
  EXPECT_EQ(DecimalText(0), u"0");
  EXPECT_EQ(DecimalText(-42), u"-42");
  EXPECT_EQ(DecimalText(INT64_MIN), u"-9223372036854775808");
  EXPECT_EQ(DecimalText(INT64_MAX), u"9223372036854775807");
}

TEST(TextHelpers, PathSplitsAtEitherSeparator) {
  EXPECT_EQ(FolderPart(u"/home/u/Buch.xml"), u"/home/u/");
  EXPECT_EQ(FilePart(u"/home/u/Buch.xml"), u"Buch.xml");
  EXPECT_EQ(FolderPart(u"C:\\Daten\\Buch.xml"), u"C:\\Daten\\");
  EXPECT_EQ(FilePart(u"C:\\Daten\\Buch.xml"), u"Buch.xml");
  EXPECT_EQ(FolderPart(u"Buch.xml"), u"");
  EXPECT_EQ(FilePart(u"Buch.xml"), u"Buch.xml");
  EXPECT_EQ(FolderPart(u"/a\\b/c"), u"/a\\b/");
  EXPECT_EQ(FilePart(u"/tmp/"), u"");
}

TEST(TextHelpers, Utf8RoundTripAndRepair) {
  const std::u16string text = u"Grüße € \U0001F600";
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(u"\u00e4"), "\xC3\xA4");
  // A lone surrogate cannot be encoded; it becomes U+FFFD.
  EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  // Invalid and overlong sequences become U+FFFD, the rest survives.
  EXPECT_EQ(FromUtf8("a\xFF" "b"), u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD");
  EXPECT_EQ(FromUtf8("\xE2\x82"), u"\uFFFD\uFFFD");
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");
}

TEST(TextHelpers, OsPathsKeepUmlauts) {
  EXPECT_EQ(FromOsPath(ToOsPath(u"/tmp/Telefonbücher/Buch.xml")), u"/tmp/Telefonbücher/Buch.xml");
}

}  // namespace
}  // namespace rk
