#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

#include <string>
#include <string_view>
#include <vector>

#include "services/text.h"
#include "xml/document.h"
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
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  // Names interned beforehand and names given as text are the same names.
  XmlNode* book = AppendElement(RootNode(0), InternName(0, u"phonebook"));
  ASSERT_EQ(NodeNameView(book), u"phonebook");
  SetAttribute(book, InternName(0, u"owner"), u"1");
  SetAttribute(book, u"name", u"X");
  SetAttribute(book, u"owner", u"2");
  SetAttribute(book, InternName(0, u"Name"), u"Y");
  EXPECT_EQ(InternName(1, u"owner").interned, nullptr);
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
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  XmlNode* element = AppendElement(RootNode(0), u"e");
  const std::u16string longValue(3000, u'v');
  // Appending to a named string rather than u"a" + ... keeps GCC 12 from a false -Wrestrict.
  const auto attributeName = [](int i) {
    std::u16string name = u"a";
    name += DecimalText(i);
    return name;
  };
  for (int i = 0; i < 100; ++i) SetAttribute(element, attributeName(i), longValue);
  for (int i = 0; i < 100; i += 2) SetAttribute(element, attributeName(i), DecimalText(i));
  BeginAttributes(element);
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(NextAttribute(element));
    EXPECT_EQ(AttributeNameView(element), attributeName(i));
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
  EXPECT_NE(CreateDocument(0, EncodingLatin1), 0);
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
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  AppendElement(RootNode(0), u"old");
  ASSERT_NE(CreateDocument(0, EncodingUtf16), 0);
  EXPECT_EQ(MainNode(0), nullptr);
  EXPECT_EQ(FirstChild(RootNode(0)), nullptr);
  EXPECT_EQ(DocumentEncoding(0), EncodingUtf16);
  EXPECT_NE(CreateDocument(3, EncodingUtf8), 0);
  // A document just looked up and then freed is gone for the next lookup.
  EXPECT_NE(RootNode(3), nullptr);
  FreeDocument(3);
  EXPECT_EQ(RootNode(3), nullptr);
  EXPECT_NE(RootNode(0), nullptr);
  FreeDocument(-1);
  EXPECT_EQ(RootNode(0), nullptr);
  EXPECT_EQ(RootNode(3), nullptr);
}

// Names of equal length and equal first, middle and last units share a slot of the name
// cache; one differing inside a compared word, or in the units after the last whole word,
// must get its own copy.
TEST_F(XmlTree, NamesSharingACacheSlotKeepTheirOwnUnits) {
  ASSERT_NE(CreateDocument(0, EncodingUtf8), 0);
  XmlNode* book = AppendElement(RootNode(0), u"book");
  for (std::u16string_view name : {u"abcdefghij", u"axcdefghij", u"abcdefghij", u"abcdefgxij", u"abcdefghxj"}) {
    XmlNode* node = AppendElement(book, name);
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(NodeNameView(node), name);
  }
}

// The children of `parent` by name, in list order.
std::string ChildNames(const XmlNode* parent) {
  std::string names;
  for (XmlNode* child = FirstChild(parent); child != nullptr; child = NextSibling(child)) {
    names += test::Utf8(NodeName(child)) + ";";
  }
  return names;
}

TEST_F(XmlTree, AppendingAfterALoadLinksBehindTheParsedChildren) {
  TempFolder folder;
  ASSERT_NE(test::LoadBytes(folder, "<a><b><x/></b><c/><!--n--></a>"), 0);
  XmlNode* a = MainNode(0);
  XmlNode* b = FirstChild(a);
  ASSERT_NE(AppendElement(a, u"d"), nullptr);
  ASSERT_NE(AppendElement(b, u"y"), nullptr);
  ASSERT_NE(AppendElement(a, u"e"), nullptr);
  EXPECT_EQ(ChildNames(a), "b;c;;d;e;");
  EXPECT_EQ(ChildNames(b), "x;y;");
  EXPECT_EQ(ParentNode(NextSibling(FirstChild(b))), b);
}

TEST_F(XmlTree, AppendingInAnyOrderOfParentsKeepsEveryChildList) {
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  // A chain deeper than the remembered append path, then appends that jump between its levels
  // and back to parents appended to long ago.
  std::vector<XmlNode*> chain{AppendElement(RootNode(0), u"n0")};
  for (int depth = 1; depth < 100; ++depth) chain.push_back(AppendElement(chain.back(), u"n"));
  std::vector<std::string> expected(chain.size());
  for (std::size_t i = 1; i < chain.size(); ++i) expected[i - 1] = "n;";
  for (std::size_t step = 0; step < 300; ++step) {
    std::size_t level = (step * 37) % chain.size();
    const std::u16string name{u'k', static_cast<char16_t>(u'a' + step % 26)};
    ASSERT_NE(AppendElement(chain[level], name), nullptr);
    expected[level] += test::Utf8(name) + ";";
  }
  for (std::size_t i = 0; i < chain.size(); ++i) EXPECT_EQ(ChildNames(chain[i]), expected[i]) << i;
}

TEST_F(XmlTree, AttributeWalkStartedOnABareElementSeesAttributesAddedLater) {
  EXPECT_NE(CreateDocument(0, EncodingUtf8), 0);
  XmlNode* started = AppendElement(RootNode(0), u"a");
  XmlNode* untouched = AppendElement(started, u"b");
  ASSERT_TRUE(BeginAttributes(started));
  SetAttribute(started, u"x", u"1");
  SetAttribute(untouched, u"y", u"2");
  // The walk was begun before the first attribute, so that is where it stands.
  EXPECT_EQ(AttributeName(started), u"");
  ASSERT_TRUE(NextAttribute(started));
  EXPECT_EQ(AttributeName(started), u"x");
  // Without a begun walk the cursor stands on the first attribute.
  EXPECT_EQ(AttributeName(untouched), u"y");
  EXPECT_EQ(AttributeValue(untouched), u"2");
  // A walk run to its end on a bare element stays at the end once an attribute comes.
  XmlNode* ended = AppendElement(started, u"c");
  ASSERT_TRUE(BeginAttributes(ended));
  EXPECT_FALSE(NextAttribute(ended));
  SetAttribute(ended, u"z", u"3");
  EXPECT_EQ(AttributeName(ended), u"z");
  // Growing the list keeps the walk where it was.
  for (char16_t c = u'a'; c <= u'j'; ++c) SetAttribute(started, std::u16string(1, c), u"v");
  EXPECT_EQ(AttributeName(started), u"x");
  ASSERT_TRUE(NextAttribute(started));
  EXPECT_EQ(AttributeName(started), u"a");
}

// Units of a text longer than a length field holds: readable zeros that take no memory until
// read, so that an entry point that read such a text instead of refusing it would be seen
// taking its time, not crashing. Empty where the system cannot reserve that much.
class HugeText {
 public:
  HugeText() {
#if defined(_WIN32)
    units_ = static_cast<char16_t*>(VirtualAlloc(nullptr, kBytes, MEM_RESERVE | MEM_COMMIT, PAGE_READONLY));
#else
    void* mapped = mmap(nullptr, kBytes, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    units_ = mapped == MAP_FAILED ? nullptr : static_cast<char16_t*>(mapped);
#endif
  }
  ~HugeText() {
    if (units_ == nullptr) return;
#if defined(_WIN32)
    VirtualFree(units_, 0, MEM_RELEASE);
#else
    munmap(units_, kBytes);
#endif
  }
  HugeText(const HugeText&) = delete;
  HugeText& operator=(const HugeText&) = delete;

  std::u16string_view view() const {
    return units_ == nullptr ? std::u16string_view() : std::u16string_view(units_, kUnits);
  }

 private:
  static constexpr std::size_t kUnits = std::size_t{kMaxStoredLength} + 1;
  static constexpr std::size_t kBytes = kUnits * sizeof(char16_t);
  char16_t* units_ = nullptr;
};

TEST_F(XmlTree, TextsTooLongForTheirLengthFieldAreRefusedWhole) {
  ASSERT_NE(CreateDocument(0, EncodingUtf8), 0);
  XmlNode* element = AppendElement(RootNode(0), u"e");
  ASSERT_TRUE(SetAttribute(element, u"a", u"kept"));
  ASSERT_TRUE(SetNodeText(element, u"kept"));
  const HugeText huge;
  const std::u16string_view tooLong = huge.view();
  if (tooLong.empty()) GTEST_SKIP() << "cannot reserve 8 GiB of address space";
  EXPECT_EQ(AppendElement(element, tooLong), nullptr);
  EXPECT_FALSE(SetAttribute(element, u"a", tooLong));
  EXPECT_FALSE(SetAttribute(element, u"b", tooLong));
  EXPECT_FALSE(SetNodeText(element, tooLong));
  EXPECT_EQ(NodeTextView(element), u"kept");
  BeginAttributes(element);
  ASSERT_TRUE(NextAttribute(element));
  EXPECT_EQ(AttributeValueView(element), u"kept");
  EXPECT_FALSE(NextAttribute(element));
  EXPECT_EQ(FirstChild(element), nullptr);
}

}  // namespace
}  // namespace rk::xml
