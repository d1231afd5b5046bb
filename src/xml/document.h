#pragma once
// The records behind xml.h: node, attribute, document, and the document table.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <string_view>

#include "xml/arena.h"
#include "xml/node_pool.h"
#include "xml/xml.h"

namespace rk::xml {

// Lengths and positions of names, texts and values are kept in 32 bits, which keeps the
// records of a large book small. Storing anything longer fails as running out of memory
// does, so no length can wrap.
inline constexpr std::size_t kMaxStoredLength = std::numeric_limits<std::uint32_t>::max();

// An interned name: its length, followed by its units. The thousands of equal names of a
// phonebook share one, which is never released on its own.
struct InternedName {
  std::uint32_t length;
};

// The units that follow an interned name.
inline const char16_t* UnitsOf(const InternedName* name) {
  return reinterpret_cast<const char16_t*>(name + 1);
}

// The text of an interned name; empty for none.
inline std::u16string_view NameText(const InternedName* name) {
  return name == nullptr || name->length == 0 ? std::u16string_view()
                                              : std::u16string_view(UnitsOf(name), name->length);
}

// One attribute; the value may have a block of its own (valueOwn) that is released when the
// value is replaced.
struct Attribute {
  const InternedName* name;
  char16_t* value;
  std::uint32_t valueLength;
  bool valueOwn;
};

// A walk reads attributes by the million; the record stays at three words.
static_assert(sizeof(Attribute) <= 24);

// The attributes of one element: this header, then `capacity` entries. Counts and the read
// cursor live here rather than in every node, since most nodes of a book have no attributes.
struct alignas(alignof(Attribute)) AttributeList {
  std::uint32_t count;
  std::uint32_t capacity;
  std::int32_t cursor;  // -1 before the first attribute, `count` once past the last
};

// The entries that follow the header.
inline Attribute* EntriesOf(AttributeList* list) { return reinterpret_cast<Attribute*>(list + 1); }

// Marks of XmlNode::ownership: the field holds a block of its own in the arena.
inline constexpr std::uint8_t kOwnText = 1;
inline constexpr std::uint8_t kOwnAttributes = 2;
// The attribute cursor of a node without an attribute list stands before the first attribute
// (set by BeginAttributes); a list made later starts there.
inline constexpr std::uint8_t kCursorBeforeFirst = 4;

// A node record. Names are interned in the document and never released one by one; the
// text and the attribute list carry an ownership mark. Every pass over a book walks these
// records and a large book holds millions of them, so they stay at one cache line: the last
// child of a node is kept only by the load and AppendElement, on their own paths, the
// attribute counts sit with the attributes and the name's length with the name.
struct XmlNode {
  XmlNode* parent;
  XmlNode* firstChild;
  XmlNode* nextSibling;
  const InternedName* name;  // nullptr for none
  char16_t* text;
  AttributeList* attributes;  // nullptr for none
  std::uint32_t textLength;
  std::uint32_t position;  // characters of the parent's text between the previous sibling and this node
  std::int32_t owner;  // number of the owning document
  std::uint8_t kind;
  std::uint8_t ownership;
};
static_assert(sizeof(XmlNode) <= 64);

// Attributes of `node` (0 without a list).
inline std::uint32_t AttributeCountOf(const XmlNode* node) {
  return node->attributes == nullptr ? 0 : node->attributes->count;
}

// Recently stored names, so that the thousands of equal element and attribute names of a
// phonebook share one copy each.
class NameCache {
 public:
  // The interned copy of `name`; nullptr when memory ran out or the name is too long to keep.
  [[nodiscard]] const InternedName* Intern(StringArena& arena, std::u16string_view name);

 private:
  struct Entry {
    const InternedName* name = nullptr;
  };
  // Copies a name that is not in its slot into the arena and into the slot. Out of line, so
  // that the lookup of a name already there needs no registers saved.
  [[gnu::noinline]] const InternedName* Store(StringArena& arena, std::u16string_view name, Entry& entry);
  Entry entries_[256];
};

// Parents along the path of the latest AppendElement calls, each with its last child, so that
// building a tree depth first appends in constant time without a last-child link per node.
struct AppendPath {
  struct Step {
    XmlNode* parent;
    XmlNode* lastChild;
  };
  static constexpr std::size_t kDepth = 64;
  Step steps[kDepth];
  std::size_t depth = 0;
};

struct Document {
  explicit Document(const BlockMemory& blockMemory) : memory(blockMemory), pool(blockMemory), arena(blockMemory) {}

  const BlockMemory& memory;  // where the pool, the arena and the formatting take their blocks
  NodePool pool;
  AppendPath appendPath;
  StringArena arena;
  NameCache names;
  XmlNode* root = nullptr;
  XmlNode* main = nullptr;
  int number = 0;
  int encoding = EncodingUtf8;
  int standalone = -1;
  int lineBreakStyle = kLineBreakCrLf;
  int status = 0;
  std::int64_t errorLine = 0;
  std::int64_t errorColumn = 0;
  bool encodingForced = false;
  // Every text is exactly what a completed blank pass with FormatCutBreaks, FormatReduceBreaks
  // and FormatReduceBlanks left: a pass with the two reductions alone would keep every
  // character and every position, so it is skipped.
  // Anything that stores a text or adds a node clears it.
  bool textsSettled = false;
  // Every text is one the blank and line-break pass keeps whole unless it cuts blanks: no
  // line break, no blank right after a blank, no blank at the start of the root's text.
  // A document made by CreateDocument starts so, and a text stored keeps it only when it is
  // such a text (a save builds its document from texts its load normalised). Formatting ends it.
  bool textsReduced = false;
  // What the load stored for elements, so the walk can size its records once.
  LoadedSize loaded;
};

// The document under `number`, or nullptr.
Document* FindDocument(int number);

// Makes a fresh document with its root node, taking its blocks from `memory`; nullptr when
// memory ran out. The caller places it with InstallDocument.
[[nodiscard]] std::unique_ptr<Document> MakeDocument(int number, int encoding, const BlockMemory& memory = kSystemMemory);

// Puts `document` under its number, freeing what was there; false when the table cannot grow.
[[nodiscard]] bool InstallDocument(std::unique_ptr<Document> document);

// The view of a stored text.
inline std::u16string_view TextOf(const XmlNode* node) {
  return node->textLength == 0 ? std::u16string_view() : std::u16string_view(node->text, node->textLength);
}
inline std::u16string_view NameOf(const XmlNode* node) { return NameText(node->name); }

// Replaces the node's text by a copy of `text` in the arena; false (text unchanged) when
// memory ran out or the text is longer than kMaxStoredLength.
[[nodiscard]] bool StoreNodeText(Document& document, XmlNode* node, std::u16string_view text);

// StoreNodeText of the text of an element just made as the blank pass would leave it
// (SetReducedText); `buffer` holds the text when blanks went.
[[nodiscard]] bool StoreReducedText(Document& document, XmlNode* node, std::u16string_view text,
                                    std::u16string& buffer);

// Copies `text` into the arena; data nullptr when memory ran out (an empty text gives
// {nullptr, false} with success).
struct StoredText {
  char16_t* data = nullptr;
  bool own = false;
  bool ok = true;
};
[[nodiscard]] StoredText CopyToArena(StringArena& arena, std::u16string_view text);

}  // namespace rk::xml
