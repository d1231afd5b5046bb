// "Laden" end to end: the file dialog, the rows, the fields, the messages and the copy.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "book/book.h"
#include "book/slot.h"
#include "book_test_support.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::book::test {
namespace {

using Rows = std::vector<std::vector<std::u16string>>;

constexpr std::string_view kSmallBook =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<phonebooks>\n"
    "  <phonebook owner=\"1\" name=\"Familie\">\n"
    "    <contact>\n"
    "      <category>0</category>\n"
    "      <person>\n"
    "        <realName>Anna Alt</realName>\n"
    "      </person>\n"
    "      <telephony nid=\"2\">\n"
    "        <number type=\"home\" prio=\"1\" id=\"0\">030 1234</number>\n"
    "        <number type=\"mobile\" id=\"1\">0171 5555</number>\n"
    "      </telephony>\n"
    "      <uniqueid>11</uniqueid>\n"
    "    </contact>\n"
    "    <contact>\n"
    "      <person><realName>Bernd &amp; Co</realName></person>\n"
    "      <telephony><number type=\"work\">089 77</number></telephony>\n"
    "      <uniqueid>12</uniqueid>\n"
    "    </contact>\n"
    "  </phonebook>\n"
    "</phonebooks>\n";

// Line breaks and runs of blanks cut to one blank, then indented by three per level; the
// blank that followed the last child of an element stays at the end of its end tag's line.
constexpr std::string_view kSmallBookFormatted =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "\n"
    "<phonebooks>\n"
    "   <phonebook owner=\"1\" name=\"Familie\">\n"
    "      <contact>\n"
    "         <category>0</category>\n"
    "         <person>\n"
    "            <realName>Anna Alt</realName> \n"
    "         </person>\n"
    "         <telephony nid=\"2\">\n"
    "            <number type=\"home\" prio=\"1\" id=\"0\">030 1234</number>\n"
    "            <number type=\"mobile\" id=\"1\">0171 5555</number> \n"
    "         </telephony>\n"
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
    "   </phonebook>\n"
    "</phonebooks>\n";

const Rows kSmallBookRows = {{u"", u"2 (1)", u"11", u"Anna Alt", u"030 1234  #  0171 5555"},
                             {u"", u"10 (1)", u"12", u"Bernd & Co", u"089 77"}};

std::u16string Report(std::u16string_view kind) {
  return u"  Ein XML-Knoten '" + std::u16string(kind) +
         u"' wurde gefunden.\n  Dieser wird noch nicht verarbeitet und ignoriert.    \n  Bitte "
         u"beachten !";
}

using LoadTest = ShellTest;

TEST_F(LoadTest, ShowsTheContactsAndWritesTheFormattedCopy) {
  const std::u16string path = WriteFile("Buch.xml", kSmallBook);
  const std::vector<Shown> shown = Load(1, path);

  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, u"Telefonbuch auswählen:");
  EXPECT_EQ(shown[0].text + rk::test::kSeparator, Folder());
  EXPECT_EQ(ListRows(PaneControl(1, app::kContactList)), kSmallBookRows);
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 2");
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kNameField)), u"Familie");
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kFileField)), path);
  EXPECT_EQ(RememberedFolder(1), Folder());
  EXPECT_EQ(ReadFile(path + u"_Formatiert.xml"), kSmallBookFormatted);
  EXPECT_EQ(ReadFile(path), kSmallBook);

  const std::vector<NodeRecord> records = SlotRecords(1);
  ASSERT_EQ(records.size(), 16u);
  EXPECT_EQ(records[0].Nr, u"0 (1)");
  EXPECT_EQ(records[0].Name, u"phonebooks");
  EXPECT_EQ(records[1].Depth, 1);
  EXPECT_EQ(records[1].Attributes, u"owner=\"1\"|name=\"Familie\"|");
  EXPECT_EQ(records[5].Nr, u"5 (1)");
  EXPECT_EQ(records[5].Depth, 4);
  EXPECT_EQ(records[5].Text, u"Anna Alt");
  EXPECT_EQ(records[6].Attributes, u"nid=\"2\"|");
  EXPECT_EQ(records[15].Name, u"uniqueid");
  EXPECT_TRUE(RowsInStep(*FindSlot(1)));
  // The other slot is not touched.
  EXPECT_EQ(tk::CountItems(PaneControl(2, app::kContactList)), 0);
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 0");
}

TEST_F(LoadTest, TwoSlotsNumberAlikeWithTheirOwnSuffixAndFolder) {
  const std::u16string first = WriteFile("Buch.xml", kSmallBook);
  std::filesystem::create_directory(folder_ / "Daten");
  const std::u16string second = WriteFile("Daten/Buch.xml", kSmallBook);
  Load(1, first);
  const std::vector<Shown> shown = Load(2, second);

  Rows expected = kSmallBookRows;
  expected[0][1] = u"2 (2)";
  expected[1][1] = u"10 (2)";
  EXPECT_EQ(ListRows(PaneControl(2, app::kContactList)), expected);
  EXPECT_EQ(ListRows(PaneControl(1, app::kContactList)), kSmallBookRows);
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 2");
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kFileField)), second);
  EXPECT_EQ(RememberedFolder(2), Folder() + rk::test::NativePath(u"Daten/"));
  EXPECT_EQ(RememberedFolder(1), Folder());
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown[0].text + rk::test::kSeparator, Folder());

  // The next dialog of slot 2 starts in the folder of its last file, and loading the same
  // file again gives the same rows and numbers.
  const std::vector<Shown> again = Load(2, second);
  ASSERT_FALSE(again.empty());
  EXPECT_EQ(again[0].text, Folder() + u"Daten");
  EXPECT_EQ(ListRows(PaneControl(2, app::kContactList)), expected);
  EXPECT_TRUE(RowsInStep(*FindSlot(1)));
  EXPECT_TRUE(RowsInStep(*FindSlot(2)));
}

TEST_F(LoadTest, BookNameIsUnknownUnlessAPhonebookNamesIt) {
  Load(1, WriteFile("ohne.xml", "<phonebooks><phonebook owner=\"1\"><contact/></phonebook></phonebooks>"));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kNameField)), u"Unbekannt");
  EXPECT_EQ(ListRows(PaneControl(1, app::kContactList)), (Rows{{u"", u"2 (1)", u"", u"", u""}}));

  // Of two books the later name wins; the second book's record travels with the last
  // contact of the first, so its numbers show in that contact's row.
  Load(1, WriteFile("zwei.xml",
                    "<phonebooks><phonebook name=\"Erst\"><contact><realName>A</realName></contact>"
                    "</phonebook><phonebook name=\"Zweit\"><number>9</number><contact/></phonebook>"
                    "</phonebooks>"));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kNameField)), u"Zweit");
  EXPECT_EQ(ListRows(PaneControl(1, app::kContactList)), (Rows{{u"", u"2 (1)", u"", u"A", u"9"}, {u"", u"6 (1)", u"", u"", u""}}));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 2");
}

TEST_F(LoadTest, ParseErrorIsShownWithLineAndColumnThenThePartialBook) {
  const std::u16string path = WriteFile(
      "kaputt.xml",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<phonebooks>\n"
      "  <phonebook name=\"Kaputt\">\n"
      "    <contact><uniqueid>1</uniqueid></contact>\n"
      "    <contact><uniqueid>2</uniqueid></contakt>\n"
      "  </phonebook>\n"
      "</phonebooks>\n");
  const std::vector<Shown> shown = Load(1, path, 1);

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].title, u"Fehlermeldung");
  EXPECT_EQ(shown[1].icon, tk::kIconWarning);
  EXPECT_EQ(shown[1].text,
            u"  Fehler in der XML-Datei.    \n\n  Zeile:\t5    \n  Spalte:\t38    \n\n"
            u"  Meldung:\n    mismatched tag    \n");
  EXPECT_EQ(ListRows(PaneControl(1, app::kContactList)), (Rows{{u"", u"2 (1)", u"1", u"", u""}, {u"", u"4 (1)", u"2", u"", u""}}));
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kNameField)), u"Kaputt");
  EXPECT_TRUE(Exists(path + u"_Formatiert.xml"));
}

TEST_F(LoadTest, EveryNodeThatIsNotKeptIsReportedInDocumentOrder) {
  const std::u16string path = WriteFile(
      "notizen.xml",
      "<?xml version=\"1.0\"?>\n"
      "<!-- vor dem Buch: nicht gemeldet -->\n"
      "<?vorher nicht gemeldet?>\n"
      "<phonebooks><phonebook name=\"N\">\n"
      "<contact><!-- eins --><realName>A</realName></contact>\n"
      "<contact><realName>B<![CDATA[<roh>]]></realName><!-- zwei --></contact>\n"
      "<?anweisung daten?>\n"
      "<contact><!-- drei --><uniqueid>3</uniqueid></contact>\n"
      "</phonebook></phonebooks>\n"
      "<!-- danach: nicht gemeldet -->\n");
  const std::vector<Shown> shown = Load(1, path, 5);

  ASSERT_EQ(shown.size(), 6u);
  const std::vector<std::u16string> kinds = {u"Comment", u"CData", u"Comment", u"Instruction",
                                             u"Comment"};
  for (std::size_t i = 0; i < kinds.size(); ++i) {
    EXPECT_EQ(shown[i + 1].title, u"Information");
    EXPECT_EQ(shown[i + 1].icon, tk::kIconInformation);
    EXPECT_EQ(shown[i + 1].text, Report(kinds[i]));
  }
  // The nodes are dropped: numbering counts elements only.
  EXPECT_EQ(ListRows(PaneControl(1, app::kContactList)), (Rows{{u"", u"2 (1)", u"", u"A", u""},
                                {u"", u"4 (1)", u"", u"B", u""},
                                {u"", u"6 (1)", u"3", u"", u""}}));
}

TEST_F(LoadTest, CancelLeavesTheSlotAsItWas) {
  const std::u16string path = WriteFile("Buch.xml", kSmallBook);
  Load(1, path);
  tk::SetText(PaneControl(1, app::kNameField), u"Geändert");
  const std::vector<NodeRecord> before = SlotRecords(1);

  rk::test::DialogScript script;
  script.CancelFileDialog();
  Press(PaneControl(1, app::kLoadButton));
  EXPECT_TRUE(script.AllAnswered());

  EXPECT_EQ(SlotRecords(1), before);
  EXPECT_EQ(ListRows(PaneControl(1, app::kContactList)), kSmallBookRows);
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kNameField)), u"Geändert");
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kFileField)), path);
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 2");
  EXPECT_EQ(RememberedFolder(1), Folder());
}

TEST_F(LoadTest, UnreadableFileIsReportedAndLeavesAnEmptySlot) {
  Load(2, WriteFile("Buch.xml", kSmallBook));
  std::filesystem::create_directory(folder_ / "Alt");
  const std::u16string missing = Folder() + rk::test::NativePath(u"Alt/fehlt.xml");
  const std::vector<Shown> shown = Load(2, missing, 1);

  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].title, u"Fehlermeldung");
  EXPECT_EQ(shown[1].icon, tk::kIconError);
  EXPECT_EQ(shown[1].text, u"  Das Telefonbuch kann nicht geöffnet werden.    \n\n  Datei:  fehlt.xml"
                           u"    \n\n  Pfad:   " + Folder() + rk::test::NativePath(u"Alt/    "));
  EXPECT_EQ(tk::CountItems(PaneControl(2, app::kContactList)), 0);
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kCountLabel)), u" Anz.: 0");
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kNameField)), u"Unbekannt");
  EXPECT_EQ(tk::GetText(PaneControl(2, app::kFileField)), missing);
  EXPECT_EQ(RememberedFolder(2), Folder() + rk::test::NativePath(u"Alt/"));
  EXPECT_EQ(RecordCount(FindSlot(2)->records), 0u);
  EXPECT_FALSE(Exists(missing + u"_Formatiert.xml"));
}

TEST_F(LoadTest, DeepNestingLoadsWithoutExhaustingTheStack) {
  constexpr int kDepth = 200000;
  std::string deep = "<phonebooks><contact>";
  for (int i = 0; i < kDepth; ++i) deep += "<a>";
  deep += "<number>1</number>";
  for (int i = 0; i < kDepth; ++i) deep += "</a>";
  deep += "</contact></phonebooks>";
  Load(1, WriteFile("tief.xml", deep));

  const RecordList& records = FindSlot(1)->records;
  ASSERT_EQ(RecordCount(records), static_cast<std::size_t>(kDepth) + 3);
  EXPECT_EQ(RecordDepth(records, kDepth + 2), kDepth + 2);
  EXPECT_EQ(NumberText(records, kDepth + 2), DecimalText(kDepth + 2) + u" (1)");
  EXPECT_EQ(ListRows(PaneControl(1, app::kContactList)), (Rows{{u"", u"1 (1)", u"", u"", u"1"}}));
}

}  // namespace
}  // namespace rk::book::test
