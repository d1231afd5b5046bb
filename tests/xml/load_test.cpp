#include <gtest/gtest.h>

#include "services/text.h"
#include "xml/xml.h"
#include "xml_test_support.h"

namespace rk::xml {
namespace {

using test::LoadBytes;
using test::TempFolder;
using test::TreeText;

class XmlLoad : public ::testing::Test {
 protected:
  void TearDown() override {
    FreeDocument(-1);
  }
  TempFolder folder_;
};

TEST_F(XmlLoad, WellFormedFileHasNoErrorInformation) {
  ASSERT_NE(LoadBytes(folder_, "<a>x</a>"), 0);
  EXPECT_EQ(DocumentStatus(0), 0);
  EXPECT_EQ(ErrorLine(0), 0);
  EXPECT_EQ(ErrorColumn(0), 0);
  EXPECT_EQ(ErrorMessage(0), u"");
  EXPECT_EQ(NodeName(MainNode(0)), u"a");
  EXPECT_EQ(NodeText(MainNode(0)), u"x");
  EXPECT_EQ(DocumentEncoding(0), EncodingUtf8);
  EXPECT_EQ(DocumentStandalone(0), -1);
}

struct Malformed {
  const char* bytes;
  int status;
  int line;
  int column;
  const char16_t* message;
};

TEST_F(XmlLoad, MalformedFilesReportStatusLineColumnAndMessage) {
  const Malformed cases[] = {
      {"<?xml version=\"1.0\"?>\n<a>", 3, 2, 4, u"no element found"},
      {"<a>\n  <b>\n</a>\n", 7, 3, 3, u"mismatched tag"},
      {"<a/>\n<b/>", 9, 2, 1, u"junk after document element"},
      {"<?xml version=\"1.0\" encoding=\"x-unknown\"?>\n<a/>", 18, 1, 31, u"unknown encoding"},
      {"<a>\n &x </a>", 4, 2, 4, u"not well-formed (invalid token)"},
      {"<a b='1' b='2'/>", 8, 1, 10, u"duplicate attribute"},
      {"<a>&#0;</a>", 14, 1, 4, u"reference to invalid character number"},
  };
  for (const Malformed& c : cases) {
    SCOPED_TRACE(c.bytes);
    ASSERT_NE(LoadBytes(folder_, c.bytes), 0);
    EXPECT_EQ(DocumentStatus(0), c.status);
    EXPECT_EQ(ErrorLine(0), c.line);
    EXPECT_EQ(ErrorColumn(0), c.column);
    EXPECT_EQ(ErrorMessage(0), c.message);
  }
  // A name Expat does not know leaves the encoding at UTF-8.
  LoadBytes(folder_, "<?xml version=\"1.0\" encoding=\"x-unknown\"?><a/>");
  EXPECT_EQ(DocumentEncoding(0), EncodingUtf8);
}

TEST_F(XmlLoad, PartialTreeIsKeptAfterAnError) {
  ASSERT_NE(LoadBytes(folder_, "<a>\n<b k='v'>text<c/>more\n<d>x"), 0);
  EXPECT_EQ(DocumentStatus(0), 3);
  EXPECT_EQ(TreeText(RootNode(0)),
            "0 kind 0 <> @0 []\n"
            "1 kind 1 <a> @0 [\n]\n"
            "2 kind 1 <b> k=[v] @1 [textmore\n]\n"
            "3 kind 1 <c> @4 []\n"
            "3 kind 1 <d> @5 [x]\n");
}

TEST_F(XmlLoad, FilesThatGiveNoDocumentLeaveTheOldOne) {
  EXPECT_NE(CreateDocument(0, EncodingLatin1), 0);
  XmlNode* root = RootNode(0);
  EXPECT_EQ(LoadBytes(folder_, ""), 0);
  EXPECT_EQ(LoadDocument(0, test::XmlPath(folder_ / "missing.xml")), 0);
  EXPECT_EQ(LoadDocument(0, u""), 0);
  EXPECT_EQ(LoadDocument(0, test::XmlPath(folder_.path())), 0);
  EXPECT_EQ(RootNode(0), root);
  EXPECT_EQ(DocumentEncoding(0), EncodingLatin1);
}

TEST_F(XmlLoad, LineBreakStyleComesFromTheFile) {
  struct Case {
    const char* bytes;
    int style;
    const char16_t* text;
  };
  const Case cases[] = {
      {"<a>\r\n<b/>x\r\ny</a>", kLineBreakCrLf, u"\r\nx\r\ny"},
      {"<a>\n<b/>x\ny</a>", kLineBreakLf, u"\nx\ny"},
      {"<a>\r<b/>x\ry</a>", kLineBreakCr, u"\rx\ry"},
      // A character reference to a line feed is stored in the file's style as well.
      {"<a>\r\n<b/>&#10;&lt;</a>", kLineBreakCrLf, u"\r\n\r\n<"},
  };
  for (const Case& c : cases) {
    ASSERT_NE(LoadBytes(folder_, c.bytes), 0);
    EXPECT_EQ(LineBreakStyle(0), c.style);
    EXPECT_EQ(NodeText(MainNode(0)), c.text);
  }
}

TEST_F(XmlLoad, LineBreakDetectionLooksPastTheChunkBoundary) {
  // The first chunk ends with the CR of a CR LF pair: neither half decides the style there,
  // the next chunk skips the leading LF and finds the next break.
  std::string head = "<a b='" + std::string(16383 - 8, 'x') + "'>";
  ASSERT_EQ(head.size(), 16383u);
  std::string bytes = head + "\r\n<c/>\r\n</a>";
  ASSERT_EQ(bytes[16383], '\r');
  ASSERT_NE(LoadBytes(folder_, bytes), 0);
  EXPECT_EQ(LineBreakStyle(0), kLineBreakCrLf);

  std::string lateBreak = "<a b='" + std::string(20000, 'x') + "'>\r</a>";
  ASSERT_NE(LoadBytes(folder_, lateBreak), 0);
  EXPECT_EQ(LineBreakStyle(0), kLineBreakCr);
  EXPECT_EQ(NodeText(MainNode(0)), u"\r");
}

TEST_F(XmlLoad, EveryChunkSizeGivesTheSameTree) {
  const std::string bytes =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!DOCTYPE book [\n<!ENTITY e \"v\">\n<!-- in the subset -->\n]>\n"
      "<book owner=\"1\" name=\"Gr\xC3\xBC\xC3\x9F" "e &amp; \xF0\x9F\x98\x80\">\n"
      "  <contact>text &e; &#x20AC;<![CDATA[ <raw> ]]><?pi some data?></contact>\n"
      "  <!-- after -->\n"
      "</book>\n<!-- end -->\n";
  ASSERT_NE(LoadBytes(folder_, bytes), 0);
  const std::string expected = TreeText(RootNode(0));
  for (std::size_t chunk = 1; chunk <= bytes.size(); ++chunk) {
    ASSERT_NE(test::LoadFromMemory(bytes, LoadSetup{.chunkSize = chunk}), 0);
    ASSERT_EQ(DocumentStatus(0), 0) << "chunk " << chunk;
    ASSERT_EQ(TreeText(RootNode(0)), expected) << "chunk " << chunk;
  }
}

// The load counts what a walk of its elements meets: elements, attributes, and the characters
// of element texts (normalised, when the load normalises) and attribute values; comments,
// instructions and the root's text do not count. A cut-off file counts what it kept.
TEST_F(XmlLoad, LoadedTreeSizeCountsWhatTheElementsHold) {
  const std::string bytes = "<!-- c -->\n<a x=\"12\" y=\"\">\n  <b>t  u</b><?p d?><c z='3'/>\n</a>\n";
  ASSERT_NE(LoadBytes(folder_, bytes), 0);
  LoadedSize size = LoadedTreeSize(0);
  EXPECT_EQ(size.elements, 3u);
  EXPECT_EQ(size.attributes, 3u);
  EXPECT_EQ(size.characters, 3u + 4u + 4u);  // the values, a's "\n  \n", b's "t  u"
  test::WriteFileBytes(folder_ / "in.xml", bytes);
  ASSERT_NE(LoadDocument(0, test::XmlPath(folder_ / "in.xml"), kEncodingAuto,
                         FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks), 0);
  EXPECT_EQ(LoadedTreeSize(0).characters, 3u + 1u + 3u);  // the values, a's " ", b's "t u"
  ASSERT_NE(LoadBytes(folder_, "<a><b>xy</b><c>z"), 0);
  size = LoadedTreeSize(0);
  EXPECT_EQ(size.elements, 3u);
  EXPECT_EQ(size.characters, 3u);
  EXPECT_EQ(LoadedTreeSize(7).elements, 0u);
}

TEST_F(XmlLoad, DocumentTypeDeclarationBecomesOneNode) {
  ASSERT_NE(LoadBytes(folder_, "<!DOCTYPE  a  SYSTEM  \"a.dtd\" >\n<a/>"), 0);
  XmlNode* dtd = FirstChild(RootNode(0));
  EXPECT_EQ(NodeKind(dtd), kNodeDtd);
  EXPECT_EQ(NodeText(dtd), u"<!DOCTYPE a SYSTEM \"a.dtd\">");

  ASSERT_NE(LoadBytes(folder_, "<!DOCTYPE a PUBLIC \"-//p\" 'say \"x\"'>\n<a/>"), 0);
  EXPECT_EQ(NodeText(FirstChild(RootNode(0))), u"<!DOCTYPE a PUBLIC \"-//p\" 'say \"x\"'>");

  ASSERT_NE(LoadBytes(folder_, "<!DOCTYPE a [\n <!ELEMENT a ANY>\n <!--c-->\n]>\n<a/>"), 0);
  dtd = FirstChild(RootNode(0));
  EXPECT_EQ(NodeText(dtd), u"<!DOCTYPE a [\n <!ELEMENT a ANY>\n \n]>");
  ASSERT_NE(FirstChild(dtd), nullptr);
  EXPECT_EQ(NodeKind(FirstChild(dtd)), kNodeComment);
  EXPECT_EQ(NodePosition(FirstChild(dtd)), 33);
}

TEST_F(XmlLoad, CommentsAndInstructionsBesideTheMainElementBelongToTheRoot) {
  ASSERT_NE(LoadBytes(folder_, "<?xml version='1.0' standalone='yes'?>\n<!--a-->\n<a>&lt;x</a>\n<?p?>\n"), 0);
  EXPECT_EQ(DocumentStandalone(0), 1);
  EXPECT_EQ(TreeText(RootNode(0)),
            "0 kind 0 <> @0 [\n\n\n\n]\n"
            "1 kind 2 <> @1 [a]\n"
            "1 kind 1 <a> @1 [<x]\n"
            "1 kind 5 <p> @1 []\n");
  ASSERT_NE(LoadBytes(folder_, "<?xml version='1.0' standalone='no'?><a/>"), 0);
  EXPECT_EQ(DocumentStandalone(0), 0);
}

TEST_F(XmlLoad, EncodingsOfTheInput) {
  // UTF-16 little-endian with a byte-order mark.
  std::u16string text = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<a b=\"\u20AC\">\u00E4\U0001F600</a>";
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  ASSERT_NE(LoadBytes(folder_, bytes), 0);
  EXPECT_EQ(DocumentStatus(0), 0);
  EXPECT_EQ(DocumentEncoding(0), EncodingUtf16);
  EXPECT_EQ(NodeText(MainNode(0)), u"\u00E4\U0001F600");
  BeginAttributes(MainNode(0));
  NextAttribute(MainNode(0));
  EXPECT_EQ(AttributeValue(MainNode(0)), u"\u20AC");

  for (const char* name : {"ISO-8859-1", "iso-8859-1", "US-ASCII", "us-ascii"}) {
    std::string latin = std::string("<?xml version='1.0' encoding='") + name + "'?><a>G\xFC\x6E</a>";
    ASSERT_NE(LoadBytes(folder_, latin), 0);
    EXPECT_EQ(DocumentEncoding(0), EncodingLatin1) << name;
  }
  ASSERT_NE(LoadBytes(folder_, "<?xml version='1.0' encoding='ISO-8859-1'?><a>G\xFCn</a>"), 0);
  EXPECT_EQ(NodeText(MainNode(0)), u"G\u00FCn");

  // An explicit encoding decides how the bytes are read, whatever the file declares.
  test::WriteFileBytes(folder_ / "forced.xml", "<?xml version='1.0' encoding='UTF-8'?><a>\xE4</a>");
  ASSERT_NE(LoadDocument(0, test::XmlPath(folder_ / "forced.xml"), EncodingLatin1), 0);
  EXPECT_EQ(DocumentStatus(0), 0);
  EXPECT_EQ(DocumentEncoding(0), EncodingLatin1);
  EXPECT_EQ(NodeText(MainNode(0)), u"\u00E4");
}

TEST_F(XmlLoad, ReadThatEndsEarlyIsAParseError) {
  const std::string bytes = "<?xml version=\"1.0\"?>\n<a>\n  <b>text</b>\n</a>\n";
  for (bool fail : {false, true}) {
    // Cut inside the start tag of b.
    ASSERT_NE(test::LoadFromMemory(bytes, {}, {30, fail}), 0);
    EXPECT_EQ(DocumentStatus(0), 5);
    EXPECT_EQ(ErrorLine(0), 3);
    EXPECT_EQ(ErrorColumn(0), 3);
    EXPECT_EQ(ErrorMessage(0), u"unclosed token");
    EXPECT_EQ(NodeName(MainNode(0)), u"a");

    // Cut inside the text of b.
    ASSERT_NE(test::LoadFromMemory(bytes, {}, {33, fail}), 0);
    EXPECT_EQ(DocumentStatus(0), 3);
    EXPECT_EQ(ErrorMessage(0), u"no element found");
    EXPECT_EQ(NodeText(FirstChild(MainNode(0))), u"te");
  }
  ASSERT_NE(test::LoadFromMemory(bytes), 0);
  EXPECT_EQ(DocumentStatus(0), 0);
}

TEST_F(XmlLoad, EntityAmplificationIsStoppedWithExpatsMessage) {
  std::string bytes = "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n";
  for (int level = 1; level <= 9; ++level) {
    std::string previous = level == 1 ? "lol" : "lol" + std::to_string(level - 1);
    bytes += " <!ENTITY lol" + std::to_string(level) + " \"";
    for (int i = 0; i < 10; ++i) bytes += "&" + previous + ";";
    bytes += "\">\n";
  }
  bytes += "]>\n<lolz a=\"&lol9;\"/>\n";
  ASSERT_NE(LoadBytes(folder_, bytes), 0);
  EXPECT_EQ(DocumentStatus(0), 43);
  EXPECT_EQ(ErrorLine(0), 14);
  EXPECT_EQ(ErrorMessage(0), u"limit on input amplification factor (from DTD and entities) breached");
}

}  // namespace
}  // namespace rk::xml
