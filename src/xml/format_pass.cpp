// The blank and line-break pass of FormatDocument.

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "xml/blank_rule.h"
#include "xml/format_steps.h"

namespace rk::xml {
namespace {

// A node whose text is being rewritten while its children are visited.
struct PassFrame {
  XmlNode* node;
  XmlNode* nextChild;
  std::size_t read;   // next character of the old text
  std::size_t write;  // end of the rewritten text; never beyond `read`
  int options;
  bool hasText;
};

// Rewrites text[read, end) in place from `write` on after the blank rule; returns the number
// of characters kept.
std::size_t ProcessSegment(char16_t* text, std::size_t& read, std::size_t end, std::size_t& write,
                           int options, KeptSoFar& last) {
  std::size_t start = write;
  while (read < end) {
    char16_t unit = text[read];
    if (IsAboveBlanks(unit)) {
      // A run of content characters, most of every text, is kept as it is; nothing moves
      // while nothing before it was removed.
      std::size_t runEnd = read + 1;
      while (runEnd < end && IsAboveBlanks(text[runEnd])) ++runEnd;
      if (write != read) std::memmove(text + write, text + read, (runEnd - read) * sizeof(char16_t));
      write += runEnd - read;
      read = runEnd;
      KeepsContent(last);
      continue;
    }
    if (IsBreak(unit)) {
      std::size_t length = unit == u'\r' && read + 1 < end && text[read + 1] == u'\n' ? 2 : 1;
      if (KeepsBreak(options, last)) {
        if ((options & FormatLf) != 0) {
          text[write++] = u'\n';
        } else if ((options & FormatCr) != 0) {
          text[write++] = u'\r';
        } else {
          for (std::size_t i = 0; i < length; ++i) text[write++] = text[read + i];
        }
      }
      read += length;
    } else if (IsBlank(unit)) {
      if (KeepsBlank(options, last)) text[write++] = unit;
      ++read;
    } else {
      text[write++] = unit;
      ++read;
      KeepsContent(last);
    }
  }
  return write - start;
}

int OptionsFor(const XmlNode* node, int inherited) {
  if (node->kind == kNodeCData || node->kind == kNodeInstruction) {
    return inherited & ~(FormatCutBreaks | FormatReduceBreaks | FormatCutBlanks | FormatReduceBlanks);
  }
  if (node->kind == kNodeDtd) return inherited & ~(FormatCutBreaks | FormatCutBlanks);
  return inherited;
}

// Closes the gap between the rewritten and the unread part of every open text, so the tree
// stays whole when the walk has to stop early.
void CloseOpenTexts(std::vector<PassFrame>& frames) {
  for (PassFrame& frame : frames) {
    if (!frame.hasText) continue;
    XmlNode* node = frame.node;
    std::size_t rest = node->textLength - frame.read;
    if (rest > 0 && frame.write != frame.read) {
      std::memmove(node->text + frame.write, node->text + frame.read, rest * sizeof(char16_t));
    }
    // The pass only ever shortens a text, so its length still fits.
    node->textLength = static_cast<std::uint32_t>(frame.write + rest);
  }
}

}  // namespace

bool RunBlankPass(Document& document, int options) {
  KeptSoFar last;
  std::vector<PassFrame> frames;
  auto enter = [&](XmlNode* node, int inherited) {
    bool hasText = node->textLength > 0;
    if (hasText && node->kind != kNodeRoot) KeepsContent(last);  // the start tag
    frames.push_back(PassFrame{node, node->firstChild, 0, 0, OptionsFor(node, inherited), hasText});
  };
  try {
    enter(document.root, options);
    while (!frames.empty()) {
      PassFrame& frame = frames.back();
      XmlNode* node = frame.node;
      if (frame.nextChild != nullptr) {
        XmlNode* child = frame.nextChild;
        frame.nextChild = child->nextSibling;
        if (frame.hasText) {
          std::size_t end = frame.read + std::min<std::size_t>(child->position, node->textLength - frame.read);
          child->position = static_cast<std::uint32_t>(
              ProcessSegment(node->text, frame.read, end, frame.write, frame.options, last));
        } else {
          child->position = 0;
        }
        enter(child, frame.options);
        continue;
      }
      if (frame.hasText) {
        ProcessSegment(node->text, frame.read, node->textLength, frame.write, frame.options, last);
        node->textLength = static_cast<std::uint32_t>(frame.write);
      }
      frames.pop_back();
      if (!frames.empty() && frames.back().hasText) PassesTag(last);
    }
  } catch (const std::bad_alloc&) {
    // Out of memory for the walk: what was rewritten stays, the rest keeps its old text.
    CloseOpenTexts(frames);
    return false;
  }
  return true;
}

}  // namespace rk::xml
