#include <gtest/gtest.h>

#include "services/text.h"
#include "xml/xml.h"
#include "xml_test_support.h"

namespace rk::xml {
namespace {

using test::TempFolder;

class XmlTree : public ::testing::Test {
 protected:
  void TearDown() override { FreeDocument(-1); }
};

TEST_F(XmlTree, OnlyOneElementGoesBelowTheRoot) {
  ASSERT_NE(CreateDocument(0, EncodingUtf8), 0);
  EXPECT_EQ(MainNode(0), nullptr);
  EXPECT_EQ(DocumentStandalone(0), -1);
  EXPECT_EQ(LineBreakStyle(0), kLineBreakCrLf);
  EXPECT_EQ(DocumentStatus(0), 0);
  XmlNode* root = RootNode(0);
  XmlNode* books = AppendElement(root, u"phonebooks");
  ASSERT_NE(books, nullptr);
  EXPECT_EQ(MainNode(0), books);
  EXPECT_EQ(AppendElement(root, u"second"), nullptr);
  EXPECT_EQ(FirstChild(root), books);
  EXPECT_EQ(NextSibling(books), nullptr);
  EXPECT_EQ(ParentNode(books), root);
  XmlNode* book = AppendElement(books, u"phonebook");
  XmlNode* other = AppendElement(books, u"phonebook");
  EXPECT_EQ(FirstChild(books), book);
  EXPECT_EQ(NextSibling(book), other);
  EXPECT_EQ(NodeName(other), u"phonebook");
  EXPECT_EQ(NodePosition(other), 0);
}

TEST_F(XmlTree, AttributesKeepTheirOrderAndAreReplacedInPlace) {
  CreateDocument(0, EncodingUtf8);
  XmlNode* book = AppendElement(RootNode(0), u"phonebook");
  SetAttribute(book, u"owner", u"1");
  SetAttribute(book, u"name", u"X");
  SetAttribute(book, u"owner", u"2");
  SetAttribute(book, u"Name", u"Y");
  std::string walked;
  ASSERT_TRUE(BeginAttributes(book));
  while (NextAttribute(book)) walked += test::Utf8(AttributeName(book)) + "=" + test::Utf8(AttributeValue(book)) + ";";
  EXPECT_EQ(walked, "owner=2;name=X;Name=Y;");
  // Past the end the walk stays at its end.
  EXPECT_FALSE(NextAttribute(book));
  EXPECT_EQ(AttributeName(book), u"");

  XmlNode* bare = AppendElement(book, u"contact");
  EXPECT_TRUE(BeginAttributes(bare));
  EXPECT_FALSE(NextAttribute(bare));
}

TEST_F(XmlTree, ManyAndLongAttributesAndTextsSurviveReplacement) {
  CreateDocument(0, EncodingUtf8);
  XmlNode* element = AppendElement(RootNode(0), u"e");
  const std::u16string longValue(3000, u'v');
  for (int i = 0; i < 100; ++i) SetAttribute(element, u"a" + DecimalText(i), longValue);
  for (int i = 0; i < 100; i += 2) SetAttribute(element, u"a" + DecimalText(i), DecimalText(i));
  BeginAttributes(element);
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(NextAttribute(element));
    EXPECT_EQ(AttributeNameView(element), u"a" + DecimalText(i));
    EXPECT_EQ(AttributeValueView(element), i % 2 == 0 ? DecimalText(i) : longValue);
  }
  SetNodeText(element, longValue);
  SetNodeText(element, u"short");
  EXPECT_EQ(NodeText(element), u"short");
  SetNodeText(element, u"");
  EXPECT_EQ(NodeTextView(element), u"");
}

TEST_F(XmlTree, NodesThatHoldNoElementsRefuseThem) {
  TempFolder folder;
  ASSERT_NE(test::LoadBytes(folder, "<!DOCTYPE a><!--c--><?p d?><a><![CDATA[x]]></a>"), 0);
  XmlNode* root = RootNode(0);
  XmlNode* dtd = FirstChild(root);
  XmlNode* comment = NextSibling(dtd);
  XmlNode* instruction = NextSibling(comment);
  XmlNode* cdata = FirstChild(NextSibling(instruction));
  for (XmlNode* node : {dtd, comment, instruction, cdata}) {
    EXPECT_EQ(AppendElement(node, u"x"), nullptr);
    EXPECT_FALSE(BeginAttributes(node));
    SetAttribute(node, u"a", u"b");
  }
  EXPECT_EQ(NodeKind(cdata), kNodeCData);
  EXPECT_EQ(NodeName(comment), u"");
  EXPECT_EQ(NodeName(instruction), u"p");
  EXPECT_EQ(FirstChild(comment), nullptr);
}

TEST_F(XmlTree, ParsedTextIsJoinedAroundChildren) {
  TempFolder folder;
  ASSERT_NE(test::LoadBytes(folder, "<a>x<b/>y</a>"), 0);
  XmlNode* a = MainNode(0);
  EXPECT_EQ(NodeText(a), u"xy");
  EXPECT_EQ(NodePosition(FirstChild(a)), 1);
  EXPECT_EQ(NodeText(FirstChild(a)), u"");
}

TEST_F(XmlTree, NumbersWithoutDocumentGiveNothing) {
  CreateDocument(0, EncodingLatin1);
  for (int number : {5, -1, -7, 1 << 30}) {
    EXPECT_EQ(RootNode(number), nullptr);
    EXPECT_EQ(MainNode(number), nullptr);
    EXPECT_EQ(DocumentEncoding(number), 0);
    EXPECT_EQ(DocumentStandalone(number), 0);
    EXPECT_EQ(LineBreakStyle(number), 0);
    EXPECT_EQ(DocumentStatus(number), 0);
    EXPECT_EQ(ErrorLine(number), 0);
    EXPECT_EQ(ErrorMessage(number), u"");
    FormatDocument(number, 128);
  }
  FreeDocument(5);
  EXPECT_EQ(CreateDocument(-3, EncodingUtf8), 0);
  EXPECT_EQ(DocumentEncoding(0), EncodingLatin1);
  EXPECT_EQ(NodeKind(nullptr), 0);
  EXPECT_EQ(AppendElement(nullptr, u"a"), nullptr);
}

TEST_F(XmlTree, CreatingUnderAUsedNumberReplacesTheDocument) {
  CreateDocument(0, EncodingUtf8);
  AppendElement(RootNode(0), u"old");
  ASSERT_NE(CreateDocument(0, EncodingUtf16), 0);
  EXPECT_EQ(MainNode(0), nullptr);
  EXPECT_EQ(FirstChild(RootNode(0)), nullptr);
  EXPECT_EQ(DocumentEncoding(0), EncodingUtf16);
  CreateDocument(3, EncodingUtf8);
  FreeDocument(-1);
  EXPECT_EQ(RootNode(0), nullptr);
  EXPECT_EQ(RootNode(3), nullptr);
}

}  // namespace
}  // namespace rk::xml
