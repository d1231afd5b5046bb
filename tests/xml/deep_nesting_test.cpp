#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "xml/xml.h"
#include "xml_test_support.h"

namespace rk::xml {
namespace {

using test::TempFolder;

// A million nested elements: every walk of the library (parse, free, format, save) has to
// get through without using the call stack per level.
TEST(XmlDeepNesting, MillionLevelsLoadFormatAndSave) {
  constexpr std::size_t kLevels = 1000000;
  TempFolder folder;
  std::string bytes;
  bytes.reserve(kLevels * 7);
  for (std::size_t i = 0; i < kLevels; ++i) bytes += "<a>";
  for (std::size_t i = 0; i < kLevels; ++i) bytes += "</a>";
  ASSERT_NE(test::LoadBytes(folder, bytes), 0);
  ASSERT_EQ(DocumentStatus(0), 0);
  std::size_t depth = 0;
  for (XmlNode* node = MainNode(0); node != nullptr; node = FirstChild(node)) ++depth;
  EXPECT_EQ(depth, kLevels);

  const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
  FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
  // Unchanged but for the innermost element, which has no content and takes the short form.
  std::string unchanged = declaration + bytes;
  unchanged.replace(declaration.size() + 3 * (kLevels - 1), 7, "<a/>");
  // Megabytes of output: the place of the first difference says more than the two texts.
  const std::string saved = test::SaveBytes(folder);
  const std::size_t same = static_cast<std::size_t>(
      std::mismatch(saved.begin(), saved.end(), unchanged.begin(), unchanged.end()).first - saved.begin());
  EXPECT_EQ(same, unchanged.size()) << "differs from byte " << same << ": "
                                    << saved.substr(same, 40) << " instead of " << unchanged.substr(same, 40);
  EXPECT_EQ(saved.size(), unchanged.size());

  FormatDocument(0, FormatReindent, 3);
  const std::filesystem::path out = folder / "deep.xml";
  ASSERT_NE(SaveDocument(0, test::XmlPath(out)), 0);
  FreeDocument(0);
  // Each level below 85 adds three columns; deeper levels stay at 255.
  auto indent = [](std::size_t level) { return std::min<std::size_t>(level, 85) * 3; };
  std::uintmax_t expected = declaration.size() + 6 + 4;
  for (std::size_t level = 1; level < kLevels; ++level) expected += 11 + indent(level) + indent(level - 1);
  EXPECT_EQ(std::filesystem::file_size(out), expected);
  EXPECT_LE(expected, kLevels * (2 * (256 + 2) + 7));
}

}  // namespace
}  // namespace rk::xml
