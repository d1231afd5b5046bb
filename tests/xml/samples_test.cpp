#include <gtest/gtest.h>

#include <filesystem>

#include "services/text.h"
#include "xml/xml.h"
#include "xml_test_support.h"

namespace rk::xml {
namespace {

using test::TempFolder;

// Every element with its depth, name, attributes and text; blanks around a text do not
// count, since re-indentation changes them.
std::string Elements(XmlNode* main) {
  std::string out;
  XmlNode* node = main;
  int depth = 0;
  while (node != nullptr) {
    if (NodeKind(node) == kNodeElement) {
      out += std::to_string(depth) + " " + ToUtf8(NodeNameView(node));
      BeginAttributes(node);
      while (NextAttribute(node)) out += " " + ToUtf8(AttributeNameView(node)) + "=" + ToUtf8(AttributeValueView(node));
      std::u16string_view text = NodeTextView(node);
      while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
      while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
      out += " [" + ToUtf8(text) + "]\n";
    }
    if (FirstChild(node) != nullptr) {
      node = FirstChild(node);
      ++depth;
      continue;
    }
    while (node != nullptr && node != main && NextSibling(node) == nullptr) {
      node = ParentNode(node);
      --depth;
    }
    node = node == nullptr || node == main ? nullptr : NextSibling(node);
  }
  return out;
}

TEST(XmlSamples, FormattedCopiesKeepEveryElementAttributeAndText) {
  TempFolder folder;
  int samples = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::DataFile("samples"))) {
    if (entry.path().extension() != ".xml") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ASSERT_NE(LoadDocument(0, test::XmlPath(entry.path())), 0);
    ASSERT_EQ(DocumentStatus(0), 0);
    FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
    const std::string elements = Elements(MainNode(0));
    FormatDocument(0, FormatReindent, 3);
    const std::filesystem::path copy = folder / (entry.path().filename().string() + "_Formatiert.xml");
    ASSERT_NE(SaveDocument(0, test::XmlPath(copy)), 0);

    ASSERT_NE(LoadDocument(1, test::XmlPath(copy)), 0);
    ASSERT_EQ(DocumentStatus(1), 0);
    EXPECT_EQ(DocumentEncoding(1), DocumentEncoding(0));
    FormatDocument(1, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
    EXPECT_EQ(Elements(MainNode(1)), elements);
    FreeDocument(-1);
    ++samples;
  }
  EXPECT_EQ(samples, 3);
}

}  // namespace
}  // namespace rk::xml
