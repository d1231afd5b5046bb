#pragma once
// XML documents in memory: a table of documents addressed by number, each a tree of nodes
// parsed from a file with Expat or built element by element, formatted and written back.
// All texts are UTF-16. Texts handed out are copies (the *View accessors excepted); texts
// handed in are copied. A number that holds no document makes every operation return 0,
// none or the empty text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace rk::xml {

// A node of a document; owned by its document and valid until the document is freed.
struct XmlNode;

// Node kinds.
inline constexpr int kNodeRoot = 0;
inline constexpr int kNodeElement = 1;
inline constexpr int kNodeComment = 2;
inline constexpr int kNodeCData = 3;
inline constexpr int kNodeDtd = 4;
inline constexpr int kNodeInstruction = 5;

// Encoding codes (-1 on load: decided by the file).
inline constexpr int kEncodingAuto = -1;
inline constexpr int EncodingUtf8 = 2;
inline constexpr int EncodingLatin1 = 24;
inline constexpr int EncodingUtf16 = 25;

// Line-break styles.
inline constexpr int kLineBreakUnknown = 0;
inline constexpr int kLineBreakCrLf = 1;
inline constexpr int kLineBreakLf = 2;
inline constexpr int kLineBreakCr = 4;

// FormatDocument option bits.
inline constexpr int FormatCrLf = 1;
inline constexpr int FormatLf = 2;
inline constexpr int FormatCr = 4;
inline constexpr int FormatCutBreaks = 8;
inline constexpr int FormatReduceBreaks = 16;
inline constexpr int FormatCutBlanks = 32;
inline constexpr int FormatReduceBlanks = 64;
inline constexpr int FormatReindent = 128;

// SaveDocument option bits.
inline constexpr int SaveWithBom = 1;
inline constexpr int SaveNoDeclaration = 2;

// --- Documents --------------------------------------------------------------------------

// Makes an empty document (root node only) under `number`, freeing what was there; nonzero on success.
[[nodiscard]] int CreateDocument(int number, int encoding);

// Frees the document under `number`; -1 frees every document.
void FreeDocument(int number);

// The root node (kind 0), or nullptr.
XmlNode* RootNode(int number);

// The first element directly below the root, or nullptr.
XmlNode* MainNode(int number);

// Encoding code, standalone (-1, 0, 1) and line-break style of a document; 0 without one.
int DocumentEncoding(int number);
int DocumentStandalone(int number);
int LineBreakStyle(int number);

// --- Nodes ------------------------------------------------------------------------------

// A name interned in one document. Elements and attributes made with it skip looking the
// name up, so a tree built from thousands of equal names looks each one up once. Valid for
// the nodes of that document while it lives; `interned` is nullptr when it could not be made.
struct InternedName;
struct XmlName {
  const InternedName* interned = nullptr;
};

// `name` interned in the document under `number`.
[[nodiscard]] XmlName InternName(int number, std::u16string_view name);

// Adds an element as the last child of `parent`; nullptr when refused (see below).
// Refused below the root of a document that already has a main node, and below nodes
// that cannot have element children (comment, CDATA section, DTD, instruction).
XmlNode* AppendElement(XmlNode* parent, std::u16string_view name);
XmlNode* AppendElement(XmlNode* parent, XmlName name);

// Sets or replaces an attribute of an element; false (nothing changed) for other kinds, when
// memory ran out or the value is too long to keep.
bool SetAttribute(XmlNode* node, std::u16string_view name, std::u16string_view value);
bool SetAttribute(XmlNode* node, XmlName name, std::u16string_view value);

// Replaces the whole text of a node; false (the old text kept) when memory ran out or the text
// is too long to keep.
bool SetNodeText(XmlNode* node, std::u16string_view text);

// SetNodeText of an element just made, with `text` as SaveFormatted's blank pass would leave it:
// of each run of blanks only the first stays (made in `scratch`). A text with a line break is
// stored as it is, as what the pass keeps of it depends on the texts before it. A tree built
// from such texts is written without that pass.
bool SetReducedText(XmlNode* node, std::u16string_view text, std::u16string& scratch);

int NodeKind(const XmlNode* node);
std::u16string NodeName(const XmlNode* node);
std::u16string NodeText(const XmlNode* node);

// The name and the whole text without copying; valid until the node is changed or freed.
std::u16string_view NodeNameView(const XmlNode* node);
std::u16string_view NodeTextView(const XmlNode* node);

XmlNode* FirstChild(const XmlNode* node);
XmlNode* NextSibling(const XmlNode* node);
XmlNode* ParentNode(const XmlNode* node);

// Characters of the parent's text between the previous sibling (or the text's start) and this node.
std::int64_t NodePosition(const XmlNode* node);

// Attribute walk with the cursor kept in the node: Begin, then Next until false.
bool BeginAttributes(XmlNode* node);
bool NextAttribute(XmlNode* node);
std::u16string AttributeName(const XmlNode* node);
std::u16string AttributeValue(const XmlNode* node);
std::u16string_view AttributeNameView(const XmlNode* node);
std::u16string_view AttributeValueView(const XmlNode* node);

// What a walk over every node of a book reads of one node, in one call: kind, name, whole
// text and number of attributes (texts valid until the node is changed or freed). All empty
// for nullptr.
struct NodeFields {
  int kind = 0;
  std::u16string_view name;
  std::u16string_view text;
  std::size_t attributeCount = 0;
};
NodeFields ReadNode(const XmlNode* node);

// Name and value of the attribute at `index` (below NodeFields::attributeCount) of an element,
// without moving its attribute cursor; both empty for an index out of range.
struct AttributeFields {
  std::u16string_view name;
  std::u16string_view value;
};
AttributeFields ReadAttribute(const XmlNode* node, std::size_t index);

// --- Parsing ----------------------------------------------------------------------------

// Parses a file into a document under `number`; nonzero when a document was made, also after
// a parse error (the partial tree is kept). 0 for an empty path, an unreadable or empty file.
// With `normalise` = FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks the texts are
// stored as FormatDocument with those options would leave them, and that call is then free;
// any other value stores them as read.
[[nodiscard]] int LoadDocument(int number, std::u16string_view path, int encoding = kEncodingAuto,
                               int normalise = 0);

// Elements, attributes and characters (element texts and attribute values) the last load of
// `number` stored; formatting only shortens texts, so a walk of the tree meets no more.
struct LoadedSize {
  std::size_t elements = 0;
  std::size_t attributes = 0;
  std::size_t characters = 0;
};
LoadedSize LoadedTreeSize(int number);

// 0 when the last load parsed the whole file, else the parser's error code.
int DocumentStatus(int number);
// The status of a load that ran out of memory.
inline constexpr int kStatusOutOfMemory = 1;
int ErrorLine(int number);
int ErrorColumn(int number);
std::u16string ErrorMessage(int number);

// --- Formatting and output ----------------------------------------------------------------

// Normalises line breaks and blanks of every text and, with FormatReindent, re-indents.
void FormatDocument(int number, int options, int indentStep = 2);

// Writes the document as XML text in its encoding; nonzero when every write succeeded.
// An existing file at `path` is replaced only after the whole new content was written.
[[nodiscard]] int SaveDocument(int number, std::u16string_view path, int options = 0);

// Writes the document as FormatDocument(number, options | FormatReindent, indentStep)
// followed by SaveDocument(number, path) would, re-indenting on the way out: only the blank
// and line-break pass changes the tree, and it is left out where it could change nothing.
// A document settled by a load's normalisation (FormatCutBreaks, FormatReduceBreaks and
// FormatReduceBlanks) and written with FormatReindent alone is not changed at all (see
// SaveFormattedKeepsTree).
[[nodiscard]] int SaveFormatted(int number, std::u16string_view path, int options, int indentStep);

// A document that SaveFormatted may only read.
struct ReadOnlyDocument {
  int number;
};

// Writes the document as SaveFormatted(number, ...) would, reading it only, so another thread
// may read the same tree meanwhile; 0 and nothing written when that would change the tree
// (SaveFormattedKeepsTree is false).
[[nodiscard]] int SaveFormatted(ReadOnlyDocument document, std::u16string_view path, int options, int indentStep);

// True when SaveFormatted with `options` would leave the document unchanged.
bool SaveFormattedKeepsTree(int number, int options);

}  // namespace rk::xml
