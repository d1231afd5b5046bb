// SaveDocument: writes the tree as XML text as the new content of the target, which takes the
// target's place only when everything was written.

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
  std::string_view lineBreak;
};

// The sink of NodeLayout that writes to the file: characters of a text encoded and escaped
// in the given mode, line breaks and indentation as markup.
class WriterSink {
 public:
  WriterSink(OutputWriter& out, Escape mode, std::string_view lineBreak)
      : out_(out), mode_(mode), lineBreak_(lineBreak) {}

  void Text(std::u16string_view text) { out_.Put(text, mode_); }
  void LineBreak() { out_.PutMarkup(lineBreak_); }
  void Indent(std::size_t columns) {
    static constexpr char kBlanks[kMaxIndent + 1] =
        "                                                                                "
        "                                                                                "
        "                                                                                "
        "                ";
    static_assert(kBlanks[kMaxIndent - 1] == ' ' && kBlanks[kMaxIndent] == '\0');
    out_.PutMarkup(std::string_view(kBlanks, columns));
  }

 private:
  OutputWriter& out_;
  Escape mode_;
  std::string_view lineBreak_;
};

using WriterLayout = NodeLayout<WriterSink>;

void BeginLayout(WriterLayout& layout, const XmlNode* node, std::size_t depth, const Layout& plan) {
  if (plan.reindent) {
    layout.Begin(node, depth, plan.step, plan.options);
  } else {
    layout.BeginAsIs(node);
  }
}

// Writes the whole text of a node that is written in one piece (comment, CDATA section, DTD,
// instruction), its children's places included.
void PutWholeText(OutputWriter& out, const XmlNode* node, std::size_t depth, const Layout& plan) {
  WriterSink sink(out, Escape::kRaw, plan.lineBreak);
  WriterLayout layout;
  BeginLayout(layout, node, depth, plan);
  for (const XmlNode* child = node->firstChild; child != nullptr; child = child->nextSibling) {
    layout.Before(child, sink);
  }
  layout.Tail(sink);
}

// Writes a child at `depth` completely, or its start tag when its content follows (true).
bool PutNodeStart(OutputWriter& out, const XmlNode* node, std::size_t depth, const Layout& plan) {
  switch (node->kind) {
    case kNodeElement: {
      out.PutMarkup("<");
      out.PutName(NameOf(node));
      const std::uint32_t attributeCount = AttributeCountOf(node);
      for (std::uint32_t i = 0; i < attributeCount; ++i) {
        const Attribute& attribute = EntriesOf(node->attributes)[i];
        out.PutMarkup(" ");
        out.PutName(NameText(attribute.name));
        out.PutMarkup("=\"");
        if (attribute.valueLength > 0) out.Put({attribute.value, attribute.valueLength}, Escape::kAttribute);
        out.PutMarkup("\"");
      }
      if (node->firstChild == nullptr && node->textLength == 0) {
        out.PutMarkup("/>");
        return false;
      }
      out.PutMarkup(">");
      return true;
    }
    case kNodeComment:
      out.PutMarkup("<!--");
      PutWholeText(out, node, depth, plan);
      out.PutMarkup("-->");
      return false;
    case kNodeCData:
      out.PutMarkup("<![CDATA[");
      PutWholeText(out, node, depth, plan);
      out.PutMarkup("]]>");
      return false;
    case kNodeDtd:
      // The declaration text holds the whole internal subset; its child nodes are not written.
      PutWholeText(out, node, depth, plan);
      return false;
    case kNodeInstruction:
      out.PutMarkup("<?");
      out.Put(NameOf(node), Escape::kRaw);
      out.PutMarkup(" ");
      PutWholeText(out, node, depth, plan);
      out.PutMarkup("?>");
      return false;
    default:
      return false;
  }
}

// An element (or the root) whose text and children are being written.
struct SaveFrame {
  const XmlNode* node;
  const XmlNode* nextChild;
  WriterLayout layout;
};

// Writes the tree below the root: each piece of text before its child, the tail after the
// last child. An explicit stack keeps any nesting depth off the call stack.
void PutTree(OutputWriter& out, const XmlNode* root, const Layout& plan) {
  WriterSink text(out, Escape::kText, plan.lineBreak);
  std::vector<SaveFrame> frames;
  frames.push_back(SaveFrame{root, root->firstChild, {}});
  BeginLayout(frames.back().layout, root, 0, plan);
  while (!frames.empty() && !out.failed()) {
    SaveFrame& frame = frames.back();
    if (frame.nextChild != nullptr) {
      const XmlNode* child = frame.nextChild;
      frame.nextChild = child->nextSibling;
      frame.layout.Before(child, text);
      const std::size_t depth = frames.size();
      if (PutNodeStart(out, child, depth, plan)) {
        frames.push_back(SaveFrame{child, child->firstChild, {}});
        BeginLayout(frames.back().layout, child, depth, plan);
      }
      continue;
    }
    frame.layout.Tail(text);
    if (frame.node->kind == kNodeElement) {
      out.PutMarkup("</");
      out.PutName(NameOf(frame.node));
      out.PutMarkup(">");
    }
    frames.pop_back();
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
    PutTree(out, document.root, plan);
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

int SaveFormatted(int number, std::u16string_view path, int options, int indentStep) {
  Document* document = FindDocument(number);
  if (document == nullptr) return 0;
  options = WithReindent(options);
  RunFormatPass(*document, options);
  Layout plan;
  plan.reindent = true;
  plan.options = options;
  plan.step = indentStep > 0 ? static_cast<std::size_t>(indentStep) : 0;
  plan.lineBreak = AsciiLineBreak(LineBreakStyleAfter(*document, options));
  return WriteDocument(*document, path, document->encoding, 0, plan);
}

}  // namespace rk::xml
