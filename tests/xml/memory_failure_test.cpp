#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "xml/xml.h"
#include "xml_test_support.h"

namespace rk::xml {
namespace {

using test::LoadBytes;
using test::TempFolder;

std::string Book() {
  std::string bytes = "<?xml version=\"1.0\"?>\n<!DOCTYPE phonebooks [<!ENTITY e \"v\">]>\n<phonebooks>\n";
  for (int i = 0; i < 60; ++i) {
    bytes += "  <contact id=\"" + std::to_string(i) + "\" note=\"" + std::string(600, 'n') +
             "\"><!-- c --><name>" + std::string(static_cast<std::size_t>(i * 17), 'x') + "&e;</name></contact>\n";
  }
  return bytes + "</phonebooks>\n";
}

// Block memory that gives `left` more blocks and then fails; negative: no limit.
struct RationedMemory {
  static bool Take(void* context) {
    std::int64_t& left = static_cast<RationedMemory*>(context)->left;
    if (left == 0) return false;
    if (left > 0) --left;
    return true;
  }

  std::int64_t left = -1;
  const BlockMemory memory{
      [](void* context, std::size_t bytes) { return Take(context) ? std::malloc(bytes) : nullptr; },
      [](void* context, void* block, std::size_t bytes) { return Take(context) ? std::realloc(block, bytes) : nullptr; },
      [](void*, void* block) { std::free(block); },
      this,
  };
};

class XmlMemoryFailure : public ::testing::Test {
 protected:
  void TearDown() override { FreeDocument(-1); }
  RationedMemory rationed_;  // outlives the documents made with it
  TempFolder folder_;
};

// Running out of memory at any point of a load stops the parse with status 1 and leaves a
// tree that can still be formatted and written.
TEST_F(XmlMemoryFailure, LoadStopsWithOutOfMemory) {
  const std::string bytes = Book();
  int stopped = 0;
  bool completed = false;
  for (int allowed = 0; allowed < 400 && !completed; ++allowed) {
    SCOPED_TRACE(allowed);
    rationed_.left = allowed;
    int made = test::LoadFromMemory(bytes, LoadSetup{.memory = &rationed_.memory});
    rationed_.left = -1;
    if (made == 0) {
      EXPECT_LT(allowed, 2);
      continue;
    }
    if (DocumentStatus(0) == 0) {
      completed = true;
      break;
    }
    ASSERT_EQ(DocumentStatus(0), 1);
    EXPECT_EQ(ErrorMessage(0), u"out of memory");
    EXPECT_GE(ErrorLine(0), 1);
    FormatDocument(0, FormatReindent, 3);
    ASSERT_NE(SaveDocument(0, test::XmlPath(folder_ / "partial.xml")), 0);
    ++stopped;
  }
  EXPECT_TRUE(completed);
  EXPECT_GT(stopped, 5);
}

// Running out of memory while formatting leaves the texts that could not be rebuilt as they
// were; the tree stays whole and writes a well-formed file with every element.
TEST_F(XmlMemoryFailure, FormatKeepsTheTreeWhole) {
  const std::string bytes = Book();
  // What must survive: every node, name, attribute and the text between the blanks.
  const test::TreeTextOptions content{false, true, true, false};
  ASSERT_NE(LoadBytes(folder_, bytes), 0);
  const std::string expected = test::TreeText(RootNode(0), content);
  const std::u16string copy = test::XmlPath(folder_ / "copy.xml");
  for (int allowed = 0; allowed < 40; ++allowed) {
    SCOPED_TRACE(allowed);
    ASSERT_NE(test::LoadFromMemory(bytes, LoadSetup{.memory = &rationed_.memory}), 0);
    rationed_.left = allowed;
    FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
    FormatDocument(0, FormatReindent, 3);
    rationed_.left = -1;
    EXPECT_TRUE(test::TreeText(RootNode(0), content) == expected);
    std::filesystem::remove(folder_ / "copy.xml");
    ASSERT_NE(SaveDocument(0, copy), 0);
    ASSERT_NE(LoadDocument(1, copy), 0);
    ASSERT_EQ(DocumentStatus(1), 0);
    EXPECT_TRUE(test::TreeText(RootNode(1), content) == expected);
  }
}

}  // namespace
}  // namespace rk::xml
