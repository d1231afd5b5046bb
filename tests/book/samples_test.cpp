// Every sample phonebook loaded, saved and read back: the saved file holds every contact with
// every element, attribute and (normalised) text.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "book/slot.h"
#include "book_test_support.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::book::test {
namespace {

// Normalising keeps one blank or tab of an indentation; where it lands differs between the
// file read and the file saved, so texts are compared without blanks at their ends.
std::u16string_view WithoutEndBlanks(std::u16string_view text) {
  const auto blank = [](char16_t unit) { return unit == u' ' || unit == u'\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::vector<std::filesystem::path> Samples() {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(rk::test::DataFile("samples"))) {
    if (entry.path().extension() == ".xml") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

using SamplesTest = ShellTest;

TEST_F(SamplesTest, EverySampleSurvivesLoadAndSave) {
  const std::vector<std::filesystem::path> samples = Samples();
  ASSERT_GE(samples.size(), 3u);
  for (const std::filesystem::path& sample : samples) {
    SCOPED_TRACE(sample.filename().string());
    const std::u16string path = WriteFile(sample.filename().string(), rk::test::ReadFileBytes(sample));
    Load(1, path);
    ASSERT_GT(tk::CountItems(PaneControl(1, app::kContactList)), 0);
    PressAnswering(PaneControl(1, app::kSaveButton), 0);
    Load(2, path + u"_NEU.xml");

    const RecordList& loaded = FindSlot(1)->records;
    const RecordList& saved = FindSlot(2)->records;
    ASSERT_EQ(RecordCount(saved), RecordCount(loaded));
    for (std::size_t i = 0; i < RecordCount(loaded); ++i) {
      const NodeRecord a = GetRecord(loaded, i);
      const NodeRecord b = GetRecord(saved, i);
      ASSERT_EQ(b.Name, a.Name) << i;
      ASSERT_EQ(b.Depth, a.Depth) << i;
      ASSERT_EQ(b.AttributeList, a.AttributeList) << i;
      ASSERT_EQ(b.Attributes, a.Attributes) << i;
      ASSERT_EQ(WithoutEndBlanks(b.Text), WithoutEndBlanks(a.Text)) << i;
    }
    const auto rowsOne = ListRows(PaneControl(1, app::kContactList));
    const auto rowsTwo = ListRows(PaneControl(2, app::kContactList));
    ASSERT_EQ(rowsTwo.size(), rowsOne.size());
    for (std::size_t row = 0; row < rowsOne.size(); ++row) {
      ASSERT_EQ(rowsTwo[row][1].substr(0, rowsTwo[row][1].size() - 4),
                rowsOne[row][1].substr(0, rowsOne[row][1].size() - 4));
      ASSERT_EQ(std::vector(rowsTwo[row].begin() + 2, rowsTwo[row].end()),
                std::vector(rowsOne[row].begin() + 2, rowsOne[row].end()));
    }
    EXPECT_EQ(tk::GetText(PaneControl(2, app::kNameField)), tk::GetText(PaneControl(1, app::kNameField)));
    EXPECT_TRUE(RowsInStep(*FindSlot(1)));
    EXPECT_TRUE(RowsInStep(*FindSlot(2)));
  }
}

}  // namespace
}  // namespace rk::book::test
