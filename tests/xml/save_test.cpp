#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <csignal>
#include <filesystem>
#include <thread>

#include "xml/xml.h"
#include "xml_test_support.h"

namespace rk::xml {
namespace {

using test::LoadBytes;
using test::ReadFileBytes;
using test::SaveBytes;
using test::TempFolder;

constexpr const char* kUtf8Declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
constexpr const char* kLatin1Declaration = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>";

std::string Utf16Bytes(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

class XmlSave : public ::testing::Test {
 protected:
  void TearDown() override { FreeDocument(-1); }
  TempFolder folder_;
};

TEST_F(XmlSave, EscapingInTextAttributesAndRawParts) {
  ASSERT_NE(LoadBytes(folder_, "<e a=''><!--x--><?t?></e>"), 0);
  XmlNode* element = MainNode(0);
  SetAttribute(element, u"a", u"<&\"'\t\n\r>");
  SetNodeText(element, u"<&\"'>\t");
  SetNodeText(FirstChild(element), u"a<b&");
  EXPECT_EQ(SaveBytes(folder_), std::string(kUtf8Declaration) +
                                    "<e a=\"&lt;&amp;&quot;&apos;&#9;&#10;&#13;&gt;\"><!--a<b&--><?t ?>"
                                    "&lt;&amp;\"'&gt;\t</e>");
}

TEST_F(XmlSave, EmptyElementsUseTheShortForm) {
  ASSERT_NE(LoadBytes(folder_, "<a><b></b><c>\n</c><d><![CDATA[]]></d></a>"), 0);
  EXPECT_EQ(SaveBytes(folder_), std::string(kUtf8Declaration) + "<a><b/><c>\n</c><d><![CDATA[]]></d></a>");
}

TEST_F(XmlSave, ByteOrderMarksDeclarationAndStandalone) {
  ASSERT_NE(LoadBytes(folder_, "<?xml version='1.0' standalone='yes'?>\n<a/>"), 0);
  EXPECT_EQ(SaveBytes(folder_, 0, SaveWithBom),
            "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<a/>");
  EXPECT_EQ(SaveBytes(folder_, 0, SaveNoDeclaration), "\n<a/>");

  ASSERT_NE(LoadBytes(folder_, "<?xml version='1.0' standalone='no'?><a>\u00E4</a>"), 0);
  EXPECT_EQ(SaveBytes(folder_), "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?><a>\u00E4</a>");

  EXPECT_NE(CreateDocument(0, EncodingUtf16), 0);
  SetNodeText(AppendElement(RootNode(0), u"a"), u"\u20AC");
  EXPECT_EQ(SaveBytes(folder_, 0, SaveWithBom),
            "\xFF\xFE" + Utf16Bytes(u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>\u20AC</a>"));
  EXPECT_EQ(SaveBytes(folder_, 0, SaveWithBom | SaveNoDeclaration), "\xFF\xFE" + Utf16Bytes(u"<a>\u20AC</a>"));

  EXPECT_NE(CreateDocument(0, EncodingLatin1), 0);
  AppendElement(RootNode(0), u"a");
  EXPECT_EQ(SaveBytes(folder_, 0, SaveWithBom), std::string(kLatin1Declaration) + "<a/>");
}

TEST_F(XmlSave, Latin1WritesCharacterReferencesOutsideItsRange) {
  ASSERT_NE(LoadBytes(folder_, "<?xml version='1.0' encoding='ISO-8859-1'?><a b=''><!--c--><?p?></a>"), 0);
  XmlNode* element = MainNode(0);
  const std::u16string beyond = u"\u00E4\u20AC\U0001F600\xD800x\xDC00";
  SetAttribute(element, u"b", beyond);
  SetNodeText(element, beyond);
  SetNodeText(FirstChild(element), u"\u00E4\u20AC");
  SetNodeText(NextSibling(FirstChild(element)), u"\U0001F600");
  XmlNode* named = AppendElement(element, u"n\u20AC");
  EXPECT_EQ(SaveBytes(folder_),
            std::string(kLatin1Declaration) +
                "<a b=\"\xE4&#8364;&#128512;&#65533;x&#65533;\"><!--\xE4 --><?p   ?><n />"
                "\xE4&#8364;&#128512;&#65533;x&#65533;</a>");
  EXPECT_EQ(NodeName(named), u"n\u20AC");
}

TEST_F(XmlSave, Utf8WritesPairsAsOneCharacterAndHalvesAsReplacement) {
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  SetNodeText(AppendElement(RootNode(0), u"a"), u"\U0001F600\xD800x\xDC00\u07FF");
  EXPECT_EQ(SaveBytes(folder_),
            std::string(kUtf8Declaration) + "<a>\xF0\x9F\x98\x80\xEF\xBF\xBDx\xEF\xBF\xBD\xDF\xBF</a>");
}

TEST_F(XmlSave, Utf16WritesHalfPairsAsReplacement) {
  EXPECT_NE(CreateDocument(0, EncodingUtf16), 0);
  SetNodeText(AppendElement(RootNode(0), u"a"), u"\U0001F600\xD800<\xDC00");
  EXPECT_EQ(SaveBytes(folder_, 0, SaveNoDeclaration), Utf16Bytes(u"<a>\U0001F600\uFFFD&lt;\uFFFD</a>"));
}

TEST_F(XmlSave, LongOutputCrossesTheBufferIntact) {
  EXPECT_NE(CreateDocument(0, EncodingUtf16), 0);
  XmlNode* element = AppendElement(RootNode(0), u"a");
  SetNodeText(element, std::u16string(5000, u'&') + u"\u00E4");
  SetAttribute(element, u"v", std::u16string(3000, u'"'));
  std::u16string expected = u"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a v=\"";
  for (int i = 0; i < 3000; ++i) expected += u"&quot;";
  expected += u"\">";
  for (int i = 0; i < 5000; ++i) expected += u"&amp;";
  expected += u"\u00E4</a>";
  EXPECT_EQ(SaveBytes(folder_), Utf16Bytes(expected));
}

// The bytes the UTF-8 writer must give for one unit of the Basic Multilingual Plane (no
// surrogates) in text or attribute mode.
std::string ExpectedUtf8(char16_t unit, bool attribute) {
  switch (unit) {
    case u'<': return "&lt;";
    case u'>': return "&gt;";
    case u'&': return "&amp;";
    default: break;
  }
  if (attribute) {
    switch (unit) {
      case u'"': return "&quot;";
      case u'\'': return "&apos;";
      case u'\t': return "&#9;";
      case u'\n': return "&#10;";
      case u'\r': return "&#13;";
      default: break;
    }
  }
  std::string bytes;
  if (unit < 0x80) {
    bytes += static_cast<char>(unit);
  } else if (unit < 0x800) {
    bytes += static_cast<char>(0xC0 | (unit >> 6));
    bytes += static_cast<char>(0x80 | (unit & 0x3F));
  } else {
    bytes += static_cast<char>(0xE0 | (unit >> 12));
    bytes += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
    bytes += static_cast<char>(0x80 | (unit & 0x3F));
  }
  return bytes;
}

// Plain ASCII is copied in blocks of several units, a short last piece with a block reaching
// back over units already written; a character to escape or encode must be caught wherever it
// stands, in a text shorter than a block, in the last units and in those reached back over.
TEST_F(XmlSave, EveryPositionOfALongTextIsEscapedAndEncoded) {
  for (std::u16string_view plain : {u"abcde", u"abcdefghijkl", u"abcdefghijklmnopqrstuvw"}) {
    for (char16_t special : std::u16string(u"<>&\"'\t\n\r\u00E4\u20AC\u007F")) {
      for (std::size_t at = 0; at < plain.size(); ++at) {
        std::u16string text(plain);
        text[at] = special;
        EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
        XmlNode* element = AppendElement(RootNode(0), u"e");
        SetAttribute(element, u"v", text);
        SetNodeText(element, text);
        std::string attributeBytes;
        std::string textBytes;
        for (char16_t unit : text) {
          attributeBytes += ExpectedUtf8(unit, true);
          textBytes += ExpectedUtf8(unit, false);
        }
        EXPECT_EQ(SaveBytes(folder_, 0, SaveNoDeclaration), "<e v=\"" + attributeBytes + "\">" + textBytes + "</e>")
            << "unit " << static_cast<int>(special) << " at " << at;
      }
    }
  }
}

// The writer keeps the composed tags of recent names in a few slots by address: more names
// than slots, of every length it keeps and one beyond, each come out as their own.
TEST_F(XmlSave, ManyNamesEachWrittenAsTheirOwn) {
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  XmlNode* main = AppendElement(RootNode(0), u"m");
  std::string expected = std::string(kUtf8Declaration) + "<m>";
  for (int i = 0; i < 600; ++i) {
    const std::string name = "n" + std::to_string(i) + std::string(static_cast<std::size_t>(i % 31), 'x');
    const std::u16string wide(name.begin(), name.end());
    XmlNode* element = AppendElement(main, wide);
    SetAttribute(element, wide, u"v");
    if (i % 2 == 0) SetNodeText(element, u"t");
    expected += "<" + name + " " + name + "=\"v\"" + (i % 2 == 0 ? ">t</" + name + ">" : "/>");
  }
  EXPECT_EQ(SaveBytes(folder_), expected + "</m>");
}

TEST_F(XmlSave, LongPlainTextCrossesTheBufferIntactInOneByteEncodings) {
  std::u16string text;
  std::string bytes;
  for (int i = 0; i < 9001; ++i) {
    char c = static_cast<char>('a' + i % 26);
    text += static_cast<char16_t>(c);
    bytes += c;
  }
  for (int encoding : {EncodingUtf8, EncodingLatin1}) {
    EXPECT_NE(CreateDocument(0, encoding), 0);
    XmlNode* element = AppendElement(RootNode(0), u"a");
    SetNodeText(element, text + u"\u00E4" + text);
    const std::string umlaut = encoding == EncodingUtf8 ? "\xC3\xA4" : "\xE4";
    EXPECT_EQ(SaveBytes(folder_, 0, SaveNoDeclaration), "<a>" + bytes + umlaut + bytes + "</a>");
  }
}

// The load writes its formatted copy on a second thread while the walk reads the tree, its
// attribute cursors included: both must see the tree as it was, and the copy must be the
// one written alone.
TEST_F(XmlSave, FormattedCopyWhileAnotherThreadReadsTheTree) {
  const std::filesystem::path sample = test::DataFile("samples") / "service-numbers-4848-contacts.xml";
  const auto readEverything = [] {
    std::size_t characters = 0;
    for (XmlNode* node = MainNode(0); node != nullptr;) {
      characters += NodeTextView(node).size() + NodeNameView(node).size();
      if (BeginAttributes(node)) {
        while (NextAttribute(node)) characters += AttributeValueView(node).size();
      }
      if (FirstChild(node) != nullptr) {
        node = FirstChild(node);
        continue;
      }
      while (node != nullptr && NextSibling(node) == nullptr) node = ParentNode(node);
      if (node != nullptr) node = NextSibling(node);
    }
    return characters;
  };
  const auto load = [&] {
    ASSERT_NE(LoadDocument(0, test::XmlPath(sample)), 0);
    FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
  };
  load();
  const std::size_t alone = readEverything();
  ASSERT_NE(SaveFormatted(0, test::XmlPath(folder_ / "alone.xml"), FormatReindent, 3), 0);

  load();
  int written = 0;
  std::thread writer([&] { written = SaveFormatted(0, test::XmlPath(folder_ / "beside.xml"), FormatReindent, 3); });
  const std::size_t beside = readEverything();
  writer.join();
  EXPECT_NE(written, 0);
  EXPECT_EQ(beside, alone);
  EXPECT_EQ(ReadFileBytes(folder_ / "beside.xml"), ReadFileBytes(folder_ / "alone.xml"));
}

// Only a tree that the copy leaves as it is may be read by another thread meanwhile.
TEST_F(XmlSave, FormattedCopyKeepsOnlyASettledTree) {
  ASSERT_NE(LoadBytes(folder_, "<a>\n  <b> x  y </b>\n</a>"), 0);
  EXPECT_FALSE(SaveFormattedKeepsTree(0, FormatReindent));
  FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
  EXPECT_TRUE(SaveFormattedKeepsTree(0, FormatReindent));
  EXPECT_FALSE(SaveFormattedKeepsTree(0, FormatReindent | FormatLf));
  EXPECT_FALSE(SaveFormattedKeepsTree(1, FormatReindent));
  SetNodeText(FirstChild(MainNode(0)), u"x  y");
  EXPECT_FALSE(SaveFormattedKeepsTree(0, FormatReindent));
}

TEST_F(XmlSave, RefusesWithoutPathOrDocument) {
  EXPECT_EQ(SaveDocument(0, test::XmlPath(folder_ / "none.xml")), 0);
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  EXPECT_EQ(SaveDocument(0, u""), 0);
  EXPECT_EQ(SaveDocument(0, test::XmlPath(folder_ / "missing" / "out.xml")), 0);
  EXPECT_TRUE(std::filesystem::is_empty(folder_.path()));
  std::filesystem::create_directory(folder_ / "folder");
  EXPECT_EQ(SaveDocument(0, test::XmlPath(folder_ / "folder")), 0);
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "folder"));
}

// Symbolic links for every user, mode bits and a file size limit are POSIX's.
#if !defined(_WIN32)
TEST_F(XmlSave, LinkIsFollowedAndKept) {
  test::WriteFileBytes(folder_ / "real.xml", "old");
  std::filesystem::create_symlink("real.xml", folder_ / "link.xml");
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  AppendElement(RootNode(0), u"a");
  ASSERT_NE(SaveDocument(0, test::XmlPath(folder_ / "link.xml")), 0);
  EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "link.xml"));
  EXPECT_EQ(ReadFileBytes(folder_ / "real.xml"), std::string(kUtf8Declaration) + "<a/>");
}

TEST_F(XmlSave, ReplacesTheTargetOnlyAfterACompleteWrite) {
  const std::filesystem::path target = folder_ / "book.xml_NEU.xml";
  test::WriteFileBytes(target, "old");
  ::chmod(target.c_str(), 0640);
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  SetNodeText(AppendElement(RootNode(0), u"a"), std::u16string(20000, u'x'));

  // The file size limit makes a write fail part-way, as a full disk would.
  struct rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 5000;
  ::setrlimit(RLIMIT_FSIZE, &small);
  int failed = SaveDocument(0, test::XmlPath(target));
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);

  ASSERT_NE(SaveDocument(0, test::XmlPath(target)), 0);
  EXPECT_EQ(ReadFileBytes(target), std::string(kUtf8Declaration) + "<a>" + std::string(20000, 'x') + "</a>");
  EXPECT_EQ(std::filesystem::status(target).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 1);
}

#endif

}  // namespace
}  // namespace rk::xml
