// The blank and line-break pass of FormatDocument.

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "xml/format_steps.h"

namespace rk::xml {
namespace {

// What the last kept character was, carried through the whole tree in document order.
struct PassFlags {
  bool lineBreak = false;  // a line break
  bool content = false;    // neither blank nor line break, or a tag was passed
};

// A node whose text is being rewritten while its children are visited.
struct PassFrame {
  XmlNode* node;
  XmlNode* nextChild;
  std::size_t read;   // next character of the old text
  std::size_t write;  // end of the rewritten text; never beyond `read`
  int options;
  bool hasText;
};

// Rewrites text[read, end) in place from `write` on; returns the number of characters kept.
std::size_t ProcessSegment(char16_t* text, std::size_t& read, std::size_t end, std::size_t& write,
                           int options, PassFlags& flags) {
  std::size_t start = write;
  while (read < end) {
    char16_t unit = text[read];
    if (unit > u' ') {
      // A run of content characters, most of every text, is kept as it is; nothing moves
      // while nothing before it was removed.
      std::size_t runEnd = read + 1;
      while (runEnd < end && text[runEnd] > u' ') ++runEnd;
      if (write != read) std::memmove(text + write, text + read, (runEnd - read) * sizeof(char16_t));
      write += runEnd - read;
      read = runEnd;
      flags.lineBreak = false;
      flags.content = true;
      continue;
    }
    if (IsBreak(unit)) {
      std::size_t length = unit == u'\r' && read + 1 < end && text[read + 1] == u'\n' ? 2 : 1;
      bool remove = (options & FormatCutBreaks) != 0 ||
                    ((options & FormatReduceBreaks) != 0 && flags.lineBreak);
      if (!remove) {
        if ((options & FormatLf) != 0) {
          text[write++] = u'\n';
        } else if ((options & FormatCr) != 0) {
          text[write++] = u'\r';
        } else {
          for (std::size_t i = 0; i < length; ++i) text[write++] = text[read + i];
        }
        flags.lineBreak = true;
        flags.content = false;
      }
      read += length;
    } else if (IsBlank(unit)) {
      bool remove = (options & FormatCutBlanks) != 0 ||
                    ((options & FormatReduceBlanks) != 0 && !flags.content);
      if (!remove) {
        text[write++] = unit;
        flags.lineBreak = false;
        flags.content = false;
      }
      ++read;
    } else {
      text[write++] = unit;
      ++read;
      flags.lineBreak = false;
      flags.content = true;
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
  PassFlags flags;
  std::vector<PassFrame> frames;
  auto enter = [&](XmlNode* node, int inherited) {
    bool hasText = node->textLength > 0;
    if (hasText && node->kind != kNodeRoot) {
      flags.content = true;
      flags.lineBreak = false;
    }
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
              ProcessSegment(node->text, frame.read, end, frame.write, frame.options, flags));
        } else {
          child->position = 0;
        }
        enter(child, frame.options);
        continue;
      }
      if (frame.hasText) {
        ProcessSegment(node->text, frame.read, node->textLength, frame.write, frame.options, flags);
        node->textLength = static_cast<std::uint32_t>(frame.write);
      }
      frames.pop_back();
      if (!frames.empty() && frames.back().hasText) flags.content = true;
    }
  } catch (const std::bad_alloc&) {
    // Out of memory for the walk: what was rewritten stays, the rest keeps its old text.
    CloseOpenTexts(frames);
    return false;
  }
  return true;
}

}  // namespace rk::xml
