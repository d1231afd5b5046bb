#pragma once
// The steps of FormatDocument, each one walk over the tree without recursion.

#include "xml/char_classes.h"
#include "xml/document.h"

namespace rk::xml {

// The blank and line-break pass of FormatDocument with `options` (RunBlankPass), left out
// when it could change nothing; a completed pass with FormatCutBreaks, FormatReduceBreaks and
// FormatReduceBlanks marks the texts settled.
void RunFormatPass(Document& document, int options);

// True when RunFormatPass with `options` would change nothing.
bool FormatPassChangesNothing(const Document& document, int options);

// The line-break style FormatDocument with `options` gives the document.
int LineBreakStyleAfter(const Document& document, int options);

// Removes or rewrites line breaks and blanks of every text after the option bits 2 to 64,
// in place, and sets the children's positions to what was kept of their segments; false
// when memory ran out and part of the tree kept its old texts.
[[nodiscard]] bool RunBlankPass(Document& document, int options);

// Rebuilds the texts of the tree with line breaks in the document's style and `step` spaces
// per level; no level is indented beyond 256 columns.
void Reindent(Document& document, int options, int step);

// Writes every line break of every text as CR LF, adjusting the children's positions.
void ConvertBreaksToCrLf(Document& document);

}  // namespace rk::xml
