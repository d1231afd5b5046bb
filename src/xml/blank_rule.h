#pragma once
// Which blanks and line breaks the normalisation keeps: one rule, decided unit by unit from
// what the last kept character was. The blank pass applies it to whole trees, the load to
// texts as they arrive, the document to know which texts a pass would keep whole, and
// ReducedText to the texts of a tree being built.

#include "xml/char_classes.h"
#include "xml/xml.h"

namespace rk::xml {

// What the last kept character was, carried through a text in document order.
struct KeptSoFar {
  bool lineBreak = false;  // a line break
  bool content = false;    // neither blank nor line break, or a tag was passed
};

// Whether a line break is kept after `last` under the FormatDocument `options`; a kept one
// becomes the last kept character.
inline bool KeepsBreak(int options, KeptSoFar& last) {
  if ((options & FormatCutBreaks) != 0 || ((options & FormatReduceBreaks) != 0 && last.lineBreak)) return false;
  last = KeptSoFar{true, false};
  return true;
}

// Whether a blank is kept after `last`: cutting drops every one, reducing all but one right
// after content.
inline bool KeepsBlank(int options, KeptSoFar& last) {
  if ((options & FormatCutBlanks) != 0 || ((options & FormatReduceBlanks) != 0 && !last.content)) return false;
  last = KeptSoFar{false, false};
  return true;
}

// Any other unit is kept and is content.
inline void KeepsContent(KeptSoFar& last) { last = KeptSoFar{false, true}; }

}  // namespace rk::xml
