// "Kopieren", "Verschieben" and "Löschen" end to end: rows ticked with real clicks, the
// buttons pressed, and the record lists checked beside the rows.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/controls.h"
#include "book/slot.h"
#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"
#include "support/saved_book.h"
#include "transfer_test_support.h"

namespace rk::transfer::test {
namespace {

using Texts = std::vector<std::u16string>;
using RowStates = std::vector<int>;
using TransferButtonsTest = TransferTest;

// Bert of kFourContacts as a saved book holds him.
constexpr std::string_view kBertSaved =
    "      <contact>\n"
    "         <person>\n"
    "            <realName>Bert</realName>\n"
    "         </person>\n"
    "         <telephony>\n"
    "            <number>222</number>\n"
    "            <number>223</number>\n"
    "         </telephony>\n"
    "         <uniqueid>12</uniqueid>\n"
    "      </contact>\n";

TEST_F(TransferButtonsTest, CopyOfThreeRowsAppendsThemInOrderAndUnticksTheSource) {
  LoadBook(1, "Eins.xml", kFourContacts);
  LoadBook(2, "Zwei.xml", kFourContacts);
  const Records one = SlotRecords(1);
  const Records two = SlotRecords(2);
  Tick(1, {3, 0, 2});
  // A highlight alone does not count: row 1 is highlighted, not ticked.
  rk::test::ClickListRow(PaneControl(1, app::kContactList), 1, rk::test::kControlClick);
  PressIn(1, app::kCopyButton);

  EXPECT_EQ(Column(2, 1), (Texts{u"2 (2)", u"8 (2)", u"15 (2)", u"19 (2)", u"2 (1)", u"15 (1)", u"19 (1)"}));
  EXPECT_EQ(Column(2, 3), (Texts{u"Anna", u"Bert", u"Carla", u"Dora", u"Anna", u"Carla", u"Dora"}));
  EXPECT_EQ(Column(2, 4)[4], u"111");
  EXPECT_EQ(Column(2, 2)[5], u"13");
  EXPECT_EQ(States(2), (RowStates{0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(States(1), (RowStates{0, 1, 0, 0}));
  EXPECT_EQ(SlotRecords(1), one);
  EXPECT_EQ(SlotRecords(2), Joined({two, Slice(one, 2, 8), Slice(one, 15, 23)}));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 4");
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 7");
  EXPECT_TRUE(BothInStep());
}

TEST_F(TransferButtonsTest, MoveOfRowsOneAndThreeIntoANewBook) {
  LoadBook(1, "Eins.xml", kFourContacts);
  PressIn(2, app::kNewButton);
  const Records one = SlotRecords(1);
  const Records fresh = SlotRecords(2);
  Tick(1, {1, 3});
  PressIn(1, app::kMoveButton);

  EXPECT_EQ(Column(1, 1), (Texts{u"2 (1)", u"15 (1)"}));
  EXPECT_EQ(Column(2, 1), (Texts{u"8 (1)", u"19 (1)"}));
  EXPECT_EQ(States(1), (RowStates{0, 0}));
  EXPECT_EQ(States(2), (RowStates{0, 0}));
  EXPECT_EQ(SlotRecords(1), Joined({Slice(one, 0, 8), Slice(one, 15, 19)}));
  EXPECT_EQ(SlotRecords(2), Joined({fresh, Slice(one, 8, 15), Slice(one, 19, 23)}));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 2");
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 2");
  EXPECT_TRUE(BothInStep());

  // The moved contacts land in the new book's phonebook element, in their order.
  PressIn(2, app::kSaveButton);
  EXPECT_EQ(ReadFile(Folder() + u"Neu_2612071030.xml_NEU.xml"),
            rk::test::SavedBook("Neu_2612071030", std::string(kBertSaved) +
                                                      "      <contact>\n"
                                                      "         <person>\n"
                                                      "            <realName>Dora</realName>\n"
                                                      "         </person>\n"
                                                      "         <uniqueid>14</uniqueid>\n"
                                                      "      </contact>\n"));
}

TEST_F(TransferButtonsTest, DeleteRemovesTheTickedContactsOfItsOwnBook) {
  LoadBook(1, "Eins.xml", kFourContacts);
  LoadBook(2, "Zwei.xml", kFourContacts);
  const Records one = SlotRecords(1);
  const Records two = SlotRecords(2);
  Tick(2, {0, 3});
  Tick(1, {2});
  PressIn(2, app::kDeleteButton);

  EXPECT_EQ(Column(2, 1), (Texts{u"8 (2)", u"15 (2)"}));
  EXPECT_EQ(SlotRecords(2), Joined({Slice(two, 0, 2), Slice(two, 8, 19)}));
  EXPECT_EQ(SlotRecords(1), one);
  EXPECT_EQ(States(1), (RowStates{0, 0, 2, 0}));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 4");
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 2");
  EXPECT_TRUE(BothInStep());
}

TEST_F(TransferButtonsTest, WithoutTickedRowsOnlyTheCountLabelsAreSetAgain) {
  LoadBook(1, "Eins.xml", kFourContacts);
  const Records one = SlotRecords(1);
  rk::test::ClickListRow(PaneControl(1, app::kContactList), 1);
  for (const int button : {app::kCopyButton, app::kMoveButton, app::kDeleteButton}) {
    tk::SetText(PaneControl(1, app::kCountLabel), u"x");
    tk::SetText(PaneControl(2, app::kCountLabel), u"y");
    PressIn(1, button);
    EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 4");
    EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 0");
    EXPECT_EQ(States(1), (RowStates{0, 1, 0, 0}));
    EXPECT_EQ(SlotRecords(1), one);
    EXPECT_EQ(book::RecordCount(book::FindSlot(2)->records), 0u);
  }
}

TEST_F(TransferButtonsTest, CopyIntoASlotWithoutABookSavesARestorablePhonebook) {
  LoadBook(1, "Eins.xml", kFourContacts);
  const Records one = SlotRecords(1);
  Tick(1, {1});
  PressIn(1, app::kCopyButton);

  // The records start with the copied contact: no phonebooks or phonebook record.
  EXPECT_EQ(SlotRecords(2), Slice(one, 8, 15));
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 1");
  EXPECT_TRUE(BothInStep());

  tk::SetText(PaneControl(2, app::kNameField), u"Kopie");
  tk::SetText(PaneControl(2, app::kFileField), Folder() + u"Leer.xml");
  PressIn(2, app::kSaveButton);
  EXPECT_EQ(ReadFile(Folder() + u"Leer.xml_NEU.xml"), rk::test::SavedBook("Kopie", kBertSaved));
  EXPECT_EQ(SlotRecords(2), Slice(one, 8, 15));

  // The saved file loads as a phonebook with that contact.
  Load(2, Folder() + u"Leer.xml_NEU.xml");
  EXPECT_EQ(Column(2, 3), (Texts{u"Bert"}));
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kNameField)), u"Kopie");
}

TEST_F(TransferButtonsTest, SameContactCopiedTwiceThenOneOfThemDeleted) {
  LoadBook(1, "Eins.xml", kFourContacts);
  PressIn(2, app::kNewButton);
  const Records one = SlotRecords(1);
  const Records fresh = SlotRecords(2);
  for (int copy = 0; copy < 2; ++copy) {
    Tick(1, {2});
    PressIn(1, app::kCopyButton);
  }
  EXPECT_EQ(Column(2, 1), (Texts{u"15 (1)", u"15 (1)"}));
  EXPECT_EQ(Column(2, 2), (Texts{u"13", u"13"}));
  EXPECT_EQ(SlotRecords(2), Joined({fresh, Slice(one, 15, 19), Slice(one, 15, 19)}));

  Tick(2, {1});
  PressIn(2, app::kDeleteButton);
  EXPECT_EQ(Column(2, 1), (Texts{u"15 (1)"}));
  EXPECT_EQ(SlotRecords(2), Joined({fresh, Slice(one, 15, 19)}));
  EXPECT_EQ(SlotRecords(1), one);
  EXPECT_TRUE(BothInStep());
}

TEST_F(TransferButtonsTest, ContactWithoutChildrenTravelsAsItsOneRecord) {
  LoadBook(1, "Eins.xml",
           "<phonebooks><phonebook><contact><uniqueid>1</uniqueid></contact><contact/>"
           "<contact><uniqueid>3</uniqueid></contact></phonebook></phonebooks>");
  PressIn(2, app::kNewButton);
  const Records one = SlotRecords(1);
  const Records fresh = SlotRecords(2);
  ASSERT_EQ(Column(1, 1), (Texts{u"2 (1)", u"4 (1)", u"5 (1)"}));

  Tick(1, {1});
  PressIn(1, app::kMoveButton);
  EXPECT_EQ(SlotRecords(1), Joined({Slice(one, 0, 4), Slice(one, 5, 7)}));
  EXPECT_EQ(SlotRecords(2), Joined({fresh, Slice(one, 4, 5)}));

  Tick(2, {0});
  PressIn(2, app::kCopyButton);
  EXPECT_EQ(Column(1, 1), (Texts{u"2 (1)", u"5 (1)", u"4 (1)"}));
  EXPECT_EQ(SlotRecords(1), Joined({Slice(one, 0, 4), Slice(one, 5, 7), Slice(one, 4, 5)}));

  Tick(1, {2});
  PressIn(1, app::kDeleteButton);
  EXPECT_EQ(SlotRecords(1), Joined({Slice(one, 0, 4), Slice(one, 5, 7)}));
  EXPECT_EQ(SlotRecords(2), Joined({fresh, Slice(one, 4, 5)}));
  EXPECT_TRUE(BothInStep());
}

// Two phonebook elements: records 0 phonebooks, 1 phonebook, 2 contact, 3 uniqueid,
// 4 contact, 5 uniqueid, 6 extra, 7 phonebook, 8 meta, 9 contact, 10 uniqueid, 11 tail.
constexpr std::string_view kTwoPhonebooks =
    "<phonebooks><phonebook name=\"A\"><contact><uniqueid>1</uniqueid></contact>"
    "<contact><uniqueid>2</uniqueid></contact><extra>x</extra></phonebook>"
    "<phonebook name=\"B\"><meta>m</meta><contact><uniqueid>3</uniqueid></contact></phonebook>"
    "<tail>t</tail></phonebooks>";

TEST_F(TransferButtonsTest, RecordsUpToTheNextContactTravelWithTheContactBeforeThem) {
  LoadBook(1, "Zwei.xml", kTwoPhonebooks);
  PressIn(2, app::kNewButton);
  const Records one = SlotRecords(1);
  const Records fresh = SlotRecords(2);

  // The last contact of the first phonebook takes the second phonebook record along.
  Tick(1, {1});
  PressIn(1, app::kMoveButton);
  EXPECT_EQ(SlotRecords(1), Joined({Slice(one, 0, 4), Slice(one, 9, 12)}));
  EXPECT_EQ(SlotRecords(2), Joined({fresh, Slice(one, 4, 9)}));

  // The book's last contact takes the record after its phonebook along.
  Tick(1, {1});
  PressIn(1, app::kCopyButton);
  EXPECT_EQ(SlotRecords(2), Joined({fresh, Slice(one, 4, 9), Slice(one, 9, 12)}));
  EXPECT_EQ(Column(2, 2), (Texts{u"2", u"3"}));
  Tick(1, {1});
  PressIn(1, app::kDeleteButton);
  EXPECT_EQ(SlotRecords(1), Slice(one, 0, 4));
  EXPECT_TRUE(BothInStep());
}

// Book B has book A's shape, so its elements carry the same numbers as A's.
constexpr std::string_view kBookB =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<phonebooks><phonebook owner=\"1\" name=\"Bee\">"
    "<contact><person><realName>Xaver</realName></person>"
    "<telephony><number type=\"home\">911</number></telephony><uniqueid>21</uniqueid></contact>"
    "<contact><person><realName>Yvonne</realName></person>"
    "<telephony><number>922</number><number>923</number></telephony><uniqueid>22</uniqueid></contact>"
    "</phonebook></phonebooks>\n";

TEST_F(TransferButtonsTest, DeletingACopiedRowKeepsTheOtherContactWithTheSameNumber) {
  const std::u16string pathB = WriteFile("B.xml", kBookB);
  Load(1, pathB);
  PressIn(1, app::kSaveButton);
  const std::string savedB = ReadFile(pathB + u"_NEU.xml");

  LoadBook(1, "A.xml", kFourContacts);
  PressIn(2, app::kNewButton);
  Tick(1, {1});
  PressIn(1, app::kCopyButton);
  Load(1, pathB);
  const Records b = SlotRecords(1);
  Tick(2, {0});
  PressIn(2, app::kCopyButton);
  ASSERT_EQ(Column(1, 1), (Texts{u"2 (1)", u"8 (1)", u"8 (1)"}));
  ASSERT_EQ(Column(1, 3), (Texts{u"Xaver", u"Yvonne", u"Bert"}));

  Tick(1, {2});
  PressIn(1, app::kDeleteButton);
  EXPECT_EQ(Column(1, 3), (Texts{u"Xaver", u"Yvonne"}));
  EXPECT_EQ(SlotRecords(1), b);
  EXPECT_TRUE(BothInStep());
  PressIn(1, app::kSaveButton);
  EXPECT_EQ(ReadFile(pathB + u"_NEU.xml"), savedB);
}

}  // namespace
}  // namespace rk::transfer::test
