// FormatDocument: the blank and line-break pass, the line-break style, re-indentation.

#include "xml/format_steps.h"

namespace rk::xml {

namespace {

constexpr int kPassOptions =
    FormatLf | FormatCr | FormatCutBreaks | FormatReduceBreaks | FormatCutBlanks | FormatReduceBlanks;
constexpr int kReduce = FormatReduceBreaks | FormatReduceBlanks;
constexpr int kSettling = FormatCutBreaks | kReduce;

}  // namespace

bool FormatPassChangesNothing(const Document& document, int options) {
  const int passOptions = options & kPassOptions;
  // Re-indenting right after the load's normalisation would run a pass that changes nothing:
  // the normalised texts have no line breaks to reduce outside DTD, CDATA and instruction
  // texts (whose reductions that pass already applied), and every blank left follows content.
  // The normalisation itself changes nothing the second time, for the same reasons.
  if (passOptions == 0 || (document.textsSettled && (passOptions == kReduce || passOptions == kSettling))) return true;
  // Texts without line breaks or blanks that a reduction would drop are kept whole by any
  // pass that does not cut blanks.
  return document.textsReduced && (passOptions & FormatCutBlanks) == 0;
}

void RunFormatPass(Document& document, int options) {
  if (FormatPassChangesNothing(document, options)) return;
  document.textsReduced = false;
  const bool complete = RunBlankPass(document, options);
  document.textsSettled = complete && (options & kPassOptions) == kSettling;
}

int LineBreakStyleAfter(const Document& document, int options) {
  if ((options & FormatCrLf) != 0) return kLineBreakCrLf;
  if ((options & FormatLf) != 0) return kLineBreakLf;
  if ((options & FormatCr) != 0) return kLineBreakCr;
  return document.lineBreakStyle == kLineBreakUnknown ? kLineBreakCrLf : document.lineBreakStyle;
}

void FormatDocument(int number, int options, int indentStep) {
  Document* document = FindDocument(number);
  if (document == nullptr) return;
  if ((options & FormatReindent) != 0) options |= FormatReduceBreaks | FormatReduceBlanks;
  RunFormatPass(*document, options);
  document->lineBreakStyle = LineBreakStyleAfter(*document, options);
  if ((options & (FormatReindent | FormatCrLf)) != 0) document->textsReduced = false;
  if ((options & FormatReindent) != 0) {
    Reindent(*document, options, indentStep);
  } else if ((options & FormatCrLf) != 0) {
    ConvertBreaksToCrLf(*document);
  }
}

}  // namespace rk::xml
