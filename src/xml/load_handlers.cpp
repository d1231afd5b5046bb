#include "xml/load_handlers.h"

#include <cstring>
#include <limits>
#include <string_view>

namespace rk::xml {
namespace {

// Expat is built for 16-bit characters (XML_UNICODE): its texts are UTF-16 code units.
static_assert(sizeof(XML_Char) == sizeof(char16_t));

const char16_t* Units(const XML_Char* text) { return reinterpret_cast<const char16_t*>(text); }

std::u16string_view View(const XML_Char* text) {
  return text == nullptr ? std::u16string_view() : std::u16string_view(Units(text));
}

LoadContext& ContextOf(void* userData) { return *static_cast<LoadContext*>(userData); }

void StopOutOfMemory(LoadContext& context) {
  if (context.outOfMemory) return;
  context.outOfMemory = true;
  XML_StopParser(context.parser, XML_FALSE);
}

XmlNode* CurrentNode(LoadContext& context) { return context.openNodes.back().node; }

// A fresh node of `kind` named `name` (empty for none), not yet in the tree; nullptr when the
// parent's text is too long to keep or memory ran out, which stops the load.
[[gnu::always_inline]] inline XmlNode* MakeNode(LoadContext& context, int kind, std::u16string_view name) {
  Document& document = *context.document;
  // The parent's text would be too long to keep; the load stops as for a lack of memory.
  if (context.texts.size() - context.segmentStart > kMaxStoredLength) {
    StopOutOfMemory(context);
    return nullptr;
  }
  XmlNode* node = document.pool.Take();
  if (node == nullptr) {
    StopOutOfMemory(context);
    return nullptr;
  }
  node->kind = static_cast<std::uint8_t>(kind);
  node->owner = document.number;
  if (!name.empty()) {
    node->name = document.names.Intern(document.arena, name);
    if (node->name == nullptr) {
      StopOutOfMemory(context);
      return nullptr;
    }
  }
  return node;
}

// Links `node`, made complete by MakeNode and its caller, behind the last child of the
// current node and makes it the current node; false (node left out) when memory ran out. A
// node enters the tree only whole, so a load stopped for memory leaves no nameless element.
bool BeginNode(LoadContext& context, XmlNode* node) {
  Document& document = *context.document;
  if (!context.openNodes.Push(OpenNode{node, context.texts.size(), nullptr})) {
    StopOutOfMemory(context);
    return false;
  }
  OpenNode& top = context.openNodes[context.openNodes.size() - 2];
  XmlNode* parent = top.node;
  node->position = static_cast<std::uint32_t>(context.texts.size() - context.segmentStart);
  node->parent = parent;
  if (top.lastChild == nullptr) {
    parent->firstChild = node;
  } else {
    top.lastChild->nextSibling = node;
  }
  top.lastChild = node;
  const int kind = node->kind;
  if (kind == kNodeElement && document.main == nullptr) document.main = node;
  context.segmentStart = context.texts.size();
  KeepsContent(context.last);
  if (kind == kNodeDtd) context.normalise = false;
  context.normaliseHere = context.normalise && (kind == kNodeElement || kind == kNodeComment);
  return true;
}

// MakeNode and BeginNode for a node that needs nothing else before it is linked.
bool BeginNode(LoadContext& context, int kind, std::u16string_view name = {}) {
  XmlNode* node = MakeNode(context, kind, name);
  return node != nullptr && BeginNode(context, node);
}

// Moves the text of the node on top of the cursor out of the text stack.
bool StoreTopText(LoadContext& context) {
  OpenNode top = context.openNodes.back();
  std::u16string_view text(context.texts.data() + top.textStart, context.texts.size() - top.textStart);
  if (top.node->kind == kNodeElement) context.document->loaded.characters += text.size();
  bool stored = text.empty() || StoreNodeText(*context.document, top.node, text);
  context.texts.Truncate(top.textStart);
  return stored;
}

void EndNode(LoadContext& context) {
  if (context.openNodes.size() < 2) return;  // the root stays open to the end
  bool stored = StoreTopText(context);
  context.openNodes.Pop();
  context.segmentStart = context.texts.size();
  KeepsContent(context.last);
  const int kind = CurrentNode(context)->kind;
  context.normaliseHere =
      context.normalise && (kind == kNodeElement || kind == kNodeComment || kind == kNodeRoot);
  if (!stored) StopOutOfMemory(context);
}

// The normalisation the load applies as it reads.
constexpr int kNormalising = FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks;

// Appends `text` as the normalisation would keep it: the blank rule applied as the characters
// arrive, within one segment of a node's text (from a tag to the next).
void AppendNormalised(LoadContext& context, const char16_t* text, std::size_t length) {
  // Expat hands over each line break of the content on its own, and the indentation after
  // it as a run of blanks of its own: of such a run at most its first blank stays.
  if (length == 0 || (length == 1 && IsBreak(text[0]) && !KeepsBreak(kNormalising, context.last))) return;
  if (IsBlank(text[0])) {
    std::size_t blanks = 1;
    while (blanks < length && IsBlank(text[blanks])) ++blanks;
    if (blanks == length) {
      if (KeepsBlank(kNormalising, context.last) && !context.texts.Push(text[0])) return StopOutOfMemory(context);
      return;
    }
  }
  if (!context.texts.Reserve(length)) return StopOutOfMemory(context);
  char16_t* const start = context.texts.ReservedEnd();
  char16_t* out = start;
  KeptSoFar last = context.last;
  for (std::size_t i = 0; i < length; ++i) {
    const char16_t unit = text[i];
    if (IsAboveBlanks(unit)) {
      *out++ = unit;
      KeepsContent(last);
    } else if (IsBlank(unit)) {
      if (KeepsBlank(kNormalising, last)) *out++ = unit;
    } else if (IsBreak(unit)) {
      if (KeepsBreak(kNormalising, last)) *out++ = unit;
    } else {
      *out++ = unit;
      KeepsContent(last);
    }
  }
  context.texts.AddReserved(static_cast<std::size_t>(out - start));
  context.last = last;
}

// Appends `text` with each line feed in the document's line-break style. Kept out of line:
// inlined, its loop would make every call of the normalising path save registers first.
[[gnu::noinline]] void AppendInLineBreakStyle(LoadContext& context, const char16_t* text, std::size_t length) {
  int style = context.document->lineBreakStyle;
  if (style != kLineBreakCrLf && style != kLineBreakCr) {
    if (!context.texts.Append(text, length)) StopOutOfMemory(context);
    return;
  }
  if (length > std::numeric_limits<std::size_t>::max() / 2 || !context.texts.Reserve(length * 2)) {
    StopOutOfMemory(context);
    return;
  }
  GrowArray<char16_t>& texts = context.texts;
  for (std::size_t i = 0; i < length; ++i) {
    char16_t unit = text[i];
    if (unit != u'\n') {
      texts.PushReserved(unit);
    } else if (style == kLineBreakCrLf) {
      texts.PushReserved(u'\r');
      texts.PushReserved(u'\n');
    } else {
      texts.PushReserved(u'\r');
    }
  }
}

// Character data: Expat hands over every line break as a line feed; it is stored in the
// document's line-break style.
void AppendText(LoadContext& context, const char16_t* text, std::size_t length) {
  if (context.normaliseHere) return AppendNormalised(context, text, length);
  AppendInLineBreakStyle(context, text, length);
}

void AppendRaw(LoadContext& context, std::u16string_view text) {
  if (context.normaliseHere) return AppendNormalised(context, text.data(), text.size());
  if (!context.texts.Append(text.data(), text.size())) StopOutOfMemory(context);
}

std::size_t Length(int length) { return length < 0 ? 0 : static_cast<std::size_t>(length); }

// Stores the attributes of a new element; false when memory ran out.
bool StoreAttributes(Document& document, XmlNode* node, const XML_Char** attributes) {
  std::size_t pairs = 0;
  while (attributes[2 * pairs] != nullptr) ++pairs;
  document.loaded.attributes += pairs;
  if (pairs == 0) return true;
  if (pairs > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) return false;
  ArenaPiece piece = document.arena.Allocate(sizeof(AttributeList) + pairs * sizeof(Attribute),
                                             alignof(AttributeList));
  if (piece.data == nullptr) return false;
  auto* list = static_cast<AttributeList*>(piece.data);
  *list = AttributeList{0, static_cast<std::uint32_t>(pairs), 0};
  node->attributes = list;
  if (piece.own) node->ownership |= kOwnAttributes;
  Attribute* entries = EntriesOf(list);
  for (std::size_t i = 0; i < pairs; ++i) {
    std::u16string_view attributeName = View(attributes[2 * i]);
    std::u16string_view value = View(attributes[2 * i + 1]);
    const InternedName* storedName = document.names.Intern(document.arena, attributeName);
    if (storedName == nullptr || value.size() > kMaxStoredLength) return false;
    StoredText storedValue = CopyToArena(document.arena, value);
    document.loaded.characters += value.size();
    if (!storedValue.ok) return false;
    entries[i] = Attribute{storedName, storedValue.data, static_cast<std::uint32_t>(value.size()), storedValue.own};
    list->count = static_cast<std::uint32_t>(i + 1);
  }
  return true;
}

void XMLCALL OnStartElement(void* userData, const XML_Char* name, const XML_Char** attributes) {
  LoadContext& context = ContextOf(userData);
  if (context.outOfMemory) return;
  XmlNode* node = MakeNode(context, kNodeElement, View(name));
  if (node == nullptr) return;
  Document& document = *context.document;
  ++document.loaded.elements;
  if (!StoreAttributes(document, node, attributes)) return StopOutOfMemory(context);
  static_cast<void>(BeginNode(context, node));
}

void XMLCALL OnEndElement(void* userData, const XML_Char* /*name*/) {
  LoadContext& context = ContextOf(userData);
  if (!context.outOfMemory) EndNode(context);
}

void XMLCALL OnCharacterData(void* userData, const XML_Char* text, int length) {
  LoadContext& context = ContextOf(userData);
  if (!context.outOfMemory) AppendText(context, Units(text), Length(length));
}

void XMLCALL OnDefault(void* userData, const XML_Char* text, int length) {
  LoadContext& context = ContextOf(userData);
  if (!context.outOfMemory) AppendRaw(context, {Units(text), Length(length)});
}

void XMLCALL OnComment(void* userData, const XML_Char* data) {
  LoadContext& context = ContextOf(userData);
  if (context.outOfMemory || !BeginNode(context, kNodeComment)) return;
  std::u16string_view text = View(data);
  AppendText(context, text.data(), text.size());
  if (!context.outOfMemory) EndNode(context);
}

void XMLCALL OnStartCdata(void* userData) {
  LoadContext& context = ContextOf(userData);
  if (!context.outOfMemory) static_cast<void>(BeginNode(context, kNodeCData));
}

void XMLCALL OnEndCdata(void* userData) {
  LoadContext& context = ContextOf(userData);
  if (!context.outOfMemory && CurrentNode(context)->kind == kNodeCData) EndNode(context);
}

void XMLCALL OnInstruction(void* userData, const XML_Char* target, const XML_Char* data) {
  LoadContext& context = ContextOf(userData);
  if (context.outOfMemory) return;
  if (!BeginNode(context, kNodeInstruction, View(target))) return;
  std::u16string_view text = View(data);
  AppendText(context, text.data(), text.size());
  if (!context.outOfMemory) EndNode(context);
}

// Appends an id of the declaration, in double quotes unless it holds one.
void AppendQuoted(LoadContext& context, std::u16string_view value) {
  bool apostrophes = value.find(u'"') != std::u16string_view::npos;
  AppendRaw(context, apostrophes ? u" '" : u" \"");
  AppendRaw(context, value);
  AppendRaw(context, apostrophes ? u"'" : u"\"");
}

void XMLCALL OnStartDoctype(void* userData, const XML_Char* name, const XML_Char* systemId,
                            const XML_Char* publicId, int hasInternalSubset) {
  LoadContext& context = ContextOf(userData);
  if (context.outOfMemory || !BeginNode(context, kNodeDtd)) return;
  AppendRaw(context, u"<!DOCTYPE ");
  AppendRaw(context, View(name));
  if (systemId != nullptr) AppendRaw(context, publicId != nullptr ? u" PUBLIC" : u" SYSTEM");
  if (publicId != nullptr) AppendQuoted(context, View(publicId));
  if (systemId != nullptr) AppendQuoted(context, View(systemId));
  if (hasInternalSubset != 0) {
    AppendRaw(context, u" [");
  } else {
    AppendRaw(context, u">");
    if (!context.outOfMemory) EndNode(context);
  }
}

void XMLCALL OnEndDoctype(void* userData) {
  LoadContext& context = ContextOf(userData);
  if (context.outOfMemory || CurrentNode(context)->kind != kNodeDtd) return;
  AppendRaw(context, u"]>");
  if (!context.outOfMemory) EndNode(context);
}

bool SameIgnoringCase(std::u16string_view text, std::u16string_view upper) {
  if (text.size() != upper.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (unit >= u'a' && unit <= u'z') unit = static_cast<char16_t>(unit - u'a' + u'A');
    if (unit != upper[i]) return false;
  }
  return true;
}

void XMLCALL OnXmlDeclaration(void* userData, const XML_Char* version, const XML_Char* encoding,
                              int standalone) {
  LoadContext& context = ContextOf(userData);
  if (version == nullptr) return;  // a text declaration of an external entity
  Document& document = *context.document;
  if (encoding != nullptr && !document.encodingForced) {
    std::u16string_view name = View(encoding);
    if (SameIgnoringCase(name, u"US-ASCII") || SameIgnoringCase(name, u"ISO-8859-1")) {
      document.encoding = EncodingLatin1;
    } else if (SameIgnoringCase(name, u"UTF-16")) {
      document.encoding = EncodingUtf16;
    } else {
      document.encoding = EncodingUtf8;
    }
  }
  document.standalone = standalone;
}

}  // namespace

bool StartLoad(LoadContext& context, XML_Parser parser) {
  context.parser = parser;
  // Blanks at the very start of the root's text go: nothing kept comes before them.
  context.last = KeptSoFar{};
  context.normaliseHere = context.normalise;
  if (!context.openNodes.Push(OpenNode{context.document->root, 0, nullptr})) return false;
  XML_SetUserData(parser, &context);
  XML_SetElementHandler(parser, OnStartElement, OnEndElement);
  XML_SetCharacterDataHandler(parser, OnCharacterData);
  // With a default handler Expat also leaves references to internal entities unexpanded;
  // their raw text lands in the element's text.
  XML_SetDefaultHandler(parser, OnDefault);
  XML_SetCommentHandler(parser, OnComment);
  XML_SetCdataSectionHandler(parser, OnStartCdata, OnEndCdata);
  XML_SetDoctypeDeclHandler(parser, OnStartDoctype, OnEndDoctype);
  XML_SetXmlDeclHandler(parser, OnXmlDeclaration);
  XML_SetProcessingInstructionHandler(parser, OnInstruction);
  return true;
}

void FinishLoad(LoadContext& context) {
  while (!context.openNodes.empty()) {
    if (!StoreTopText(context)) context.outOfMemory = true;
    context.openNodes.Pop();
  }
  context.segmentStart = 0;
  context.document->textsSettled = context.normalise && !context.outOfMemory;
}

}  // namespace rk::xml
