// A whole session with two real phonebooks: contacts moved each way, one deleted, both books
// saved, and the two saved files read back with the XML library contact by contact.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls.h"
#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"
#include "transfer_test_support.h"
#include "xml/xml.h"

namespace rk::transfer::test {
namespace {

// A text with every run of blanks, tabs and line breaks made one blank, and none at its ends:
// the load and the save re-indent, so only the words are compared.
std::u16string Words(std::u16string_view text) {
  std::u16string words;
  bool gap = false;
  for (const char16_t unit : text) {
    if (unit == u' ' || unit == u'\t' || unit == u'\n' || unit == u'\r') {
      gap = !words.empty();
      continue;
    }
    if (gap) words += u' ';
    gap = false;
    words += unit;
  }
  return words;
}

// An element with its attributes, its words and its children, as one text.
std::u16string ElementText(xml::XmlNode* node) {
  std::u16string text = u"<" + xml::NodeName(node);
  if (xml::BeginAttributes(node)) {
    while (xml::NextAttribute(node)) {
      text += u" " + xml::AttributeName(node) + u"=\"" + xml::AttributeValue(node) + u"\"";
    }
  }
  text += u">" + Words(xml::NodeTextView(node));
  for (xml::XmlNode* child = xml::FirstChild(node); child != nullptr; child = xml::NextSibling(child)) {
    if (xml::NodeKind(child) == xml::kNodeElement) text += ElementText(child);
  }
  return text + u"</>";
}

struct Book {
  std::u16string phonebook;               // the phonebook element's start tag and attributes
  std::vector<std::u16string> contacts;   // each contact element, whole
};

// The phonebook of a file as the router reads it: phonebooks > phonebook > contact.
Book ReadBook(std::u16string_view path) {
  Book book;
  EXPECT_NE(xml::LoadDocument(0, path), 0);
  EXPECT_EQ(xml::DocumentStatus(0), 0);
  xml::XmlNode* books = xml::MainNode(0);
  EXPECT_NE(books, nullptr);
  if (books == nullptr) return book;
  EXPECT_EQ(xml::NodeName(books), u"phonebooks");
  int phonebooks = 0;
  for (xml::XmlNode* node = xml::FirstChild(books); node != nullptr; node = xml::NextSibling(node)) {
    if (xml::NodeKind(node) != xml::kNodeElement) continue;
    ++phonebooks;
    EXPECT_EQ(xml::NodeName(node), u"phonebook");
    const std::u16string whole = ElementText(node);
    book.phonebook = whole.substr(0, whole.find(u'>') + 1);
    for (xml::XmlNode* contact = xml::FirstChild(node); contact != nullptr; contact = xml::NextSibling(contact)) {
      if (xml::NodeKind(contact) != xml::kNodeElement) continue;
      EXPECT_EQ(xml::NodeName(contact), u"contact");
      book.contacts.push_back(ElementText(contact));
    }
  }
  EXPECT_EQ(phonebooks, 1);
  xml::FreeDocument(0);
  return book;
}

using JourneyTest = TransferTest;

TEST_F(JourneyTest, MoveEachWayDeleteSaveAndReadBothBooksBack) {
  const std::u16string pathOne =
      WriteFile("Eins.xml", rk::test::ReadFileBytes(rk::test::DataFile("samples/tab-indented-9-contacts.xml")));
  const std::u16string pathTwo = WriteFile(
      "Zwei.xml", rk::test::ReadFileBytes(rk::test::DataFile("samples/two-space-indent-no-final-newline.xml")));
  const Book one = ReadBook(pathOne);
  const Book two = ReadBook(pathTwo);
  ASSERT_EQ(one.contacts.size(), 9u);
  ASSERT_EQ(two.contacts.size(), 4u);
  Load(1, pathOne);
  Load(2, pathTwo);

  // Book 1's contacts 1, 4 and 8 (its last) go right; book 2's first three come left.
  Tick(1, {1, 4, 8});
  PressIn(1, app::kMoveButton);
  rk::test::ClickListRow(PaneControl(2, app::kContactList), 0);
  rk::test::ClickListRow(PaneControl(2, app::kContactList), 2, rk::test::kShiftClick);
  PressIn(2, app::kMarkButton);
  PressIn(2, app::kMoveButton);
  Tick(1, {2});
  PressIn(1, app::kDeleteButton);
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 8");
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 4");
  EXPECT_TRUE(BothInStep());

  PressIn(1, app::kSaveButton);
  PressIn(2, app::kSaveButton);
  const Book savedOne = ReadBook(pathOne + u"_NEU.xml");
  const Book savedTwo = ReadBook(pathTwo + u"_NEU.xml");
  EXPECT_EQ(savedOne.phonebook, one.phonebook);
  EXPECT_EQ(savedTwo.phonebook, two.phonebook);
  const auto& a = one.contacts;
  const auto& b = two.contacts;
  EXPECT_EQ(savedOne.contacts, (std::vector{a[0], a[2], a[5], a[6], a[7], b[0], b[1], b[2]}));
  EXPECT_EQ(savedTwo.contacts, (std::vector{b[3], a[1], a[4], a[8]}));
}

}  // namespace
}  // namespace rk::transfer::test
