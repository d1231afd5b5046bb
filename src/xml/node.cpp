// Node operations of xml.h: building elements, attributes and texts, and reading the tree.

#include <cstring>
#include <limits>

#include "xml/document.h"

namespace rk::xml {
namespace {

constexpr std::uint32_t kMaxAttributes = std::numeric_limits<std::int32_t>::max();

bool CanHoldElements(const XmlNode* node) {
  return node->kind == kNodeRoot || node->kind == kNodeElement;
}

// Grows the attribute list of `node` by at least one entry, keeping its read cursor; the old
// list is released when it had a block of its own.
bool GrowAttributes(Document& document, XmlNode* node) {
  AttributeList* old = node->attributes;
  const std::uint32_t count = AttributeCountOf(node);
  if (count >= kMaxAttributes) return false;
  const std::uint32_t oldCapacity = old == nullptr ? 0 : old->capacity;
  std::uint32_t capacity = oldCapacity < 2 ? 4 : oldCapacity * 2;
  if (capacity > kMaxAttributes) capacity = kMaxAttributes;
  ArenaPiece piece = document.arena.Allocate(sizeof(AttributeList) + capacity * sizeof(Attribute),
                                             alignof(AttributeList));
  if (piece.data == nullptr) return false;
  auto* grown = static_cast<AttributeList*>(piece.data);
  std::int32_t cursor = (node->ownership & kCursorBeforeFirst) != 0 ? -1 : 0;
  if (old != nullptr) {
    cursor = old->cursor;
    if (count > 0) std::memcpy(EntriesOf(grown), EntriesOf(old), count * sizeof(Attribute));
  }
  *grown = AttributeList{count, capacity, cursor};
  if ((node->ownership & kOwnAttributes) != 0) document.arena.Release(old);
  node->attributes = grown;
  node->ownership = static_cast<std::uint8_t>(piece.own ? node->ownership | kOwnAttributes
                                                        : node->ownership & ~kOwnAttributes);
  return true;
}

std::u16string_view AttributeNameAt(const Attribute& attribute) { return NameText(attribute.name); }

const Attribute* CurrentAttribute(const XmlNode* node) {
  if (node == nullptr || node->kind != kNodeElement || node->attributes == nullptr) return nullptr;
  AttributeList* list = node->attributes;
  if (list->cursor < 0) return nullptr;
  auto cursor = static_cast<std::uint32_t>(list->cursor);
  return cursor < list->count ? &EntriesOf(list)[cursor] : nullptr;
}

// The last child of `parent`: from the path of the latest appends when it is on it, else by
// walking the children once. The path then ends with `parent`.
XmlNode* LastChildForAppend(AppendPath& path, XmlNode* parent) {
  while (path.depth > 0 && path.steps[path.depth - 1].parent != parent) --path.depth;
  if (path.depth > 0) return path.steps[path.depth - 1].lastChild;
  XmlNode* last = parent->firstChild;
  if (last != nullptr) {
    while (last->nextSibling != nullptr) last = last->nextSibling;
  }
  path.steps[0] = AppendPath::Step{parent, last};
  path.depth = 1;
  return last;
}

// The document of a node that can take element children, or nullptr; below the root of a
// document that has its main element already, nothing more may go.
Document* DocumentForAppend(XmlNode* parent) {
  if (parent == nullptr || !CanHoldElements(parent)) return nullptr;
  Document* document = FindDocument(parent->owner);
  if (document == nullptr || (parent == document->root && document->main != nullptr)) return nullptr;
  return document;
}

// Links a new element named `name` behind the last child of `parent`.
XmlNode* AppendNamedElement(Document& document, XmlNode* parent, const InternedName* name) {
  XmlNode* node = document.pool.Take();
  if (node == nullptr) return nullptr;
  document.textsSettled = false;
  node->kind = static_cast<std::uint8_t>(kNodeElement);
  node->owner = parent->owner;
  node->name = name;
  node->parent = parent;
  AppendPath& path = document.appendPath;
  XmlNode* last = LastChildForAppend(path, parent);
  if (last == nullptr) {
    parent->firstChild = node;
  } else {
    last->nextSibling = node;
  }
  path.steps[path.depth - 1].lastChild = node;
  // The new node has no children yet; it goes on the path, which simply stops growing when full.
  if (path.depth < AppendPath::kDepth) path.steps[path.depth++] = AppendPath::Step{node, nullptr};
  if (document.main == nullptr && parent->kind == kNodeRoot) document.main = node;
  return node;
}

// Sets the attribute `name` of an element of `document`; `interned` is the name's interned
// copy when the caller has one, else it is interned here for a new attribute. False (the
// element unchanged) when memory ran out or the value is too long to keep.
bool SetAttributeOf(Document& document, XmlNode* node, std::u16string_view name,
                    const InternedName* interned, std::u16string_view value) {
  Attribute* target = nullptr;
  const std::uint32_t count = AttributeCountOf(node);
  for (std::uint32_t i = 0; i < count; ++i) {
    Attribute& attribute = EntriesOf(node->attributes)[i];
    if (attribute.name == interned || AttributeNameAt(attribute) == name) {
      target = &attribute;
      break;
    }
  }
  // A value too long to keep is refused as one that finds no memory is.
  if (value.size() > kMaxStoredLength) return false;
  StoredText stored = CopyToArena(document.arena, value);
  if (!stored.ok) return false;
  if (target == nullptr) {
    if (interned == nullptr) interned = document.names.Intern(document.arena, name);
    if (interned == nullptr ||
        ((node->attributes == nullptr || count == node->attributes->capacity) &&
         !GrowAttributes(document, node))) {
      if (stored.own) document.arena.Release(stored.data);
      return false;
    }
    target = &EntriesOf(node->attributes)[node->attributes->count++];
    target->name = interned;
  } else if (target->valueOwn) {
    document.arena.Release(target->value);
  }
  target->value = stored.data;
  target->valueLength = static_cast<std::uint32_t>(value.size());
  target->valueOwn = stored.own;
  return true;
}

}  // namespace

XmlName InternName(int number, std::u16string_view name) {
  Document* document = FindDocument(number);
  return XmlName{document == nullptr ? nullptr : document->names.Intern(document->arena, name)};
}

XmlNode* AppendElement(XmlNode* parent, std::u16string_view name) {
  Document* document = DocumentForAppend(parent);
  if (document == nullptr) return nullptr;
  const InternedName* storedName = document->names.Intern(document->arena, name);
  return storedName == nullptr ? nullptr : AppendNamedElement(*document, parent, storedName);
}

XmlNode* AppendElement(XmlNode* parent, XmlName name) {
  Document* document = DocumentForAppend(parent);
  if (document == nullptr || name.interned == nullptr) return nullptr;
  return AppendNamedElement(*document, parent, name.interned);
}

bool SetAttribute(XmlNode* node, std::u16string_view name, std::u16string_view value) {
  if (node == nullptr || node->kind != kNodeElement) return false;
  Document* document = FindDocument(node->owner);
  return document != nullptr && SetAttributeOf(*document, node, name, nullptr, value);
}

bool SetAttribute(XmlNode* node, XmlName name, std::u16string_view value) {
  if (node == nullptr || node->kind != kNodeElement || name.interned == nullptr) return false;
  Document* document = FindDocument(node->owner);
  return document != nullptr && SetAttributeOf(*document, node, NameText(name.interned), name.interned, value);
}

bool SetNodeText(XmlNode* node, std::u16string_view text) {
  if (node == nullptr) return false;
  Document* document = FindDocument(node->owner);
  return document != nullptr && StoreNodeText(*document, node, text);
}

bool SetReducedText(XmlNode* node, std::u16string_view text, std::u16string& scratch) {
  if (node == nullptr) return false;
  Document* document = FindDocument(node->owner);
  return document != nullptr && StoreReducedText(*document, node, text, scratch);
}

int NodeKind(const XmlNode* node) { return node == nullptr ? 0 : node->kind; }

std::u16string NodeName(const XmlNode* node) { return std::u16string(NodeNameView(node)); }

std::u16string NodeText(const XmlNode* node) { return std::u16string(NodeTextView(node)); }

std::u16string_view NodeNameView(const XmlNode* node) {
  return node == nullptr ? std::u16string_view() : NameOf(node);
}

std::u16string_view NodeTextView(const XmlNode* node) {
  return node == nullptr ? std::u16string_view() : TextOf(node);
}

XmlNode* FirstChild(const XmlNode* node) { return node == nullptr ? nullptr : node->firstChild; }

XmlNode* NextSibling(const XmlNode* node) { return node == nullptr ? nullptr : node->nextSibling; }

XmlNode* ParentNode(const XmlNode* node) { return node == nullptr ? nullptr : node->parent; }

std::int64_t NodePosition(const XmlNode* node) { return node == nullptr ? 0 : node->position; }

bool BeginAttributes(XmlNode* node) {
  if (node == nullptr || node->kind != kNodeElement) return false;
  if (node->attributes != nullptr) {
    node->attributes->cursor = -1;
  } else {
    node->ownership |= kCursorBeforeFirst;
  }
  return true;
}

bool NextAttribute(XmlNode* node) {
  if (node == nullptr || node->kind != kNodeElement) return false;
  AttributeList* list = node->attributes;
  if (list == nullptr) {
    // No attributes: the cursor moves from before the first to past the last (0) and stays.
    node->ownership = static_cast<std::uint8_t>(node->ownership & ~kCursorBeforeFirst);
    return false;
  }
  // The cursor stops one past the last attribute, so calling on and on cannot wrap it.
  if (list->cursor < 0 || static_cast<std::uint32_t>(list->cursor) < list->count) ++list->cursor;
  return static_cast<std::uint32_t>(list->cursor) < list->count;
}

NodeFields ReadNode(const XmlNode* node) {
  if (node == nullptr) return {};
  return NodeFields{node->kind, NameOf(node), TextOf(node), AttributeCountOf(node)};
}

AttributeFields ReadAttribute(const XmlNode* node, std::size_t index) {
  if (node == nullptr || index >= AttributeCountOf(node)) return {};
  const Attribute& attribute = EntriesOf(node->attributes)[index];
  return AttributeFields{NameText(attribute.name),
                         attribute.valueLength == 0 ? std::u16string_view()
                                                    : std::u16string_view(attribute.value, attribute.valueLength)};
}

std::u16string AttributeName(const XmlNode* node) { return std::u16string(AttributeNameView(node)); }

std::u16string AttributeValue(const XmlNode* node) { return std::u16string(AttributeValueView(node)); }

std::u16string_view AttributeNameView(const XmlNode* node) {
  const Attribute* attribute = CurrentAttribute(node);
  return attribute == nullptr ? std::u16string_view() : AttributeNameAt(*attribute);
}

std::u16string_view AttributeValueView(const XmlNode* node) {
  const Attribute* attribute = CurrentAttribute(node);
  if (attribute == nullptr || attribute->valueLength == 0) return {};
  return {attribute->value, attribute->valueLength};
}

}  // namespace rk::xml
