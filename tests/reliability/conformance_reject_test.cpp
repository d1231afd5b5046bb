// The malformed documents of the W3C conformance suite through "Laden": each one shows the
// parse error message with Expat's own text (the two empty files the "cannot be opened"
// message), then the partial book; none crashes, and the rows stay in step with the records.
// "Speichern" then writes the partial book as a file that parses.

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/controls.h"
#include "book/record_list.h"
#include "book/slot.h"
#include "reliability_support.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "test_paths.h"
#include "xml/xml.h"

namespace rk::reliability::test {
namespace {

// The document the expectations are read from, besides the one the load makes.
constexpr int kReference = 9;

struct Case {
  std::string id;
  std::string path;     // inside the unpacked suite
  std::string message;  // Expat's text, or "(no document: empty file)"
};

std::vector<Case> MustRejectCases() {
  std::ifstream table(rk::test::DataFile("xmlconf/cases.tsv"));
  std::vector<Case> cases;
  std::string line;
  std::getline(table, line);  // column names
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    Case entry;
    std::string type;
    std::string use;
    std::getline(fields, entry.id, '\t');
    std::getline(fields, type, '\t');
    std::getline(fields, entry.path, '\t');
    std::getline(fields, use, '\t');
    std::getline(fields, entry.message, '\t');
    if (use == "must-reject") cases.push_back(entry);
  }
  return cases;
}

using ConformanceRejectTest = book::test::ShellTest;

TEST_F(ConformanceRejectTest, EveryMalformedDocumentIsReportedThenShownAsFarAsItGot) {
  const std::vector<Case> cases = MustRejectCases();
  ASSERT_EQ(cases.size(), 1220u);
  const std::filesystem::path suite = std::filesystem::path(rk::test::kXmlConf);
  const int list = app::PaneControl(1, app::kContactList);
  std::size_t parseErrors = 0;
  std::size_t unreadable = 0;
  std::vector<std::string> failed;
  AnsweredDialogs dialogs;
  const ::testing::TestResult& result = *::testing::UnitTest::GetInstance()->current_test_info()->result();

  // After ten failing cases the rest are not tried: the first ones tell what is wrong.
  for (std::size_t i = 0; i < cases.size() && failed.size() < 10; ++i) {
    const Case& entry = cases[i];
    SCOPED_TRACE(entry.id);
    const int partsBefore = result.total_part_count();
    // A copy in the temporary folder, so the "_Formatiert.xml" and "_NEU.xml" files stay out
    // of the suite; the number keeps the names apart.
    const std::filesystem::path copy = folder_ / (std::to_string(i) + "-" + std::filesystem::path(entry.path).filename().string());
    std::filesystem::copy_file(suite / entry.path, copy);
    const std::u16string path = FromOsPath(copy);
    dialogs.Clear();
    dialogs.Choose(path);
    Press(app::PaneControl(1, app::kLoadButton));

    ASSERT_FALSE(dialogs.boxes().empty());
    const Box& first = dialogs.boxes().front();
    EXPECT_EQ(first.title, u"Fehlermeldung");
    if (entry.message == "(no document: empty file)") {
      ++unreadable;
      EXPECT_EQ(dialogs.boxes().size(), 1u);
      EXPECT_EQ(first.text, UnreadableText(path));
      EXPECT_EQ(tk::CountItems(list), 0);
    } else {
      ++parseErrors;
      // The numbers are those the library reports for the file; the message is Expat's.
      ASSERT_NE(xml::LoadDocument(kReference, path), 0);
      EXPECT_NE(xml::DocumentStatus(kReference), 0);
      EXPECT_GE(xml::ErrorLine(kReference), 1);
      EXPECT_GE(xml::ErrorColumn(kReference), 1);
      EXPECT_EQ(first.text, ParseErrorText(xml::ErrorLine(kReference), xml::ErrorColumn(kReference),
                                           FromUtf8(entry.message)));
      // The partial tree is the book: one record per element it holds.
      EXPECT_EQ(book::RecordCount(book::FindSlot(1)->records), CountElements(kReference));
      xml::FreeDocument(kReference);
      for (std::size_t b = 1; b < dialogs.boxes().size(); ++b) EXPECT_EQ(dialogs.boxes()[b].title, u"Information");
    }
    EXPECT_TRUE(SlotInStep(1));

    // The partial book is saved as a phonebook that parses; an empty one is not written.
    dialogs.Clear();
    const std::u16string saved = tk::GetText(app::PaneControl(1, app::kFileField)) + u"_NEU.xml";
    Press(app::PaneControl(1, app::kSaveButton));
    EXPECT_TRUE(dialogs.boxes().empty());
    if (book::RecordCount(book::FindSlot(1)->records) > 0) ExpectSavedBookParses(1, ToOsPath(saved));
    std::filesystem::remove(copy);

    if (result.total_part_count() != partsBefore) failed.push_back(entry.id);
  }
  EXPECT_TRUE(failed.empty()) << "first failing cases: " << ::testing::PrintToString(failed);
  EXPECT_EQ(parseErrors, 1218u);
  EXPECT_EQ(unreadable, 2u);
}

}  // namespace
}  // namespace rk::reliability::test
