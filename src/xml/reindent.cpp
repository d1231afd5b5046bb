// Re-indentation (FormatDocument option 128) and the CR LF conversion of option 1: each node's
// text is rebuilt after its layout and stored back in the node.

#include <string_view>

#include "xml/format_steps.h"
#include "xml/grow_array.h"
#include "xml/node_layout.h"

namespace rk::xml {
namespace {

// The new text of one node and the new positions of its children, kept apart from the node
// until the whole text is done. The sink of NodeLayout.
class TextBuilder {
 public:
  TextBuilder(std::u16string_view lineBreak, const BlockMemory& memory)
      : lineBreak_(lineBreak), text_(memory), positions_(memory) {}

  void Text(std::u16string_view text) { failed_ = !text_.Append(text.data(), text.size()) || failed_; }
  void LineBreak() { Text(lineBreak_); }
  // `columns` is never above kMaxIndent.
  void Indent(std::size_t columns) { Text(Blanks().substr(0, columns)); }
  void Line(std::size_t columns) {
    LineBreak();
    Indent(columns);
  }

  // Rebuilds the text of `node` after `layout` and stores it with the children's new
  // positions; false (node unchanged) when memory ran out.
  bool Rebuild(Document& document, XmlNode* node, NodeLayout<TextBuilder>& layout) {
    text_.Clear();
    positions_.Clear();
    failed_ = false;
    for (const XmlNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
      const std::size_t start = text_.size();
      layout.Before(child, *this);
      failed_ = !positions_.Push(text_.size() - start) || failed_;
    }
    layout.Tail(*this);
    if (failed_) return false;
    if (!StoreNodeText(document, node, std::u16string_view(text_.data(), text_.size()))) return false;
    // Each position lies within the text just stored, so it fits as its length did.
    std::size_t index = 0;
    for (XmlNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
      child->position = static_cast<std::uint32_t>(positions_[index++]);
    }
    return true;
  }

 private:
  static std::u16string_view Blanks() {
    static constexpr char16_t kBlanks[kMaxIndent + 1] =
        u"                                                                                "
        u"                                                                                "
        u"                                                                                "
        u"                ";
    static_assert(kBlanks[kMaxIndent - 1] == u' ' && kBlanks[kMaxIndent] == u'\0');
    return {kBlanks, kMaxIndent};
  }

  std::u16string_view lineBreak_;
  GrowArray<char16_t> text_;
  GrowArray<std::size_t> positions_;
  bool failed_ = false;
};

std::u16string_view LineBreakOf(int style) {
  switch (style) {
    case kLineBreakCrLf:
      return u"\r\n";
    case kLineBreakLf:
      return u"\n";
    case kLineBreakCr:
      return u"\r";
    default:
      return {};
  }
}

// Visits every node in document order with its depth; `visit` returns false to leave the
// node's subtree out.
template <class Visit>
void WalkTree(XmlNode* root, Visit visit) {
  XmlNode* node = root;
  std::size_t depth = 0;
  while (node != nullptr) {
    if (visit(node, depth) && node->firstChild != nullptr) {
      node = node->firstChild;
      ++depth;
      continue;
    }
    while (node != nullptr && node->nextSibling == nullptr) {
      node = node->parent;
      --depth;
    }
    if (node != nullptr) node = node->nextSibling;
  }
}

}  // namespace

void Reindent(Document& document, int options, int step) {
  TextBuilder builder(LineBreakOf(document.lineBreakStyle), document.memory);
  NodeLayout<TextBuilder> layout;
  const std::size_t columns = step > 0 ? static_cast<std::size_t>(step) : 0;
  // A node whose text could not be rebuilt keeps its subtree as it was.
  WalkTree(document.root, [&](XmlNode* node, std::size_t depth) {
    layout.Begin(node, depth, columns, options);
    return !layout.Rebuilt() || builder.Rebuild(document, node, layout);
  });
}

void ConvertBreaksToCrLf(Document& document) {
  TextBuilder builder(u"\r\n", document.memory);
  NodeLayout<TextBuilder> layout;
  WalkTree(document.root, [&](XmlNode* node, std::size_t) {
    layout.BeginCrLf(node);
    return !layout.Rebuilt() || builder.Rebuild(document, node, layout);
  });
}

}  // namespace rk::xml
