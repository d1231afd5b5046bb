#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "services/text.h"
#include "test_paths.h"
#include "xml/load_save.h"
#include "xml/xml.h"
#include "xml_test_support.h"

namespace rk::xml {
namespace {

using test::TempFolder;
using test::TreeText;

struct ConformanceCase {
  std::string id;
  std::string path;
  std::string use;
  std::string message;  // what Expat says about a document it rejects
};

std::vector<ConformanceCase> ReadCases() {
  std::ifstream list(test::DataFile("xmlconf/cases.tsv"));
  std::vector<ConformanceCase> cases;
  std::string line;
  std::getline(list, line);  // column names
  while (std::getline(list, line)) {
    std::istringstream fields(line);
    ConformanceCase entry;
    std::string type;
    std::getline(fields, entry.id, '\t');
    std::getline(fields, type, '\t');
    std::getline(fields, entry.path, '\t');
    std::getline(fields, entry.use, '\t');
    std::getline(fields, entry.message, '\t');
    cases.push_back(entry);
  }
  return cases;
}

std::u16string CasePath(const ConformanceCase& entry) {
  return test::XmlPath(std::filesystem::path(test::kXmlConf) / entry.path);
}

class XmlConformance : public ::testing::Test {
 protected:
  void TearDown() override { FreeDocument(-1); }
};

TEST_F(XmlConformance, MalformedDocumentsAreRejectedWithPosition) {
  int rejected = 0;
  int empty = 0;
  for (const ConformanceCase& entry : ReadCases()) {
    if (entry.use != "must-reject") continue;
    SCOPED_TRACE(entry.id);
    if (LoadDocument(0, CasePath(entry)) == 0) {
      // Only an empty file gives no document at all.
      EXPECT_EQ(std::filesystem::file_size(std::filesystem::path(test::kXmlConf) / entry.path), 0u);
      ++empty;
      continue;
    }
    EXPECT_NE(DocumentStatus(0), 0);
    EXPECT_GE(ErrorLine(0), 1);
    EXPECT_GE(ErrorColumn(0), 1);
    EXPECT_EQ(ToUtf8(ErrorMessage(0)), entry.message);
    ++rejected;
  }
  EXPECT_EQ(rejected + empty, 1220);
  EXPECT_EQ(empty, 2);
}

TEST_F(XmlConformance, DocumentsWithUnexpandedEntitiesAreAccepted) {
  int accepted = 0;
  for (const ConformanceCase& entry : ReadCases()) {
    if (entry.use != "accepted-entities-unexpanded" && entry.use != "known-expat-miss") continue;
    SCOPED_TRACE(entry.id);
    ASSERT_NE(LoadDocument(0, CasePath(entry)), 0);
    EXPECT_EQ(DocumentStatus(0), 0);
    ++accepted;
  }
  EXPECT_EQ(accepted, 16);
}

TEST_F(XmlConformance, WellFormedDocumentsSurviveSaveAndLoadInEveryEncoding) {
  TempFolder folder;
  const std::u16string copy = test::XmlPath(folder / "copy.xml");
  // The writer leaves out the children of a DTD node, and line breaks come back in the
  // style of the copy.
  const test::TreeTextOptions compared{false, true, false};
  int checked = 0;
  for (const ConformanceCase& entry : ReadCases()) {
    if (entry.use.rfind("round-trip", 0) != 0) continue;
    SCOPED_TRACE(entry.id);
    ASSERT_NE(LoadDocument(0, CasePath(entry)), 0);
    ASSERT_EQ(DocumentStatus(0), 0) << ToUtf8(ErrorMessage(0));
    const std::string original = TreeText(RootNode(0), compared);
    std::vector<int> encodings = {EncodingUtf8, EncodingUtf16};
    if (entry.use.find("no-latin1") == std::string::npos) encodings.push_back(EncodingLatin1);
    for (int encoding : encodings) {
      SCOPED_TRACE(encoding);
      std::filesystem::remove(folder / "copy.xml");
      ASSERT_NE(SaveInEncoding(0, copy, encoding), 0);
      ASSERT_NE(LoadDocument(1, copy), 0);
      ASSERT_EQ(DocumentStatus(1), 0) << ToUtf8(ErrorMessage(1));
      EXPECT_EQ(TreeText(RootNode(1), compared), original);
    }
    ++checked;
  }
  EXPECT_EQ(checked, 454);
}

// The load writes its copy with SaveFormatted while the walk reads the same tree: the copy
// must be byte for byte what re-indenting and saving gives, and the tree must stay as it was.
TEST_F(XmlConformance, ReindentedCopiesMatchReindentingThenSaving) {
  TempFolder folder;
  const std::u16string streamed = test::XmlPath(folder / "streamed.xml");
  const std::u16string rebuilt = test::XmlPath(folder / "rebuilt.xml");
  constexpr int kNormalise = FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks;
  int compared = 0;
  for (const ConformanceCase& entry : ReadCases()) {
    SCOPED_TRACE(entry.id);
    for (bool normalised : {true, false}) {
      if (LoadDocument(0, CasePath(entry)) == 0) break;
      if (normalised) FormatDocument(0, kNormalise, 2);
      const std::string tree = TreeText(RootNode(0));
      ASSERT_NE(SaveFormatted(0, streamed, FormatReindent, 3), 0);
      if (normalised) {
        EXPECT_EQ(TreeText(RootNode(0)), tree);
      }
      FormatDocument(0, FormatReindent, 3);
      ASSERT_NE(SaveDocument(0, rebuilt), 0);
      ASSERT_EQ(test::ReadFileBytes(folder / "streamed.xml"), test::ReadFileBytes(folder / "rebuilt.xml"))
          << (normalised ? "normalised" : "as loaded");
      ++compared;
    }
  }
  EXPECT_EQ(compared, 2 * (1220 - 2 + 16 + 454));
}

}  // namespace
}  // namespace rk::xml
