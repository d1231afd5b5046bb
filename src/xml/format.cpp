// FormatDocument: the blank and line-break pass, the line-break style, re-indentation.

#include "xml/format_steps.h"

namespace rk::xml {

void FormatDocument(int number, int options, int indentStep) {
  Document* document = FindDocument(number);
  if (document == nullptr) return;
  if ((options & FormatReindent) != 0) options |= FormatReduceBreaks | FormatReduceBlanks;
  constexpr int kPassOptions =
      FormatLf | FormatCr | FormatCutBreaks | FormatReduceBreaks | FormatCutBlanks | FormatReduceBlanks;
  if ((options & kPassOptions) != 0) RunBlankPass(*document, options);
  if ((options & FormatCrLf) != 0) {
    document->lineBreakStyle = kLineBreakCrLf;
  } else if ((options & FormatLf) != 0) {
    document->lineBreakStyle = kLineBreakLf;
  } else if ((options & FormatCr) != 0) {
    document->lineBreakStyle = kLineBreakCr;
  } else if (document->lineBreakStyle == kLineBreakUnknown) {
    document->lineBreakStyle = kLineBreakCrLf;
  }
  if ((options & FormatReindent) != 0) {
    Reindent(*document, options, indentStep);
  } else if ((options & FormatCrLf) != 0) {
    ConvertBreaksToCrLf(*document);
  }
}

}  // namespace rk::xml
