#include "xml_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "services/text.h"

namespace rk::test {

std::u16string XmlPath(const std::filesystem::path& path) { return FromOsPath(path); }

int LoadBytes(const TempFolder& folder, std::string_view bytes, int number, std::string_view name) {
  WriteFileBytes(folder / name, bytes);
  return xml::LoadDocument(number, XmlPath(folder / name));
}

namespace {

class MemorySource final : public ByteSource {
 public:
  MemorySource(std::string_view bytes, ReadCut cut) : left_(bytes.substr(0, cut.at)), fail_(cut.fail) {}
  std::int64_t Read(std::span<char> buffer) override {
    if (left_.empty()) return fail_ ? -1 : 0;
    const std::size_t count = std::min(buffer.size(), left_.size());
    left_.copy(buffer.data(), count);
    left_.remove_prefix(count);
    return static_cast<std::int64_t>(count);
  }

 private:
  std::string_view left_;
  bool fail_;
};

}  // namespace

int LoadFromMemory(std::string_view bytes, const xml::LoadSetup& setup, ReadCut cut, int number) {
  MemorySource source(bytes, cut);
  return xml::LoadFromSource(number, source, bytes.size(), setup);
}

std::string SaveBytes(const TempFolder& folder, int number, int options) {
  std::filesystem::path path = folder / "out.xml";
  std::filesystem::remove(path);
  EXPECT_NE(xml::SaveDocument(number, XmlPath(path), options), 0);
  return ReadFileBytes(path);
}

std::string Utf8(std::u16string_view text) { return ToUtf8(text); }

namespace {

std::string Shown(std::u16string_view text, bool unifyLineBreaks, bool blanks = true) {
  std::u16string shown;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!blanks && (text[i] == u' ' || text[i] == u'\t' || text[i] == u'\r' || text[i] == u'\n')) continue;
    if (unifyLineBreaks && text[i] == u'\r') {
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      shown += u'\n';
    } else {
      shown += text[i];
    }
  }
  return ToUtf8(shown);
}

}  // namespace

std::string TreeText(const xml::XmlNode* root, TreeTextOptions options) {
  std::string out;
  const xml::XmlNode* node = root;
  int depth = 0;
  while (node != nullptr) {
    auto* editable = const_cast<xml::XmlNode*>(node);
    out += std::to_string(depth) + " kind " + std::to_string(xml::NodeKind(node)) + " <" +
           Shown(xml::NodeNameView(node), false) + ">";
    if (xml::BeginAttributes(editable)) {
      while (xml::NextAttribute(editable)) {
        out += " " + Shown(xml::AttributeNameView(node), false) + "=[" +
               Shown(xml::AttributeValueView(node), false) + "]";
      }
    }
    if (options.positions) out += " @" + std::to_string(xml::NodePosition(node));
    out += " [" + Shown(xml::NodeTextView(node), options.unifyLineBreaks, options.blanks) + "]\n";
    const xml::XmlNode* child = xml::FirstChild(node);
    if (child != nullptr && (options.dtdChildren || xml::NodeKind(node) != xml::kNodeDtd)) {
      node = child;
      ++depth;
      continue;
    }
    while (node != nullptr && node != root && xml::NextSibling(node) == nullptr) {
      node = xml::ParentNode(node);
      --depth;
    }
    node = node == nullptr || node == root ? nullptr : xml::NextSibling(node);
  }
  return out;
}

}  // namespace rk::test
