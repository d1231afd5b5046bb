#pragma once
// How re-indentation lays out the text of one node: the piece before each child, then the
// tail after the last one, handed to a sink as soon as it is decided. Rebuilding a node's
// text in place and writing a re-indented copy straight to a file use the same rules.
//
// A sink has Text(std::u16string_view) for characters of the node's own text, LineBreak(),
// Indent(columns) and Line(columns), a line break followed by the indentation.

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "xml/document.h"
#include "xml/format_steps.h"
#include "xml/unit_blocks.h"

namespace rk::xml {

// No line is indented beyond this column, however deep the tree: the output then grows
// linearly with the input even for absurdly nested files.
inline constexpr std::size_t kMaxIndent = 256;

// Content indentation of a node at `depth` (the root is depth 0): `step` per level up to the
// deepest level that stays within kMaxIndent columns. A step wider than that is cut to it, so
// every level below the root is still indented.
inline std::size_t IndentAt(std::size_t depth, std::size_t step) {
  if (step == 0) return 0;
  step = std::min(step, kMaxIndent);
  return std::min(depth, kMaxIndent / step) * step;
}

template <class Sink>
class NodeLayout {
 public:
  // Lays out `node` at `depth` with `step` columns per level. With FormatCrLf in `options`,
  // CDATA sections and instructions get their line breaks as CR LF; otherwise they and
  // one-line elements and comments keep their text as it is.
  void Begin(const XmlNode* node, std::size_t depth, std::size_t step, int options) {
    Start(node);
    if (node->kind == kNodeCData || node->kind == kNodeInstruction) {
      if ((options & FormatCrLf) != 0 && HasLineBreak(text_)) mode_ = Mode::kCrLf;
      return;
    }
    root_ = node->kind == kNodeRoot;
    inner_ = IndentAt(depth, step);
    outer_ = root_ ? 0 : IndentAt(depth - 1, step);
    if (text_.empty()) {
      if (node->firstChild != nullptr) mode_ = Mode::kEmpty;
      return;
    }
    const bool lines = node->firstChild != nullptr || HasLineBreak(text_);
    if (!lines && (node->kind == kNodeElement || node->kind == kNodeComment)) return;
    mode_ = Mode::kText;
  }

  // Keeps the node's text as it is.
  void BeginAsIs(const XmlNode* node) { Start(node); }

  // Writes every line break of the node's text as CR LF.
  void BeginCrLf(const XmlNode* node) {
    Start(node);
    if (HasLineBreak(text_)) mode_ = Mode::kCrLf;
  }

  // False when the node keeps its text as it is.
  bool Rebuilt() const { return mode_ != Mode::kAsIs; }

  // Writes the piece before `child`, the next child of the node.
  void Before(const XmlNode* child, Sink& sink) {
    const std::size_t end = SegmentEnd(child->position);
    switch (mode_) {
      case Mode::kAsIs:
        sink.Text(text_.substr(read_, end - read_));
        read_ = end;
        break;
      case Mode::kCrLf:
        CopyWithCrLf(end, sink);
        break;
      case Mode::kEmpty:
        if (root_ && RootBreakBefore(child)) sink.LineBreak();
        sink.Line(inner_);
        break;
      case Mode::kText:
        TextBefore(child, end, sink);
        break;
    }
    first_ = false;
    afterElement_ = child->kind == kNodeElement;
  }

  // Writes the rest of the text, after the last child.
  void Tail(Sink& sink) {
    switch (mode_) {
      case Mode::kAsIs:
        sink.Text(text_.substr(read_));
        break;
      case Mode::kCrLf:
        CopyWithCrLf(text_.size(), sink);
        break;
      case Mode::kEmpty:
        sink.LineBreak();
        if (!root_) sink.Indent(outer_);
        break;
      case Mode::kText:
        TextTail(sink);
        break;
    }
    read_ = text_.size();
  }

 private:
  enum class Mode : unsigned char { kAsIs, kCrLf, kEmpty, kText };

  void Start(const XmlNode* node) {
    node_ = node;
    text_ = TextOf(node);
    read_ = 0;
    mode_ = Mode::kAsIs;
    root_ = false;
    first_ = true;
    afterElement_ = false;
  }

  // The end of the segment that starts at the read position: `position` characters, or the
  // rest of the text.
  std::size_t SegmentEnd(std::size_t position) const {
    return position >= text_.size() - read_ ? text_.size() : read_ + position;
  }

  // Length of the line break at text[at] (CR LF counts as one), 0 when there is none.
  std::size_t BreakLength(std::size_t at, std::size_t end) const {
    if (text_[at] == u'\n') return 1;
    if (text_[at] != u'\r') return 0;
    return at + 1 < end && text_[at + 1] == u'\n' ? 2 : 1;
  }

  // Writes the characters from the read position up to the next line break (or `end`).
  void CopyLine(std::size_t end, Sink& sink) {
    std::size_t stop = read_;
    while (stop < end && !IsBreak(text_[stop])) ++stop;
    sink.Text(text_.substr(read_, stop - read_));
    read_ = stop;
  }

  void SkipBlanks(std::size_t end) {
    while (read_ < end && IsBlank(text_[read_])) ++read_;
  }

  void CopyWithCrLf(std::size_t end, Sink& sink) {
    while (read_ < end) {
      const std::size_t length = BreakLength(read_, end);
      if (length == 0) {
        CopyLine(end, sink);
      } else {
        sink.Text(u"\r\n");
        read_ += length;
      }
    }
  }

  // The root puts one more line break before its first child, before an element and after one.
  bool RootBreakBefore(const XmlNode* child) const {
    return first_ || child->kind == kNodeElement || afterElement_;
  }

  // The segment before a child: its lines, each on a line of its own at the content
  // indentation, and the child on a fresh line.
  void TextBefore(const XmlNode* child, std::size_t end, Sink& sink) {
    SkipBlanks(end);
    if (read_ < end && !IsBreak(text_[read_])) sink.Line(inner_);
    if (root_ && RootBreakBefore(child)) sink.LineBreak();
    if (read_ == end) {
      sink.Line(inner_);
      return;
    }
    bool afterBreak = false;
    while (read_ < end) {
      const std::size_t length = BreakLength(read_, end);
      if (length == 0) {
        CopyLine(end, sink);
        afterBreak = false;
        continue;
      }
      read_ += length;
      sink.Line(inner_);
      SkipBlanks(end);
      afterBreak = true;
    }
    if (!afterBreak) sink.Line(inner_);
  }

  // The text after the last child; the end tag goes back to the node's own indentation.
  void TextTail(Sink& sink) {
    const std::size_t length = text_.size();
    if (node_->firstChild == nullptr) {
      SkipBlanks(length);
      if (read_ < length && !IsBreak(text_[read_])) sink.Line(inner_);
    }
    while (read_ < length) {
      const std::size_t breakLength = BreakLength(read_, length);
      if (breakLength == 0) {
        CopyLine(length, sink);
        continue;
      }
      read_ += breakLength;
      sink.LineBreak();
      SkipBlanks(length);
      if (read_ == length) {
        sink.Indent(root_ ? inner_ : outer_);
        return;
      }
      sink.Indent(inner_);
    }
    if (!root_) sink.Line(outer_);
  }

  const XmlNode* node_ = nullptr;
  std::u16string_view text_;
  std::size_t read_ = 0;
  std::size_t inner_ = 0;
  std::size_t outer_ = 0;
  Mode mode_ = Mode::kAsIs;
  bool root_ = false;
  bool first_ = true;
  bool afterElement_ = false;
};

}  // namespace rk::xml
