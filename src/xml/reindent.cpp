// Re-indentation (FormatDocument option 128) and the CR LF conversion of option 1.

#include <algorithm>
#include <string_view>

#include "xml/format_steps.h"
#include "xml/grow_array.h"

namespace rk::xml {
namespace {

// No line is indented beyond this column, however deep the tree: the output then grows
// linearly with the input even for absurdly nested files.
constexpr std::size_t kMaxIndent = 256;

constexpr char16_t kBlanks[kMaxIndent + 1] =
    u"                                                                                "
    u"                                                                                "
    u"                                                                                "
    u"                ";
static_assert(kBlanks[kMaxIndent - 1] == u' ' && kBlanks[kMaxIndent] == u'\0');

// The text of one node being rebuilt, and the new positions of its children, kept apart
// from the node until the whole text is done.
class TextBuilder {
 public:
  explicit TextBuilder(std::u16string_view lineBreak) : lineBreak_(lineBreak) {}

  void Clear() {
    text_.Clear();
    positions_.Clear();
    failed_ = false;
  }
  void Put(char16_t unit) { failed_ = !text_.Push(unit) || failed_; }
  void LineBreak() { failed_ = !text_.Append(lineBreak_.data(), lineBreak_.size()) || failed_; }
  // `columns` is never above kMaxIndent.
  void Indent(std::size_t columns) { failed_ = !text_.Append(kBlanks, columns) || failed_; }
  void AddPosition(std::size_t position) { failed_ = !positions_.Push(position) || failed_; }
  std::size_t size() const { return text_.size(); }

  // Stores the new text and positions in the node; false (node unchanged) when memory ran out.
  bool Commit(Document& document, XmlNode* node) {
    if (failed_) return false;
    if (!StoreNodeText(document, node, std::u16string_view(text_.data(), text_.size()))) return false;
    std::size_t index = 0;
    for (XmlNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
      child->position = positions_[index++];
    }
    return true;
  }

 private:
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

// Length of the line break at text[at] (CR LF counts as one), 0 when there is none.
std::size_t BreakLength(std::u16string_view text, std::size_t at, std::size_t end) {
  if (text[at] == u'\n') return 1;
  if (text[at] != u'\r') return 0;
  return at + 1 < end && text[at + 1] == u'\n' ? 2 : 1;
}

// The end of the segment that starts at `read`: `position` characters, or the rest of the text.
std::size_t SegmentEnd(std::size_t read, std::size_t position, std::size_t length) {
  return position >= length - read ? length : read + position;
}

bool HasBreak(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), IsBreak);
}

// Writes text[read, end) with every line break as CR LF.
void CopyWithCrLf(TextBuilder& out, std::u16string_view text, std::size_t read, std::size_t end) {
  while (read < end) {
    std::size_t length = BreakLength(text, read, end);
    if (length == 0) {
      out.Put(text[read++]);
    } else {
      out.Put(u'\r');
      out.Put(u'\n');
      read += length;
    }
  }
}

// Rebuilds a node's text with every line break as CR LF; false when memory ran out.
bool RebuildWithCrLf(Document& document, XmlNode* node, TextBuilder& out) {
  std::u16string_view text = TextOf(node);
  if (!HasBreak(text)) return true;
  out.Clear();
  std::size_t read = 0;
  for (XmlNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    std::size_t start = out.size();
    std::size_t end = SegmentEnd(read, child->position, text.size());
    CopyWithCrLf(out, text, read, end);
    read = end;
    out.AddPosition(out.size() - start);
  }
  CopyWithCrLf(out, text, read, text.size());
  return out.Commit(document, node);
}

class Reindenter {
 public:
  Reindenter(Document& document, int options, int step)
      : document_(document),
        options_(options),
        step_(step > 0 ? static_cast<std::size_t>(step) : 0),
        out_(LineBreakOf(document.lineBreakStyle)) {}

  // Content indentation of a node at `depth` (the root is depth 0): `step` per level up to
  // the deepest level that stays within kMaxIndent columns.
  std::size_t IndentAt(std::size_t depth) const {
    if (step_ == 0) return 0;
    return std::min(depth, kMaxIndent / step_) * step_;
  }

  // Rebuilds one node's text; false when memory ran out (the node and everything below
  // it then stay as they were).
  bool Rebuild(XmlNode* node, std::size_t depth) {
    if (node->kind == kNodeCData || node->kind == kNodeInstruction) {
      return (options_ & FormatCrLf) == 0 || RebuildWithCrLf(document_, node, out_);
    }
    bool root = node->kind == kNodeRoot;
    std::size_t inner = IndentAt(depth);
    std::size_t outer = root ? 0 : IndentAt(depth - 1);
    std::u16string_view text = TextOf(node);
    if (text.empty()) {
      if (node->firstChild == nullptr) return true;
      RebuildEmpty(node, root, inner, outer);
    } else {
      bool lines = node->firstChild != nullptr || HasBreak(text);
      if (!lines && (node->kind == kNodeElement || node->kind == kNodeComment)) return true;
      RebuildText(node, text, root, inner, outer);
    }
    return out_.Commit(document_, node);
  }

 private:
  // The root puts one more line break before its first child, before an element and after one.
  static bool RootBreakBefore(const XmlNode* child, bool first, bool afterElement) {
    return first || child->kind == kNodeElement || afterElement;
  }

  void RebuildEmpty(XmlNode* node, bool root, std::size_t inner, std::size_t outer) {
    out_.Clear();
    bool first = true;
    bool afterElement = false;
    for (XmlNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
      std::size_t start = out_.size();
      if (root && RootBreakBefore(child, first, afterElement)) out_.LineBreak();
      out_.LineBreak();
      out_.Indent(inner);
      out_.AddPosition(out_.size() - start);
      first = false;
      afterElement = child->kind == kNodeElement;
    }
    out_.LineBreak();
    if (!root) out_.Indent(outer);
  }

  void RebuildText(XmlNode* node, std::u16string_view text, bool root, std::size_t inner,
                   std::size_t outer) {
    out_.Clear();
    std::size_t read = 0;
    bool first = true;
    bool afterElement = false;
    for (XmlNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
      std::size_t start = out_.size();
      std::size_t end = SegmentEnd(read, child->position, text.size());
      while (read < end && IsBlank(text[read])) ++read;
      if (read < end && !IsBreak(text[read])) {
        out_.LineBreak();
        out_.Indent(inner);
      }
      if (root && RootBreakBefore(child, first, afterElement)) out_.LineBreak();
      if (read < end) {
        bool afterBreak = false;
        while (read < end) {
          std::size_t length = BreakLength(text, read, end);
          if (length == 0) {
            out_.Put(text[read++]);
            afterBreak = false;
            continue;
          }
          read += length;
          out_.LineBreak();
          out_.Indent(inner);
          while (read < end && IsBlank(text[read])) ++read;
          afterBreak = true;
        }
        if (!afterBreak) {
          out_.LineBreak();
          out_.Indent(inner);
        }
      } else {
        out_.LineBreak();
        out_.Indent(inner);
      }
      out_.AddPosition(out_.size() - start);
      first = false;
      afterElement = child->kind == kNodeElement;
    }

    std::size_t length = text.size();
    if (node->firstChild == nullptr) {
      while (read < length && IsBlank(text[read])) ++read;
      if (read < length && !IsBreak(text[read])) {
        out_.LineBreak();
        out_.Indent(inner);
      }
    }
    while (read < length) {
      std::size_t breakLength = BreakLength(text, read, length);
      if (breakLength == 0) {
        out_.Put(text[read++]);
        continue;
      }
      read += breakLength;
      out_.LineBreak();
      while (read < length && IsBlank(text[read])) ++read;
      if (read == length) {
        // The last line break puts the end tag back at the node's own indentation.
        out_.Indent(root ? inner : outer);
        return;
      }
      out_.Indent(inner);
    }
    if (!root) {
      out_.LineBreak();
      out_.Indent(outer);
    }
  }

  Document& document_;
  int options_;
  std::size_t step_;
  TextBuilder out_;
};

}  // namespace

void Reindent(Document& document, int options, int step) {
  Reindenter reindenter(document, options, step);
  XmlNode* node = document.root;
  std::size_t depth = 0;
  while (node != nullptr) {
    bool rebuilt = reindenter.Rebuild(node, depth);
    if (rebuilt && node->firstChild != nullptr) {
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

void ConvertBreaksToCrLf(Document& document) {
  TextBuilder out(u"\r\n");
  XmlNode* node = document.root;
  while (node != nullptr) {
    bool rebuilt = RebuildWithCrLf(document, node, out);
    if (rebuilt && node->firstChild != nullptr) {
      node = node->firstChild;
      continue;
    }
    while (node != nullptr && node->nextSibling == nullptr) node = node->parent;
    if (node != nullptr) node = node->nextSibling;
  }
}

}  // namespace rk::xml
