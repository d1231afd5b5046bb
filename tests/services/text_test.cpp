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

TEST(TextHelpers, CountsNonOverlappingOccurrences) {
  EXPECT_EQ(CountOccurrences(u"a=\"1\"|b=\"2\"|", u"|"), 2u);
  EXPECT_EQ(CountOccurrences(u"aaaa", u"aa"), 2u);
  EXPECT_EQ(CountOccurrences(u"abc", u""), 0u);
}

TEST(TextHelpers, FieldIsEmptyOutOfRange) {
  EXPECT_EQ(Field(u"a|b|", u'|', 1), u"a");
  EXPECT_EQ(Field(u"a|b|", u'|', 2), u"b");
  EXPECT_EQ(Field(u"a|b|", u'|', 3), u"");
  EXPECT_EQ(Field(u"a|b|", u'|', 4), u"");
  EXPECT_EQ(Field(u"a|b|", u'|', 0), u"");
  EXPECT_EQ(Field(u"", u'|', 1), u"");
}

TEST(TextHelpers, TrimRemovesOnlyOuterBlanks) {
  EXPECT_EQ(TrimBlanks(u"  a b  "), u"a b");
  EXPECT_EQ(TrimBlanks(u"    "), u"");
  EXPECT_EQ(TrimBlanks(u"\tx\t"), u"\tx\t");
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
