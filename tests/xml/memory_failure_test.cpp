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

// A book with a DTD (after which the load stores texts as read) and an entity reference, or,
// as the router writes them, without either (the load then normalises every text).
std::string Book(bool dtd = true) {
  std::string bytes = "<?xml version=\"1.0\"?>\n";
  if (dtd) bytes += "<!DOCTYPE phonebooks [<!ENTITY e \"v\">]>\n";
  bytes += "<phonebooks>\n<?router v=\"1\"?>\n";
  for (int i = 0; i < 60; ++i) {
    bytes += "  <contact id=\"" + std::to_string(i) + "\" note=\"" + std::string(600, 'n') +
             "\"><!-- c --><name>  " + std::string(static_cast<std::size_t>(i * 17), 'x') +
             (dtd ? "&e;" : " y  z") + "</name>\n    <number type=\"home\">0" + std::to_string(i) +
             "</number></contact>\n";
  }
  return bytes + "</phonebooks>\n";
}

constexpr int kNormalise = FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks;

// Loads `path` as document `number` and expects a complete parse.
void ExpectWellFormed(const std::u16string& path, int number) {
  ASSERT_NE(LoadDocument(number, path), 0);
  EXPECT_EQ(DocumentStatus(number), 0) << test::Utf8(path) << ": " << test::Utf8(ErrorMessage(number));
  FreeDocument(number);
}

// Copies the elements below `from`, with their attributes and texts, below `to` of document
// `number`, as "Speichern" builds its document; false as soon as a piece is refused.
bool CopyElements(const XmlNode* from, XmlNode* to, int number) {
  for (const XmlNode* child = FirstChild(from); child != nullptr; child = NextSibling(child)) {
    const NodeFields fields = ReadNode(child);
    if (fields.kind != kNodeElement) continue;
    XmlNode* copy = AppendElement(to, InternName(number, fields.name));
    if (copy == nullptr) return false;
    for (std::size_t k = 0; k < fields.attributeCount; ++k) {
      const AttributeFields attribute = ReadAttribute(child, k);
      if (!SetAttribute(copy, InternName(number, attribute.name), attribute.value)) return false;
    }
    if (!fields.text.empty() && !SetNodeText(copy, fields.text)) return false;
    if (!CopyElements(child, copy, number)) return false;
  }
  return true;
}

// Block memory that gives `left` more blocks and then fails; negative: no limit. With `once`,
// only that one request fails and the blocks after it are given again.
struct RationedMemory {
  static bool Take(void* context) {
    auto& rationed = *static_cast<RationedMemory*>(context);
    if (rationed.left == 0) {
      if (rationed.once) rationed.left = -1;
      return false;
    }
    if (rationed.left > 0) --rationed.left;
    return true;
  }

  std::int64_t left = -1;
  bool once = false;
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

// Running out of memory at any point of a load, Expat's own memory included, stops the parse
// with status 1 and leaves a tree of whole nodes: formatted and written, as a plain load or as
// the program's (normalising, then writing its formatted copy), every tree with a main element
// gives a file that parses again.
TEST_F(XmlMemoryFailure, LoadStopsWithOutOfMemory) {
  for (const bool program : {false, true}) {
    const std::string bytes = Book(!program);
    const LoadSetup setup{.normalise = program ? kNormalise : 0, .memory = &rationed_.memory};
    int stopped = 0;
    bool made = false;
    bool completed = false;
    for (int allowed = 0; allowed < 2000 && !completed; ++allowed) {
      SCOPED_TRACE(testing::Message() << "program " << program << ", blocks " << allowed);
      rationed_.left = allowed;
      const int result = test::LoadFromMemory(bytes, setup);
      rationed_.left = -1;
      if (result == 0) {
        EXPECT_FALSE(made) << "no document although fewer blocks made one";
        continue;
      }
      made = true;
      if (DocumentStatus(0) == 0) {
        completed = true;
        break;
      }
      ASSERT_EQ(DocumentStatus(0), 1);
      EXPECT_EQ(ErrorMessage(0), u"out of memory");
      EXPECT_GE(ErrorLine(0), 1);
      // Stopped before its main element, the tree is no document; the program copies none.
      if (MainNode(0) == nullptr) continue;
      const std::u16string written = test::XmlPath(folder_ / "partial.xml");
      if (program) {
        FormatDocument(0, kNormalise, 2);
        ASSERT_NE(SaveFormattedKeepsTree(0, FormatReindent)
                      ? SaveFormatted(ReadOnlyDocument{0}, written, FormatReindent, 3)
                      : SaveFormatted(0, written, FormatReindent, 3),
                  0);
      } else {
        FormatDocument(0, FormatReindent, 3);
        ASSERT_NE(SaveDocument(0, written), 0);
      }
      ExpectWellFormed(written, 1);
      ++stopped;
    }
    EXPECT_TRUE(completed);
    EXPECT_GT(stopped, 5);
  }
}

// A save whose tree cannot get one of its blocks, whichever, is told so by the call that
// failed; a save told of no failure writes exactly the bytes of one with memory enough.
TEST_F(XmlMemoryFailure, BuildingReportsEveryLostPiece) {
  ASSERT_NE(test::LoadFromMemory(Book(false), LoadSetup{.normalise = kNormalise}), 0);
  ASSERT_NE(CreateDocument(1, EncodingUtf8), 0);
  ASSERT_TRUE(CopyElements(RootNode(0), RootNode(1), 1));
  ASSERT_NE(SaveFormatted(1, test::XmlPath(folder_ / "reference.xml"), FormatLf, 3), 0);
  const std::string expected = test::ReadFileBytes(folder_ / "reference.xml");
  rationed_.once = true;
  int refused = 0;
  for (int failing = 0;; ++failing) {
    SCOPED_TRACE(failing);
    rationed_.left = failing;
    const bool built = CreateDocumentIn(1, EncodingUtf8, rationed_.memory) != 0 &&
                       CopyElements(RootNode(0), RootNode(1), 1);
    const bool failed = rationed_.left == -1;
    rationed_.left = -1;
    if (!failed) break;  // the build took fewer blocks: every one of them has failed once
    if (!built) {
      ++refused;
      continue;
    }
    const std::u16string saved = test::XmlPath(folder_ / "saved.xml");
    ASSERT_NE(SaveFormatted(1, saved, FormatLf, 3), 0);
    EXPECT_EQ(test::ReadFileBytes(folder_ / "saved.xml"), expected);
  }
  EXPECT_GT(refused, 20);
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
    EXPECT_EQ(test::TreeText(RootNode(0), content), expected);
    std::filesystem::remove(folder_ / "copy.xml");
    ASSERT_NE(SaveDocument(0, copy), 0);
    ASSERT_NE(LoadDocument(1, copy), 0);
    ASSERT_EQ(DocumentStatus(1), 0);
    EXPECT_EQ(test::TreeText(RootNode(1), content), expected);
  }
}

}  // namespace
}  // namespace rk::xml
