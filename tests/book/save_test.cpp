// "Neu" and "Speichern" end to end: the new book's fields and records, and the exact bytes
// of the "_NEU.xml" files.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "book/book.h"
#include "book/slot.h"
#include "book_test_support.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "support/saved_book.h"

namespace rk::book::test {
namespace {

constexpr std::string_view kBook =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<phonebooks>\n"
    "  <phonebook owner=\"1\" name=\"Familie\">\n"
    "    <contact>\n"
    "      <person>\n"
    "        <realName>Anna Alt</realName>\n"
    "      </person>\n"
    "      <uniqueid>11</uniqueid>\n"
    "    </contact>\n"
    "    <contact>\n"
    "      <person><realName>Bernd &amp; Co</realName></person>\n"
    "      <telephony><number type=\"work\">089 77</number></telephony>\n"
    "      <uniqueid>12</uniqueid>\n"
    "    </contact>\n"
    "  </phonebook>\n"
    "</phonebooks>\n";

// The saved book: UTF-8, LF, an empty line after the declaration, three blanks per level.
// A record keeps its whole text, so the one blank that normalising leaves of an element's
// indentation ends up behind its last child.
constexpr std::string_view kBookSaved =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "\n"
    "<phonebooks>\n"
    "   <phonebook owner=\"1\" name=\"Familie\">\n"
    "      <contact>\n"
    "         <person>\n"
    "            <realName>Anna Alt</realName> \n"
    "         </person>\n"
    "         <uniqueid>11</uniqueid> \n"
    "      </contact>\n"
    "      <contact>\n"
    "         <person>\n"
    "            <realName>Bernd &amp; Co</realName>\n"
    "         </person>\n"
    "         <telephony>\n"
    "            <number type=\"work\">089 77</number>\n"
    "         </telephony>\n"
    "         <uniqueid>12</uniqueid> \n"
    "      </contact> \n"
    "   </phonebook> \n"
    "</phonebooks>\n";

using SaveTest = ShellTest;

TEST_F(SaveTest, NewBookAtAFixedMinuteAndItsFile) {
  Press(PaneControl(1, app::kNewButton));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kNameField)), u"Neu_2612071030");
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kFileField)), Folder() + u"Neu_2612071030.xml");
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 0");
  const RecordList& records = FindSlot(1)->records;
  ASSERT_EQ(RecordCount(records), 2u);
  NodeRecord books{u"0 (1)", 0, u"phonebooks", u"", u"", {}};
  NodeRecord book{u"1 (1)", 1, u"phonebook", u"owner=\"1\"|name=\"Neu_2612071030\"|", u"",
                  {{u"owner", u"1"}, {u"name", u"Neu_2612071030"}}};
  EXPECT_EQ(GetRecord(records, 0), books);
  EXPECT_EQ(GetRecord(records, 1), book);

  EXPECT_TRUE(PressAnswering(PaneControl(1, app::kSaveButton), 0).empty());
  EXPECT_EQ(ReadFile(Folder() + u"Neu_2612071030.xml_NEU.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "\n"
            "<phonebooks>\n"
            "   <phonebook owner=\"1\" name=\"Neu_2612071030\"/>\n"
            "</phonebooks>\n");
}

TEST_F(SaveTest, NewReplacesOnlyItsOwnSlot) {
  const std::u16string path = WriteFile("Buch.xml", kBook);
  Load(1, path);
  Load(2, path);
  tk::SetItemState(PaneControl(2, app::kContactList), 1, tk::kRowTicked | tk::kRowSelected);
  tk::SetItemState(PaneControl(1, app::kContactList), 0, tk::kRowTicked);
  SetRememberedFolder(2, u"");
  Press(PaneControl(2, app::kNewButton));

  EXPECT_EQ(tk::CountItems(PaneControl(2, app::kContactList)), 0);
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 0");
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kFileField)), u"Neu_2612071030.xml");
  EXPECT_EQ(NumberText(FindSlot(2)->records, 0), u"0 (2)");
  EXPECT_EQ(NumberText(FindSlot(2)->records, 1), u"1 (2)");
  EXPECT_EQ(tk::CountItems(PaneControl(1, app::kContactList)), 2);
  EXPECT_EQ(tk::GetItemState(PaneControl(1, app::kContactList), 0), tk::kRowTicked);
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kNameField)), u"Familie");
}

TEST_F(SaveTest, LoadedBookIsSavedBesideTheDateiPath) {
  const std::u16string path = WriteFile("Buch.xml", kBook);
  Load(1, path);
  const std::vector<Shown> shown = PressAnswering(PaneControl(1, app::kSaveButton), 0);

  EXPECT_TRUE(shown.empty());
  EXPECT_EQ(ReadFile(path + u"_NEU.xml"), kBookSaved);
  EXPECT_EQ(ReadFile(path), kBook);
  // Saving changes nothing in the slot, and a second save writes the same file again.
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 2");
  EXPECT_TRUE(RowsInStep(*FindSlot(1)));
  rk::test::WriteFileBytes(ToOsPath(path + u"_NEU.xml"), "alt");
  PressAnswering(PaneControl(1, app::kSaveButton), 0);
  EXPECT_EQ(ReadFile(path + u"_NEU.xml"), kBookSaved);
}

TEST_F(SaveTest, NameFieldGoesIntoTheNameAttributeAndEveryValueSurvives) {
  const std::u16string path = WriteFile(
      "Werte.xml",
      "<phonebooks><phonebook owner=\"1\" name=\"Alt\" extra=\"x\">"
      "<contact name=\"bleibt\"><number type=\"a|b&quot;c'd|\" id=\"=|=\">1</number></contact>"
      "</phonebook></phonebooks>");
  Load(1, path);
  tk::SetText(PaneControl(1, app::kNameField), u"Familie Müller");
  PressAnswering(PaneControl(1, app::kSaveButton), 0);

  const std::string saved = ReadFile(path + u"_NEU.xml");
  EXPECT_NE(saved.find("<phonebook owner=\"1\" name=\"Familie Müller\" extra=\"x\">"), std::string::npos)
      << saved;
  EXPECT_NE(saved.find("<contact name=\"bleibt\">"), std::string::npos) << saved;
  EXPECT_NE(saved.find("<number type=\"a|b&quot;c&apos;d|\" id=\"=|=\">1</number>"), std::string::npos)
      << saved;

  // Read back, every attribute is the one that was loaded.
  Load(2, path + u"_NEU.xml");
  const RecordList& records = FindSlot(2)->records;
  ASSERT_EQ(RecordCount(records), 4u);
  EXPECT_EQ(GetRecord(records, 3).AttributeList,
            (std::vector<AttributePair>{{u"type", u"a|b\"c'd|"}, {u"id", u"=|="}}));
  EXPECT_EQ(GetRecord(records, 3).Attributes, u"type=\"a|b\"c'd|\"|id=\"=|=\"|");
  EXPECT_EQ(GetRecord(records, 1).AttributeList,
            (std::vector<AttributePair>{{u"owner", u"1"}, {u"name", u"Familie Müller"}, {u"extra", u"x"}}));
  // The slot that was saved still holds the name it was loaded with.
  EXPECT_EQ(GetRecord(FindSlot(1)->records, 1).AttributeList[1].value, u"Alt");
}

TEST_F(SaveTest, EmptySlotsWriteNothingAndSayNothing) {
  tk::SetText(PaneControl(1, app::kFileField), Folder() + u"leer.xml");
  EXPECT_TRUE(PressAnswering(PaneControl(1, app::kSaveButton), 0).empty());
  EXPECT_FALSE(Exists(Folder() + u"leer.xml_NEU.xml"));

  // A failed load empties the slot; saving it must not replace the good file beside it.
  const std::u16string good = WriteFile("fehlt.xml_NEU.xml", "gut");
  Load(2, Folder() + u"fehlt.xml", 1);
  EXPECT_TRUE(PressAnswering(PaneControl(2, app::kSaveButton), 0).empty());
  EXPECT_EQ(ReadFile(good), "gut");
}

TEST_F(SaveTest, UnwritableFileIsReported) {
  Load(1, WriteFile("Buch.xml", kBook));
  const std::u16string target = Folder() + rk::test::NativePath(u"fehlt/Buch.xml");
  tk::SetText(PaneControl(1, app::kFileField), target);
  const std::vector<Shown> shown = PressAnswering(PaneControl(1, app::kSaveButton), 1);

  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, u"Fehlermeldung");
  EXPECT_EQ(shown[0].icon, tk::kIconWarning);
  EXPECT_EQ(shown[0].text, u"  Das Telefonbuch kann nicht gespeichert werden.    \n\n"
                           u"  Datei:  Buch.xml_NEU.xml    \n\n  Pfad:   " +
                               Folder() + rk::test::NativePath(u"fehlt/    "));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kFileField)), target);
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 2");

  // A Datei field that names no file, empty or ending in a separator, is refused the same way and
  // writes nothing, neither into that folder nor into the folder the program runs in.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::create_directory(folder_ / "Start");
  std::filesystem::current_path(folder_ / "Start");
  for (const std::u16string& field : {std::u16string(), Folder(), Folder() + u"Ordner\\"}) {
    tk::SetText(PaneControl(1, app::kFileField), field);
    const std::vector<Shown> refused = PressAnswering(PaneControl(1, app::kSaveButton), 1);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].icon, tk::kIconWarning);
    EXPECT_EQ(refused[0].text, u"  Das Telefonbuch kann nicht gespeichert werden.    \n\n"
                               u"  Datei:  _NEU.xml    \n\n  Pfad:   " + field + u"    ");
  }
  std::filesystem::current_path(before);
  EXPECT_TRUE(std::filesystem::is_empty(folder_ / "Start"));
  EXPECT_FALSE(Exists(Folder() + u"_NEU.xml"));
}

TEST_F(SaveTest, ContactsWithoutABookAreSavedInsideANewOne) {
  // What a copy into a slot that never held a book leaves: contact runs and nothing else.
  Load(1, WriteFile("Buch.xml", kBook));
  const std::vector<std::size_t> rows = {1};
  AppendRuns(FindSlot(2)->records, FindSlot(1)->records, rows);
  ShowAllRows(*FindSlot(2));
  const std::vector<NodeRecord> before = {GetRecord(FindSlot(2)->records, 0)};
  // Characters XML does not allow are left out of the name: the file must stay readable.
  const std::u16string name = std::u16string(u"Ko\u0001pie") + char16_t(0xFFFF) + char16_t(0xD800) + u"\U0001F600";
  tk::SetText(PaneControl(2, app::kNameField), name);
  ASSERT_EQ(tk::GetText(PaneControl(2, app::kNameField)), name);
  tk::SetText(PaneControl(2, app::kFileField), Folder() + u"Kopie.xml");
  PressAnswering(PaneControl(2, app::kSaveButton), 0);

  EXPECT_EQ(ReadFile(Folder() + u"Kopie.xml_NEU.xml"),
            rk::test::SavedBook("Kopie\xF0\x9F\x98\x80",
                                "      <contact>\n"
                                "         <person>\n"
                                "            <realName>Bernd &amp; Co</realName>\n"
                                "         </person>\n"
                                "         <telephony>\n"
                                "            <number type=\"work\">089 77</number>\n"
                                "         </telephony>\n"
                                "         <uniqueid>12</uniqueid> \n"
                                "      </contact>\n"));
  EXPECT_EQ(RecordCount(FindSlot(2)->records), 6u);
  EXPECT_EQ(GetRecord(FindSlot(2)->records, 0), before[0]);
  EXPECT_TRUE(RowsInStep(*FindSlot(2)));
}

TEST_F(SaveTest, MainElementOfAnyNameAndDeepLevelsAreSaved) {
  std::string deep = "<contact>";
  for (int i = 0; i < 12; ++i) deep += "<l" + std::to_string(i) + ">";
  deep += "<number>1</number>";
  for (int i = 11; i >= 0; --i) deep += "</l" + std::to_string(i) + ">";
  deep += "<uniqueid>7</uniqueid></contact>";
  const std::u16string path = WriteFile("tief.xml", deep);
  Load(1, path);
  Load(2, WriteFile("Buch.xml", kBook));
  const std::vector<std::size_t> first = {0};
  AppendRuns(FindSlot(2)->records, FindSlot(1)->records, first);
  ShowAllRows(*FindSlot(2));
  PressAnswering(PaneControl(1, app::kSaveButton), 0);
  PressAnswering(PaneControl(2, app::kSaveButton), 0);

  // Slot 1's file read back holds the same elements at the same depths.
  Load(2, path + u"_NEU.xml");
  const RecordList& saved = FindSlot(2)->records;
  const RecordList& loaded = FindSlot(1)->records;
  ASSERT_EQ(RecordCount(saved), RecordCount(loaded));
  for (std::size_t i = 0; i < RecordCount(saved); ++i) {
    EXPECT_EQ(RecordName(saved, i), RecordName(loaded, i));
    EXPECT_EQ(RecordDepth(saved, i), RecordDepth(loaded, i));
  }
  EXPECT_EQ(RecordDepth(saved, 13), 13);
  EXPECT_EQ(RecordText(saved, 13), u"1");
  EXPECT_EQ(ListRows(PaneControl(2, app::kContactList)), (std::vector<std::vector<std::u16string>>{{u"", u"0 (2)", u"7", u"", u"1"}}));

  // A second top-level record (the copied book) goes below the main element, not lost.
  const std::string other = ReadFile(Folder() + u"Buch.xml_NEU.xml");
  EXPECT_NE(other.find("</phonebook>\n   <contact>\n      <l0>"), std::string::npos) << other;
  EXPECT_NE(other.find("</contact> \n</phonebooks>\n"), std::string::npos) << other;
}

TEST_F(SaveTest, SkippedLevelsHangBelowTheNearestShallowerRecord) {
  // A contact one level deeper than the book it is copied into.
  Load(1, WriteFile("gruppe.xml",
                    "<phonebooks><phonebook><gruppe><contact><realName>X</realName></contact>"
                    "</gruppe></phonebook></phonebooks>"));
  Press(PaneControl(2, app::kNewButton));
  const std::vector<std::size_t> first = {0};
  AppendRuns(FindSlot(2)->records, FindSlot(1)->records, first);
  PressAnswering(PaneControl(2, app::kSaveButton), 0);

  EXPECT_EQ(ReadFile(Folder() + u"Neu_2612071030.xml_NEU.xml"),
            rk::test::SavedBook("Neu_2612071030",
                                "      <contact>\n"
                                "         <realName>X</realName>\n"
                                "      </contact>\n"));
}

}  // namespace
}  // namespace rk::book::test
