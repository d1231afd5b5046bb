#pragma once
// Which blanks and line breaks the normalisation keeps: one rule, decided unit by unit from
// what the last kept character was. The blank pass applies it to whole trees, the load to
// texts as they arrive, the document to know which texts a pass would keep whole, and
// ReducedText to the texts of a tree being built.

#include "xml/char_classes.h"
#include "xml/xml.h"

namespace rk::xml {

// What the last kept character was, carried through a text in document order. One byte of
// bits, so that the hot loops set it with one move.
struct KeptSoFar {
  static constexpr unsigned char kLineBreak = 1;  // a line break
  static constexpr unsigned char kContent = 2;    // neither blank nor line break, or a tag was passed
  unsigned char bits = 0;

  bool lineBreak() const { return (bits & kLineBreak) != 0; }
  bool content() const { return (bits & kContent) != 0; }
};

// Whether a line break is kept after `last` under the FormatDocument `options`; a kept one
// becomes the last kept character.
inline bool KeepsBreak(int options, KeptSoFar& last) {
  if ((options & FormatCutBreaks) != 0 || ((options & FormatReduceBreaks) != 0 && last.lineBreak())) return false;
  last.bits = KeptSoFar::kLineBreak;
  return true;
}

// Whether a blank is kept after `last`: cutting drops every one, reducing all but one right
// after content.
inline bool KeepsBlank(int options, KeptSoFar& last) {
  if ((options & FormatCutBlanks) != 0 || ((options & FormatReduceBlanks) != 0 && !last.content())) return false;
  last.bits = 0;
  return true;
}

// Any other unit is kept and is content.
inline void KeepsContent(KeptSoFar& last) { last.bits = KeptSoFar::kContent; }

// A tag was passed: a blank after it is kept, a line break right before it still counts.
inline void PassesTag(KeptSoFar& last) { last.bits |= KeptSoFar::kContent; }

}  // namespace rk::xml
