// The program without a mouse and without eyes: a whole journey by key presses alone, what a
// screen reader reads of it over the accessibility bus, and the program on a Wayland
// compositor instead of X.
#include <gtest/gtest.h>

#include <csignal>
#include <regex>
#include <string>
#include <thread>

#include "display/display_support.h"
#include "support/saved_book.h"
#include "support/test_support.h"

namespace rk::test {
namespace {

std::string Settings(const std::string& bookOne, const std::string& bookTwo, int toolTip) {
  return "\xEF\xBB\xBF\r\nTelefonbuch1 = " + bookOne + "\r\nTelefonbuch2 = " + bookTwo +
         "\r\nToolTip = " + std::to_string(toolTip) + "\r\n";
}

// The first and third contact of the sample book as "Speichern" writes them.
constexpr const char* kFirstAndThirdSaved =
    "      <contact>\n"
    "         <category>0</category>\n"
    "         <person>\n"
    "            <realName>Test GmbH</realName>\t\n"
    "         </person>\n"
    "         <telephony nid=\"2\">\n"
    "            <number type=\"work\" prio=\"1\" id=\"0\">01234 567890</number>\n"
    "            <number type=\"fax_work\" prio=\"0\" id=\"1\">(01234) 56789-2</number>\t\n"
    "         </telephony>\n"
    "         <services nid=\"1\">\n"
    "            <email classifier=\"private\" id=\"0\">info@example.com</email>\t\n"
    "         </services>\n"
    "         <setup/>\n"
    "         <features doorphone=\"0\"/>\n"
    "         <mod_time>1476188984</mod_time>\n"
    "         <uniqueid>2</uniqueid>\t\n"
    "      </contact>\n"
    "      <contact>\n"
    "         <category>0</category>\n"
    "         <person>\n"
    "            <realName>Arzt, Very long name because it consists of Praxis and two "
    "names.</realName>\t\n"
    "         </person>\n"
    "         <telephony nid=\"1\">\n"
    "            <number type=\"work\" prio=\"1\" id=\"0\">012345 34567890</number>\t\n"
    "         </telephony>\n"
    "         <services/>\n"
    "         <setup/>\n"
    "         <features doorphone=\"0\"/>\n"
    "         <mod_time>1532104029</mod_time>\n"
    "         <uniqueid>3</uniqueid>\t\n"
    "      </contact>\n";

class KeyboardReaderTest : public ::testing::Test {
 protected:
  std::string Folder() const { return folder_.path().string() + "/"; }
  std::string Book() const { return (folder_ / "books" / "alt.xml").string(); }

  // A book to load, and settings with tooltips off.
  void SetUp() override {
    std::filesystem::create_directory(folder_ / "books");
    std::filesystem::copy_file(DataFile("samples/tab-indented-9-contacts.xml"), Book());
    WriteFileBytes(folder_ / "Rufkartei.ini", Settings(Folder(), Folder(), 0));
  }

  // From the start: Tab, Tab and Return leave the information window by "Schliessen"; the
  // keyboard is then on book 1's "Neu", Tab goes to "Laden" and Return opens the dialog.
  // Waits for each window, so no key is lost while one opens.
  void LoadBookOneByKeyboard(const XDisplay& display) {
    ASSERT_TRUE(display.WaitForWindow(kInfoWindowName).has_value());
    display.Keys({"Tab", "Tab", "Return"});
    for (int attempt = 0; attempt < 100 && display.HasWindow(kInfoWindowName); ++attempt) {
      std::this_thread::sleep_for(Milliseconds(50));
    }
    ASSERT_FALSE(display.HasWindow(kInfoWindowName));
    display.Keys({"Tab", "Return"});
    ASSERT_TRUE(display.WaitForWindow(kFileDialogName).has_value());
    display.Type(Book());
    display.Keys({"Return"});
    ASSERT_NE(WaitForText(folder_ / "books" / "alt.xml_Formatiert.xml", "</phonebooks>"), "");
    for (int attempt = 0; attempt < 100 && display.HasWindow(kFileDialogName); ++attempt) {
      std::this_thread::sleep_for(Milliseconds(50));
    }
  }

  TempFolder folder_;
};

TEST_F(KeyboardReaderTest, AWholeJourneyByKeysAloneLoadsTicksCopiesRenamesAndSaves) {
  XDisplay display(1920, 1080, 96);
  ASSERT_TRUE(display.ready());
  ProgramUnderTest program(folder_.path());
  ASSERT_TRUE(program.Start(display)) << program.Log();
  LoadBookOneByKeyboard(display);

  CopyTwoContactsIntoANewBookTwoAndSave(display);

  std::filesystem::path saved;
  for (int attempt = 0; attempt < 100 && saved.empty(); ++attempt) {
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
      if (entry.path().filename().string().ends_with(".xml_NEU.xml")) saved = entry.path();
    }
    std::this_thread::sleep_for(Milliseconds(50));
  }
  ASSERT_FALSE(saved.empty()) << program.Log();
  EXPECT_EQ(WaitForText(saved, "</phonebooks>\n"), SavedBook("Kartei", kFirstAndThirdSaved));
  program.process().Signal(SIGTERM);
  ASSERT_TRUE(program.process().WaitForEnd(Milliseconds(10000)).has_value());
}

TEST_F(KeyboardReaderTest, AScreenReaderTellsThePanesApartAndHearsSpaceTickARow) {
  XDisplay display(1920, 1080, 96);
  ASSERT_TRUE(display.ready());
  SessionBus bus(folder_.path());
  ASSERT_TRUE(bus.ready());
  ProgramUnderTest program(folder_.path());
  // Qt reports to the accessibility bus as it does when a screen reader runs.
  ASSERT_TRUE(program.Start(display, {bus.Variable(), "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"}))
      << program.Log();
  ASSERT_TRUE(display.WaitForWindow(kInfoWindowName).has_value());
  const CommandResult atStart =
      RunCommand({"/usr/bin/python3", RUFKARTEI_SCREEN_READER, "20", "tree"},
                 {bus.Variable(), "DISPLAY=" + display.name()}, Milliseconds(30000));
  // Windows are a frame and, the owned one, a dialog, announced by their titles.
  EXPECT_NE(atStart.output.find("\ndialog|Rufkartei - Information||\n"), std::string::npos)
      << atStart.output;
  // The main window is named without the build its title shows.
  EXPECT_NE(atStart.output.find("frame|Rufkartei||\n"), std::string::npos) << atStart.output;
  LoadBookOneByKeyboard(display);
  // From "Laden" nine Tabs reach book 1's list, where Home highlights the first contact.
  display.Keys(Repeat("Tab", 9));
  display.Keys({"Home"});

  const std::filesystem::path heard = folder_ / "reader.txt";
  ChildProcess reader({"/usr/bin/python3", RUFKARTEI_SCREEN_READER, "20"},
                      {bus.Variable(), "DISPLAY=" + display.name()}, heard);
  ASSERT_NE(WaitForText(heard, "listening\n", Milliseconds(30000)).find("listening"),
            std::string::npos)
      << ReadFileBytes(heard);
  display.Keys({"space"});
  ASSERT_TRUE(reader.WaitForEnd(Milliseconds(25000)).has_value());
  const std::string said = ReadFileBytes(heard);

  // Each pane a named group; fields labelled and named for
  // their book; the same button told apart by its book; the lists named for their book with
  // the count as description, five columns with their titles.
  for (const char* line : {
           "panel|Telefonbuch 1||\n",
           "panel|Telefonbuch 2||\n",
           "text|Name, Telefonbuch 1||Name:\n",
           "text|Datei, Telefonbuch 2||Datei:\n",
           "push button|Löschen, Telefonbuch 1||\n",
           "push button|Löschen, Telefonbuch 2||\n",
           "table|Telefonbuch 1|Anz.: 9|\n",
           "table|Telefonbuch 2|Anz.: 0|\n",
           "table-size|Telefonbuch 1|9|5|,Nr.,ID,Name,Telefon\n",
           // Space ticked it, and the reader heard so.
           "event|checked|1|\n",
       }) {
    EXPECT_NE(said.find(line), std::string::npos) << line << " not in:\n" << said;
  }
  // The highlighted first row is selected, and the keyboard's cell, its tick cell, is a check
  // box without a name of its own, known to a reader by its "toggle" action.
  EXPECT_TRUE(std::regex_search(
      said, std::regex("first-cell\\|Telefonbuch 1\\|\\|\\|[^|\\n]*focused[^|\\n]*selected[^|\\n]*\\|toggle\n")))
      << said;
}

// What Orca itself says: each step waits for its words, so no key outruns the reader.
TEST_F(KeyboardReaderTest, OrcaReadsTheHelpTheBookTheTicksAndEveryOutcomeAloud) {
  XDisplay display(1920, 1080, 96);
  ASSERT_TRUE(display.ready());
  SessionBus bus(folder_.path());
  ASSERT_TRUE(bus.ready());
  ScreenReader orca(folder_.path(), display, bus);
  ASSERT_TRUE(orca.ready());
  ProgramUnderTest program(folder_.path());
  ASSERT_TRUE(program.Start(display, {bus.Variable()})) << program.Log();
  // Slower keys than this lose some on their way through the reader.
  constexpr Milliseconds kKey(150);
  std::size_t mark = 0;
  const auto step = [&](const std::vector<std::string>& keys, const std::string& awaited) {
    mark = orca.Mark();
    display.Keys(keys, kKey);
    return orca.SaidSince(mark, awaited);
  };

  // The help text opens with the keyboard in it, and Down reads it line by line.
  std::string said = orca.SaidSince(0, "Information nur lesbar");
  EXPECT_NE(said.find("Information nur lesbar"), std::string::npos) << said;
  said = step({"Down", "Down"}, "Telefonbücher auslesen");
  EXPECT_NE(said.find("Telefonbücher auslesen"), std::string::npos) << said;

  // "Schliessen" leads to the main window, named without its build.
  said = step({"Tab", "Tab", "Return"}, "Neu, Telefonbuch 1");
  EXPECT_NE(said.find("Rufkartei Rahmen"), std::string::npos) << said;
  EXPECT_EQ(said.find("v1.10"), std::string::npos) << said;

  // A book loaded by keys: the keyboard is back on "Laden", which tells the new count.
  step({"Tab", "Return"}, "Dateiname");
  display.Type(Book(), Milliseconds(100));
  said = step({"Return"}, "Geladen");
  EXPECT_NE(said.find("Laden, Telefonbuch 1 Druckknopf"), std::string::npos) << said << program.Log();
  said = orca.SaidSince(mark, "Anz.: 9");
  EXPECT_NE(said.find("Geladen: Telefonbuch, Telefonbuch 1: Anz.: 9"), std::string::npos) << said;

  // Tab into the list says the contact the keyboard is on with its tick state, the name once;
  // Space says the new tick alone, both ways; Down reads the next contact.
  said = step(Repeat("Tab", 9), "56789-2");
  EXPECT_NE(said.find("Tabelle mit 9 Zeilen 5 Spalten\nKontrollkästchen nicht ausgewählt."),
            std::string::npos)
      << said;
  EXPECT_EQ(said.find("Test GmbH"), said.rfind("Test GmbH")) << said;
  said = step({"space"}, "ausgewählt");
  EXPECT_EQ(said, "ausgewählt.\n");
  said = step({"space"}, "nicht ausgewählt");
  EXPECT_EQ(said, "nicht ausgewählt.\n");
  said = step({"Down"}, "23456");
  EXPECT_NE(said.find("Kontrollkästchen nicht ausgewählt.\n15 (1)\n1.\nGuter Nachbar."),
            std::string::npos)
      << said;

  // Ctrl+A says all rows are highlighted, "A +" (seven steps back) ticks them, "Kopieren"
  // copies them.
  said = step({"ctrl+a"}, "markiert");
  EXPECT_NE(said.find("Kontrollkästchen nicht ausgewählt.\n9 Einträge markiert."), std::string::npos)
      << said;
  said = step(Repeat("shift+Tab", 7), "A +, Telefonbuch 1");
  said = step({"Return"}, "ausgewählt");
  EXPECT_NE(said.find("9 Einträge ausgewählt"), std::string::npos) << said;
  step({"Tab", "Tab"}, "Kopieren, Telefonbuch 1");
  said = step({"Return"}, "kopiert");
  said = orca.SaidSince(mark, "Anz.: 9");
  EXPECT_NE(said.find("9 Einträge kopiert, Telefonbuch 2: Anz.: 9"), std::string::npos) << said;
}

TEST_F(KeyboardReaderTest, OnWaylandTheInformationIsOwnedAndSigtermEndsNormally) {
  WaylandDisplay compositor(folder_.path());
  ASSERT_TRUE(compositor.ready());
  // The program's requests to the compositor, logged by the Wayland client library.
  std::vector<std::string> environment = compositor.Environment();
  environment.emplace_back("WAYLAND_DEBUG=client");
  ProgramUnderTest program(folder_.path());
  program.Launch(environment);
  WaitForText(folder_ / "program.log", "\"Rufkartei - Information\")");
  const std::string log = program.Log();
  std::smatch main;
  std::smatch info;
  ASSERT_TRUE(std::regex_search(log, main, std::regex(R"(xdg_toplevel@(\d+)\.set_title\("Rufkartei  v1)")))
      << log;
  ASSERT_TRUE(std::regex_search(
      log, info, std::regex(R"(xdg_toplevel@(\d+)\.set_title\("Rufkartei - Information"\))")))
      << log;
  EXPECT_NE(log.find("xdg_toplevel@" + info[1].str() + ".set_parent(xdg_toplevel@" +
                     main[1].str() + ")"),
            std::string::npos)
      << log;

  program.process().Signal(SIGTERM);
  const std::optional<int> status = program.process().WaitForEnd(Milliseconds(10000));
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(ExitStatus(*status), 0);
  EXPECT_EQ(ReadFileBytes(folder_ / "Rufkartei.ini"), Settings(Folder(), Folder(), 0));
}

}  // namespace
}  // namespace rk::test
