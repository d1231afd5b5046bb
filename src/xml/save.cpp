// SaveDocument: writes the tree as XML text as the new content of the target, which takes the
// target's place only when everything was written.

#include <cassert>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "services/file_replace.h"
#include "services/text.h"
#include "xml/document.h"
#include "xml/format_steps.h"
#include "xml/load_save.h"
#include "xml/node_layout.h"
#include "xml/unit_blocks.h"
#include "xml/writer.h"

namespace rk::xml {
namespace {

void PutDeclaration(OutputWriter& out, const Document& document, int encoding) {
  switch (encoding) {
    case EncodingUtf16:
      out.PutMarkup("<?xml version=\"1.0\" encoding=\"UTF-16\"");
      break;
    case EncodingUtf8:
      out.PutMarkup("<?xml version=\"1.0\" encoding=\"UTF-8\"");
      break;
    default:
      out.PutMarkup("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"");
      break;
  }
  if (document.standalone == 0) out.PutMarkup(" standalone=\"no\"");
  if (document.standalone == 1) out.PutMarkup(" standalone=\"yes\"");
  out.PutMarkup("?>");
}

// How the tree is laid out while it is written: as it is, or re-indented.
struct Layout {
  bool reindent = false;
  int options = 0;  // FormatDocument options of the re-indentation
  std::size_t step = 0;
  std::size_t lineBreakSize = 0;
  // The line break followed by kMaxIndent blanks, so that a line and its indentation are one
  // piece of markup; padded for OutputWriter::PutPadded.
  char lines[2 + kMaxIndent + OutputWriter::kPadding] = {};
};
// The longest piece is a CR LF and kMaxIndent blanks; PutPadded reads up to kPadding - 1
// bytes past it.
static_assert(sizeof Layout::lines >= 2 + kMaxIndent + OutputWriter::kPadding - 1);

using Encoder = OutputWriter::Encoder;

// The sink of NodeLayout that writes to the file: characters of a text encoded and escaped
// in `kMode`, line breaks and indentation as markup.
template <Encoder kEncoder, Escape kMode>
class WriterSink {
 public:
  WriterSink(OutputWriter& out, const Layout& plan) : out_(out), plan_(plan) {}

  void Text(std::u16string_view text) { out_.PutIn<kEncoder, kMode>(text); }
  void LineBreak() { out_.PutPadded(plan_.lines, plan_.lineBreakSize); }
  void Indent(std::size_t columns) {
    assert(columns <= kMaxIndent);
    out_.PutPadded(plan_.lines + plan_.lineBreakSize, columns);
  }
  void Line(std::size_t columns) {
    assert(columns <= kMaxIndent);
    out_.PutPadded(plan_.lines, plan_.lineBreakSize + columns);
  }

 private:
  OutputWriter& out_;
  const Layout& plan_;
};

template <class Sink>
void BeginLayout(NodeLayout<Sink>& layout, const XmlNode* node, std::size_t depth, const Layout& plan) {
  if (plan.reindent) {
    layout.Begin(node, depth, plan.step, plan.options);
  } else {
    layout.BeginAsIs(node);
  }
}

// Writes the whole text of a node that is written in one piece (comment, CDATA section, DTD,
// instruction), its children's places included.
template <Encoder kEncoder>
void PutWholeText(OutputWriter& out, const XmlNode* node, std::size_t depth, const Layout& plan) {
  WriterSink<kEncoder, Escape::kRaw> sink(out, plan);
  NodeLayout<WriterSink<kEncoder, Escape::kRaw>> layout;
  BeginLayout(layout, node, depth, plan);
  for (const XmlNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    layout.Before(child, sink);
  }
  layout.Tail(sink);
}

// Writes the start tag of an element up to its closing bracket. Inline: it is most of the
// work for the leaves of a book.
template <Encoder kEncoder>
[[gnu::always_inline]] inline void PutStartTag(OutputWriter& out, const XmlNode* node) {
  out.PutName(NameOf(node), NameForm::kOpen);
  if (node->attributes == nullptr) return;
  const Attribute* attribute = EntriesOf(node->attributes);
  for (const Attribute* end = attribute + node->attributes->count; attribute != end; ++attribute) {
    out.PutName(NameText(attribute->name), NameForm::kAttribute);
    out.PutIn<kEncoder, Escape::kAttribute>({attribute->value, attribute->valueLength});
    out.PutMarkup("\"");
  }
}

// True when `node` is written whole, start tag, text and end tag, by PutLeaf: an element
// without children whose text the layout keeps as it is (re-indentation keeps a text without
// line breaks).
inline bool IsPlainLeaf(const XmlNode* node, const Layout& plan) {
  if (node->kind != kNodeElement || node->firstChild != nullptr) return false;
  if (!plan.reindent) return true;
  return !HasLineBreak(TextOf(node));
}

// Writes a plain leaf (IsPlainLeaf) whole, as the general path would.
template <Encoder kEncoder>
void PutLeaf(OutputWriter& out, const XmlNode* node) {
  PutStartTag<kEncoder>(out, node);
  if (node->textLength == 0) {
    out.PutMarkup("/>");
    return;
  }
  out.PutMarkup(">");
  out.PutIn<kEncoder, Escape::kText>(TextOf(node));
  out.PutName(NameOf(node), NameForm::kClose);
}

// Writes a child at `depth` completely, or its start tag when its content follows (true).
template <Encoder kEncoder>
bool PutNodeStart(OutputWriter& out, const XmlNode* node, std::size_t depth, const Layout& plan) {
  switch (node->kind) {
    case kNodeElement:
      PutStartTag<kEncoder>(out, node);
      if (node->firstChild == nullptr && node->textLength == 0) {
        out.PutMarkup("/>");
        return false;
      }
      out.PutMarkup(">");
      return true;
    case kNodeComment:
      out.PutMarkup("<!--");
      PutWholeText<kEncoder>(out, node, depth, plan);
      out.PutMarkup("-->");
      return false;
    case kNodeCData:
      out.PutMarkup("<![CDATA[");
      PutWholeText<kEncoder>(out, node, depth, plan);
      out.PutMarkup("]]>");
      return false;
    case kNodeDtd:
      // The declaration text holds the whole internal subset; its child nodes are not written.
      PutWholeText<kEncoder>(out, node, depth, plan);
      return false;
    case kNodeInstruction:
      out.PutMarkup("<?");
      out.PutIn<kEncoder, Escape::kRaw>(NameOf(node));
      out.PutMarkup(" ");
      PutWholeText<kEncoder>(out, node, depth, plan);
      out.PutMarkup("?>");
      return false;
    default:
      return false;
  }
}

// An element (or the root) whose text and children are being written.
template <Encoder kEncoder>
struct SaveFrame {
  const XmlNode* node;
  const XmlNode* nextChild;
  NodeLayout<WriterSink<kEncoder, Escape::kText>> layout;
};

// Writes the tree below the root: each piece of text before its child, the tail after the
// last child. An explicit stack keeps any nesting depth off the call stack. The encoder is a
// parameter, so that no piece of text asks for it again.
template <Encoder kEncoder>
void PutTree(OutputWriter& out, const XmlNode* root, const Layout& plan) {
  WriterSink<kEncoder, Escape::kText> text(out, plan);
  std::vector<SaveFrame<kEncoder>> frames;
  frames.push_back(SaveFrame<kEncoder>{root, root->firstChild, {}});
  BeginLayout(frames.back().layout, root, 0, plan);
  while (!frames.empty() && !out.failed()) {
    SaveFrame<kEncoder>& frame = frames.back();
    if (frame.nextChild != nullptr) {
      const XmlNode* child = frame.nextChild;
      frame.nextChild = child->nextSibling;
      frame.layout.Before(child, text);
      // Most elements of a book are leaves with a short text: written whole, without a frame.
      if (IsPlainLeaf(child, plan)) {
        PutLeaf<kEncoder>(out, child);
        continue;
      }
      const std::size_t depth = frames.size();
      if (PutNodeStart<kEncoder>(out, child, depth, plan)) {
        frames.push_back(SaveFrame<kEncoder>{child, child->firstChild, {}});
        BeginLayout(frames.back().layout, child, depth, plan);
      }
      continue;
    }
    frame.layout.Tail(text);
    if (frame.node->kind == kNodeElement) out.PutName(NameOf(frame.node), NameForm::kClose);
    frames.pop_back();
  }
}

void PutTreeIn(OutputWriter& out, const XmlNode* root, const Layout& plan) {
  switch (out.encoder()) {
    case Encoder::kUtf16:
      return PutTree<Encoder::kUtf16>(out, root, plan);
    case Encoder::kUtf8:
      return PutTree<Encoder::kUtf8>(out, root, plan);
    case Encoder::kLatin1:
      return PutTree<Encoder::kLatin1>(out, root, plan);
  }
}

// Writes `document` in `encoding`, laid out after `plan`, to `path` through a temporary file.
int WriteDocument(const Document& document, std::u16string_view path, int encoding, int options,
                  const Layout& plan) {
  if (path.empty()) return 0;
  FileReplacement file;
  if (!file.Begin(ToOsPath(path))) return 0;
  OutputWriter out(file, encoding);
  if ((options & SaveWithBom) != 0) {
    if (encoding == EncodingUtf16) out.PutBytes("\xFF\xFE");
    if (encoding == EncodingUtf8) out.PutBytes("\xEF\xBB\xBF");
  }
  if ((options & SaveNoDeclaration) == 0) PutDeclaration(out, document, encoding);
  try {
    PutTreeIn(out, document.root, plan);
  } catch (const std::bad_alloc&) {
    return 0;
  }
  return out.Flush() && file.Commit() ? 1 : 0;
}

std::string_view AsciiLineBreak(int style) {
  switch (style) {
    case kLineBreakLf:
      return "\n";
    case kLineBreakCr:
      return "\r";
    case kLineBreakCrLf:
      return "\r\n";
    default:
      return {};
  }
}

// SaveFormatted re-indents, and re-indenting reduces breaks and blanks first.
int WithReindent(int options) { return options | FormatReindent | FormatReduceBreaks | FormatReduceBlanks; }

}  // namespace

int SaveDocument(int number, std::u16string_view path, int options) {
  const Document* document = FindDocument(number);
  return document == nullptr ? 0 : WriteDocument(*document, path, document->encoding, options, Layout{});
}

int SaveInEncoding(int number, std::u16string_view path, int encoding, int options) {
  const Document* document = FindDocument(number);
  return document == nullptr ? 0 : WriteDocument(*document, path, encoding, options, Layout{});
}

bool SaveFormattedKeepsTree(int number, int options) {
  const Document* document = FindDocument(number);
  return document != nullptr && FormatPassChangesNothing(*document, WithReindent(options));
}

namespace {

// Writes `document` re-indented after `options` (WithReindent applied) and `indentStep`, as it
// is: the blank pass, if it had anything to do, has run.
int WriteFormatted(const Document& document, std::u16string_view path, int options, int indentStep) {
  Layout plan;
  plan.reindent = true;
  plan.options = options;
  plan.step = indentStep > 0 ? static_cast<std::size_t>(indentStep) : 0;
  const std::string_view lineBreak = AsciiLineBreak(LineBreakStyleAfter(document, options));
  lineBreak.copy(plan.lines, lineBreak.size());
  std::memset(plan.lines + lineBreak.size(), ' ', sizeof plan.lines - lineBreak.size());
  plan.lineBreakSize = lineBreak.size();
  return WriteDocument(document, path, document.encoding, 0, plan);
}

}  // namespace

int SaveFormatted(int number, std::u16string_view path, int options, int indentStep) {
  Document* document = FindDocument(number);
  if (document == nullptr) return 0;
  options = WithReindent(options);
  RunFormatPass(*document, options);
  return WriteFormatted(*document, path, options, indentStep);
}

int SaveFormatted(ReadOnlyDocument readOnly, std::u16string_view path, int options, int indentStep) {
  const Document* document = FindDocument(readOnly.number);
  options = WithReindent(options);
  if (document == nullptr || !FormatPassChangesNothing(*document, options)) return 0;
  return WriteFormatted(*document, path, options, indentStep);
}

}  // namespace rk::xml
