#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>

#include "xml/xml.h"
#include "xml_test_support.h"

namespace rk::xml {
namespace {

using test::LoadBytes;
using test::SaveBytes;
using test::TempFolder;

class XmlFormat : public ::testing::Test {
 protected:
  void TearDown() override { FreeDocument(-1); }

  // A new document whose main element holds `text`; returns the element.
  XmlNode* Element(std::u16string_view text, int encoding = EncodingUtf8) {
    EXPECT_NE(CreateDocument(0, encoding), 0);
    XmlNode* element = AppendElement(RootNode(0), u"a");
    SetNodeText(element, text);
    return element;
  }

  TempFolder folder_;
};

TEST_F(XmlFormat, BreakAndBlankOptions) {
  struct Case {
    int options;
    const char16_t* before;
    const char16_t* after;
    int style;
  };
  const Case cases[] = {
      {FormatCutBreaks, u"a\r\n\r\nb", u"ab", kLineBreakCrLf},
      {FormatReduceBreaks, u"a\r\n\r\nb\n\n", u"a\r\nb\n", kLineBreakCrLf},
      {FormatReduceBlanks, u"a   b", u"a b", kLineBreakCrLf},
      {FormatReduceBlanks, u"   x\t\t", u" x\t", kLineBreakCrLf},
      {FormatCutBlanks, u" a \t b ", u"ab", kLineBreakCrLf},
      {FormatLf, u"a\r\nb\rc\nd", u"a\nb\nc\nd", kLineBreakLf},
      {FormatCr, u"a\r\nb\rc\nd", u"a\rb\rc\rd", kLineBreakCr},
      {FormatLf | FormatCr, u"a\r\nb", u"a\nb", kLineBreakLf},
      {FormatCrLf, u"a\nb\rc\r\nd", u"a\r\nb\r\nc\r\nd", kLineBreakCrLf},
      {FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, u"\r\n  a \r\n  b\r\n", u" a b", kLineBreakCrLf},
  };
  for (const Case& c : cases) {
    XmlNode* element = Element(c.before);
    FormatDocument(0, c.options);
    EXPECT_EQ(NodeText(element), c.after) << "options " << c.options;
    EXPECT_EQ(LineBreakStyle(0), c.style);
  }
}

// The pass of one text without children, one character at a time: the rules the pass's
// block moves and vector scans must keep.
std::u16string ReferencePass(std::u16string_view text, int options) {
  bool lineBreak = false;
  bool content = true;  // entering an element with text counts as content
  std::u16string kept;
  for (std::size_t i = 0; i < text.size();) {
    const char16_t unit = text[i];
    if (unit == u'\r' || unit == u'\n') {
      const std::size_t length = unit == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
      if ((options & FormatCutBreaks) == 0 && ((options & FormatReduceBreaks) == 0 || !lineBreak)) {
        if ((options & FormatLf) != 0) {
          kept += u'\n';
        } else if ((options & FormatCr) != 0) {
          kept += u'\r';
        } else {
          kept += text.substr(i, length);
        }
        lineBreak = true;
        content = false;
      }
      i += length;
    } else if (unit == u' ' || unit == u'\t') {
      if ((options & FormatCutBlanks) == 0 && ((options & FormatReduceBlanks) == 0 || content)) {
        kept += unit;
        lineBreak = false;
        content = false;
      }
      ++i;
    } else {
      kept += unit;
      lineBreak = false;
      content = true;
      ++i;
    }
  }
  return kept;
}

TEST_F(XmlFormat, EveryOptionMixKeepsTheCharacterRulesOnLongTexts) {
  const char16_t alphabet[] = {u'a', u'Z', u' ', u'\t', u'\r', u'\n', u'\x01', u'\x7F', u'\xE4', u'\xFFFD', u'!'};
  std::uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 16;
  };
  constexpr int kOptionBits[] = {FormatLf, FormatCr, FormatCutBreaks, FormatReduceBreaks, FormatCutBlanks,
                                 FormatReduceBlanks};
  for (int round = 0; round < 300; ++round) {
    // Long runs of one kind of character reach across several vector blocks.
    std::u16string text;
    const std::size_t pieces = next() % 12;
    for (std::size_t piece = 0; piece < pieces; ++piece) {
      const char16_t unit = alphabet[next() % std::size(alphabet)];
      text.append(next() % 3 == 0 ? next() % 40 : 1, unit);
    }
    for (int mask = 0; mask < 64; ++mask) {
      int options = 0;
      for (int bit = 0; bit < 6; ++bit) {
        if ((mask & (1 << bit)) != 0) options |= kOptionBits[bit];
      }
      XmlNode* element = Element(text);
      FormatDocument(0, options);
      ASSERT_EQ(NodeText(element), ReferencePass(text, options))
          << "options " << options << " text " << test::Utf8(text);
    }
  }
}

TEST_F(XmlFormat, ChildPositionsFollowTheKeptCharacters) {
  ASSERT_NE(LoadBytes(folder_, "<a>  x  <b/>  y  </a>"), 0);
  FormatDocument(0, FormatReduceBlanks);
  EXPECT_EQ(NodeText(MainNode(0)), u" x  y ");
  EXPECT_EQ(NodePosition(FirstChild(MainNode(0))), 3);

  ASSERT_NE(LoadBytes(folder_, "<a>x\ny<b/>\nz</a>"), 0);
  FormatDocument(0, FormatCrLf);
  EXPECT_EQ(NodeText(MainNode(0)), u"x\r\ny\r\nz");
  EXPECT_EQ(NodePosition(FirstChild(MainNode(0))), 4);
}

TEST_F(XmlFormat, SectionsAndInstructionsKeepBlanksAndBreaks) {
  ASSERT_NE(LoadBytes(folder_, "<a>\n  <![CDATA[ x \n\n  y ]]>\n  <?p a \n\n b ?>\n</a>"), 0);
  XmlNode* cdata = FirstChild(MainNode(0));
  XmlNode* instruction = NextSibling(cdata);
  for (int options : {FormatCutBreaks | FormatCutBlanks, FormatReduceBreaks | FormatReduceBlanks, FormatReindent}) {
    FormatDocument(0, options);
    EXPECT_EQ(NodeText(cdata), u" x \n\n  y ");
    EXPECT_EQ(NodeText(instruction), u"a \n\n b ");
  }
  FormatDocument(0, FormatReindent | FormatCrLf);
  EXPECT_EQ(NodeText(cdata), u" x \r\n\r\n  y ");
}

TEST_F(XmlFormat, ReindentKeepsOneLineTextsAndIndentsLines) {
  XmlNode* inline_ = Element(u"one line");
  FormatDocument(0, FormatReindent, 3);
  EXPECT_EQ(NodeText(inline_), u"one line");

  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  XmlNode* element = AppendElement(AppendElement(RootNode(0), u"p"), u"e");
  SetNodeText(element, u"x\ny");
  FormatDocument(0, FormatReindent | FormatLf, 3);
  EXPECT_EQ(NodeText(element), u"\n      x\n      y\n   ");
}

TEST_F(XmlFormat, ReindentMixedContent) {
  ASSERT_NE(LoadBytes(folder_, "<a>text<b>inner</b>tail</a>"), 0);
  FormatDocument(0, FormatReindent);
  EXPECT_EQ(SaveBytes(folder_),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n"
            "<a>\r\n  text\r\n  <b>inner</b>tail\r\n</a>\r\n");

  ASSERT_NE(LoadBytes(folder_, "<!--c--><a>x\n  <b/><c> </c>\n\n</a><?p?>"), 0);
  FormatDocument(0, FormatReindent, 2);
  EXPECT_EQ(SaveBytes(folder_),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<!--c-->\n\n"
            "<a>\n  x\n  <b/>\n  <c> </c>\n</a>\n\n<?p ?>\n");
}

TEST_F(XmlFormat, NewDocumentLayout) {
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  AppendElement(RootNode(0), u"a");
  FormatDocument(0, FormatReindent, 3);
  EXPECT_EQ(SaveBytes(folder_), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n<a/>\r\n");
  FormatDocument(0, FormatLf, 3);
  EXPECT_EQ(SaveBytes(folder_), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<a/>\n");

  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  XmlNode* book = AppendElement(AppendElement(RootNode(0), u"phonebooks"), u"phonebook");
  SetAttribute(book, u"owner", u"1");
  SetAttribute(book, u"name", u"N");
  XmlNode* contact = AppendElement(book, u"contact");
  SetNodeText(AppendElement(contact, u"category"), u"0");
  SetNodeText(AppendElement(AppendElement(contact, u"person"), u"realName"), u"A");
  AppendElement(contact, u"services");
  FormatDocument(0, FormatReindent, 3);
  FormatDocument(0, FormatLf, 3);
  EXPECT_EQ(SaveBytes(folder_),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n"
            "<phonebooks>\n"
            "   <phonebook owner=\"1\" name=\"N\">\n"
            "      <contact>\n"
            "         <category>0</category>\n"
            "         <person>\n"
            "            <realName>A</realName>\n"
            "         </person>\n"
            "         <services/>\n"
            "      </contact>\n"
            "   </phonebook>\n"
            "</phonebooks>\n");
}

TEST_F(XmlFormat, LoadedBookCopyLayout) {
  ASSERT_NE(LoadBytes(folder_,
                      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<phonebooks>\r\n\t<phonebook name=\"B\">\r\n"
                      "\t\t<contact>\r\n\t\t\t<category>0</category>\r\n\t\t\t<person>\r\n"
                      "\t\t\t\t<realName>Ann  Lee</realName>\r\n\t\t\t</person>\r\n\t\t\t<services />\r\n"
                      "\t\t</contact>\r\n\t</phonebook>\r\n</phonebooks>\r\n"),
            0);
  FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
  FormatDocument(0, FormatReindent, 3);
  EXPECT_EQ(SaveBytes(folder_),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n\r\n"
            "<phonebooks>\r\n"
            "   <phonebook name=\"B\">\r\n"
            "      <contact>\r\n"
            "         <category>0</category>\r\n"
            "         <person>\r\n"
            "            <realName>Ann Lee</realName>\t\r\n"
            "         </person>\r\n"
            "         <services/>\t\r\n"
            "      </contact>\t\r\n"
            "   </phonebook>\r\n"
            "</phonebooks>\r\n");
}

// The re-indentation that follows the normalisation of a load leaves out a blank pass that
// could change nothing; the copy must come out exactly as with that pass.
TEST_F(XmlFormat, ReindentAfterNormalisingGivesTheSameBytesAsWithAnotherPass) {
  const char* const documents[] = {
      "<?xml version=\"1.0\"?>\r\n<!DOCTYPE a [\r\n  <!-- c \r\n\r\n d -->\r\n\r\n  <?p x \r\n y?>\r\n "
      "<!ENTITY e \"v\">\r\n]>\r\n<a>\r\n\t<b>  x  \r\n\r\n  y  </b>\r\n\t<c>\r\n</c>\r\n\t<d><![CDATA[ p \r\n\r\n q ]]>"
      "\r\n</d>\r\n\t<!--  k  \r\n  l  -->\r\n\t<e>\r\n\t\t<f/>\r\n\t</e>  z  <?q  r  \r\n\r\n  s ?>\r\n</a>\r\n",
      "<a>\n<b>\n<c>\n</c>\n</b>\n  <d> </d>\n</a>",
      "<a>\r<b>x\r\r y</b>\r\t \t<c/> \r</a>\r",
  };
  for (const char* bytes : documents) {
    ASSERT_NE(LoadBytes(folder_, bytes), 0);
    FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
    FormatDocument(0, FormatReindent, 3);
    const std::string skipped = SaveBytes(folder_);

    ASSERT_NE(LoadBytes(folder_, bytes), 0);
    FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
    // Storing a text, even the same one, makes the next format run its pass.
    SetNodeText(RootNode(0), NodeText(RootNode(0)));
    FormatDocument(0, FormatReindent, 3);
    EXPECT_EQ(skipped, SaveBytes(folder_)) << bytes;
  }
}

// A load that normalises as it reads stores exactly the texts and positions the normalising
// pass leaves, whatever the chunks: blanks and breaks in mixed content, CR LF and CR input,
// character references to blanks and breaks, CDATA and instructions beside blanks, comments,
// blanks outside the main element, and a DTD (after which the pass does that work).
TEST_F(XmlFormat, NormalisingWhileLoadingGivesWhatThePassGives) {
  constexpr int kNormalise = FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks;
  const std::string documents[] = {
      " \r\n <?xml version=\"1.0\"?>",  // not well-formed: whatever was read is kept
      "<?xml version=\"1.0\"?>\r\n \t<!-- a  \r\n b -->\r\n<a>\r\n\t<b>  x  \r\n\r\n  y  </b>\r\n\t<c>\r\n</c>"
      "\r\n\t<d> <![CDATA[ p \r\n\r\n q ]]> \t</d>\r\n\t<!--  k  \r\n  l  -->\r\n\t<e>\r\n\t\t<f/>\r\n\t</e>"
      "  z  <?q  r  \r\n\r\n  s \r\n?>\r\n \t</a>\r\n \t<!---->  <?z?> \r\n",
      "<a>\n<b>\n<c>\n</c>\n</b>\n  <d> </d>\n</a>",
      "<a>\r<b>x\r\r y</b>\r\t \t<c/> \r</a>\r",
      "<a> &#32; &#10;&#9;x&#13;&#10; y&amp;&lt;  <b>\t</b>\n\n<c>\n \n</c> &#x85; </a>",
      "<a>\n<b/>\n<!---->\n<![CDATA[]]>\n<![CDATA[\n]]>\n<?p\n?>\n</a>\n\n",
      "<?xml version=\"1.0\"?>\r\n<!DOCTYPE a [\r\n  <!-- c \r\n\r\n d -->\r\n\r\n  <?p x \r\n y?>\r\n"
      " <!ENTITY e \"v\">\r\n]>\r\n<a>\r\n\t<b>  x &e; \r\n</b>  <!---->\r\n</a>\r\n",
      "<a><b>unclosed  \n  text",
  };
  for (const std::string& bytes : documents) {
    // The chunks decide when the line-break style is seen, so each size has its own reference.
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}, kLoadChunkSize}) {
      ASSERT_NE(test::LoadFromMemory(bytes, LoadSetup{.chunkSize = chunk}), 0);
      FormatDocument(0, kNormalise, 2);
      const std::string tree = test::TreeText(RootNode(0));
      const std::string saved = SaveBytes(folder_);
      FormatDocument(0, FormatReindent, 3);
      const std::string reindented = SaveBytes(folder_);
      ASSERT_NE(test::LoadFromMemory(bytes, LoadSetup{.normalise = kNormalise, .chunkSize = chunk}), 0);
      FormatDocument(0, kNormalise, 2);
      EXPECT_EQ(test::TreeText(RootNode(0)), tree) << bytes << " chunk " << chunk;
      EXPECT_EQ(SaveBytes(folder_), saved) << bytes << " chunk " << chunk;
      FormatDocument(0, FormatReindent, 3);
      EXPECT_EQ(SaveBytes(folder_), reindented) << bytes << " chunk " << chunk;
    }
  }
}

// A new document is re-indented on the way out as the same tree read back from its plain
// save would be: texts kept whole by the blank pass (which then need not run) and texts it
// changes (runs of blanks, line breaks, a blank starting the root's text) alike, in every
// encoding. A childless element (b) whose text has no line break is written whole on a
// shorter path, which must decide as the layout does: line breaks past the first eight
// units and in the last ones of a longer text, escaped and non-ASCII characters.
TEST_F(XmlFormat, NewDocumentWrittenFormattedAsItsReloadedCopy) {
  const std::u16string texts[] = {u"x",        u"\t",         u" x y\t",       u"\t\t\t",
                                  u"x  y",     u"a\nb \n c",  u"a\r\n\r\nb",   u"<&>\u00E4\u20AC x \U0001F600",
                                  u"abcdefghij\nk", u"abcdefghi \r", u"abcdefghijklmnopq"};
  const std::u16string streamed = test::XmlPath(folder_ / "streamed.xml");
  for (int encoding : {EncodingUtf8, EncodingUtf16, EncodingLatin1}) {
    for (const std::u16string& text : texts) {
      // Only blanks and line breaks outside the main element are read back.
      for (std::u16string_view rootText : {u"", u" ", u"\t \t", u"\n  \n"}) {
        XmlNode* a = Element(u"x y", encoding);
        XmlNode* b = AppendElement(a, u"b");
        SetNodeText(b, text);
        SetAttribute(b, u"v", u"1 & 2");
        AppendElement(a, u"c");
        SetNodeText(a, text);
        if (!rootText.empty()) SetNodeText(RootNode(0), rootText);
        ASSERT_NE(SaveFormatted(0, streamed, FormatLf, 3), 0);
        const std::string written = test::ReadFileBytes(folder_ / "streamed.xml");
        ASSERT_NE(LoadBytes(folder_, SaveBytes(folder_)), 0);
        FormatDocument(0, FormatLf | FormatReindent, 3);
        EXPECT_EQ(written, SaveBytes(folder_))
            << test::Utf8(text) << " root " << test::Utf8(rootText) << " encoding " << encoding;
      }
    }
  }
}

// A document formatted on the way out comes out as formatting it and saving would write it,
// in every line-break style and beyond the deepest indentation.
TEST_F(XmlFormat, FormattedOnTheWayOutInEveryLineBreakStyle) {
  std::string deep;
  for (int level = 0; level < 100; ++level) deep += "<e>\r";
  deep += "x\ry";
  for (int level = 0; level < 100; ++level) deep += "</e>\r";
  const std::string documents[] = {
      "<?xml version=\"1.0\"?>\r\n<!DOCTYPE a [\r\n  <!-- c \r\n\r\n d -->\r\n  <?p x \r\n y?>\r\n]>\r\n"
      "<a>\r\n\t<b>  x  \r\n\r\n  y  </b>\r\n\t<d><![CDATA[ p \r\n q ]]></d>\r\n\t<!--  k  \r\n  l  -->"
      "\r\n\t<e>\r\n\t\t<f/>\r\n\t</e>  z  <?q  r  \r\n  s ?>\r\n</a>\r\n",
      "<a>\n<b>\n<c>\n</c>\n</b>\n  <d> </d>\n</a>",
      "<a>\r<b>x\r\r y</b>\r\t \t<c/> \r</a>\r",
      deep,
  };
  const std::u16string streamed = test::XmlPath(folder_ / "streamed.xml");
  for (const std::string& bytes : documents) {
    for (int options : {0, FormatLf, FormatCr, FormatCrLf, FormatCutBlanks}) {
      for (int step : {0, 3, 7}) {
        for (bool normalised : {true, false}) {
          ASSERT_NE(LoadBytes(folder_, bytes), 0);
          if (normalised) FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
          ASSERT_NE(SaveFormatted(0, streamed, options, step), 0);
          const std::string written = test::ReadFileBytes(folder_ / "streamed.xml");
          ASSERT_NE(LoadBytes(folder_, bytes), 0);
          if (normalised) FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
          FormatDocument(0, options | FormatReindent, step);
          EXPECT_EQ(written, SaveBytes(folder_)) << bytes << " options " << options << " step " << step;
        }
      }
    }
  }
}

TEST_F(XmlFormat, TextStoredAfterNormalisingIsReducedByTheReindentation) {
  ASSERT_NE(LoadBytes(folder_, "<a>x<b/>y</a>"), 0);
  FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
  SetNodeText(MainNode(0), u"x   \n\n   y");
  FormatDocument(0, FormatReindent, 3);
  const std::string normalisedFirst = SaveBytes(folder_);

  ASSERT_NE(LoadBytes(folder_, "<a>x<b/>y</a>"), 0);
  SetNodeText(MainNode(0), u"x   \n\n   y");
  FormatDocument(0, FormatReindent, 3);
  EXPECT_EQ(normalisedFirst, SaveBytes(folder_));
}

TEST_F(XmlFormat, IndentationStopsAt256Columns) {
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  XmlNode* node = RootNode(0);
  const int depth = 100;
  for (int level = 1; level <= depth; ++level) node = AppendElement(node, u"e");
  SetNodeText(node, u"x");
  FormatDocument(0, FormatReindent | FormatLf, 3);
  std::istringstream lines(SaveBytes(folder_));
  std::string line;
  std::getline(lines, line);  // declaration
  std::getline(lines, line);  // empty line
  for (int level = 1; level <= depth; ++level) {
    ASSERT_TRUE(std::getline(lines, line));
    std::size_t expected = static_cast<std::size_t>(std::min(level - 1, 85) * 3);
    EXPECT_EQ(line.find_first_not_of(' '), expected) << "level " << level;
  }
  EXPECT_EQ(line.substr(255), "<e>x</e>");
  for (int level = depth - 1; level >= 1; --level) {
    ASSERT_TRUE(std::getline(lines, line));
    EXPECT_EQ(line, std::string(static_cast<std::size_t>(std::min(level - 1, 85) * 3), ' ') + "</e>");
  }

  // A step wider than the cap indents every level below the main element by the cap, both
  // when the tree is re-indented and when a re-indented copy is written.
  const std::string wide(256, ' ');
  const std::string expected = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n\n<a>\n" + wide + "<b>\n" + wide +
                               "<c>x</c>\n" + wide + "</b>\n</a>\n";
  auto build = [] {
    EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
    XmlNode* b = AppendElement(AppendElement(RootNode(0), u"a"), u"b");
    SetNodeText(AppendElement(b, u"c"), u"x");
  };
  build();
  ASSERT_NE(SaveFormatted(0, test::XmlPath(folder_ / "wide.xml"), FormatLf, 300), 0);
  EXPECT_EQ(test::ReadFileBytes(folder_ / "wide.xml"), expected);
  build();
  FormatDocument(0, FormatReindent | FormatLf, 300);
  EXPECT_EQ(SaveBytes(folder_), expected);
}

}  // namespace
}  // namespace rk::xml
