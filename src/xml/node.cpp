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

// Grows the attribute array of `node` by at least one entry; the old array is released
// when it had a block of its own.
bool GrowAttributes(Document& document, XmlNode* node) {
  if (node->attributeCount >= kMaxAttributes) return false;
  std::uint32_t capacity = node->attributeCapacity < 2 ? 4 : node->attributeCapacity * 2;
  if (capacity > kMaxAttributes) capacity = kMaxAttributes;
  ArenaPiece piece = document.arena.Allocate(capacity * sizeof(Attribute), alignof(Attribute));
  if (piece.data == nullptr) return false;
  auto* grown = static_cast<Attribute*>(piece.data);
  if (node->attributeCount > 0) {
    std::memcpy(grown, node->attributes, node->attributeCount * sizeof(Attribute));
  }
  if ((node->ownership & kOwnAttributes) != 0) document.arena.Release(node->attributes);
  node->attributes = grown;
  node->attributeCapacity = capacity;
  node->ownership = static_cast<std::uint8_t>(piece.own ? node->ownership | kOwnAttributes
                                                        : node->ownership & ~kOwnAttributes);
  return true;
}

std::u16string_view AttributeNameAt(const Attribute& attribute) {
  return {attribute.name, attribute.nameLength};
}

const Attribute* CurrentAttribute(const XmlNode* node) {
  if (node == nullptr || node->kind != kNodeElement || node->attributeCursor < 0) return nullptr;
  auto cursor = static_cast<std::uint32_t>(node->attributeCursor);
  return cursor < node->attributeCount ? &node->attributes[cursor] : nullptr;
}

}  // namespace

XmlNode* AppendElement(XmlNode* parent, std::u16string_view name) {
  if (parent == nullptr || !CanHoldElements(parent)) return nullptr;
  Document* document = FindDocument(parent->owner);
  if (document == nullptr) return nullptr;
  if (parent == document->root && document->main != nullptr) return nullptr;
  if (name.size() > std::numeric_limits<std::uint32_t>::max()) return nullptr;
  const char16_t* storedName = document->names.Intern(document->arena, name);
  if (storedName == nullptr) return nullptr;
  XmlNode* node = document->pool.Take();
  if (node == nullptr) return nullptr;
  document->textsSettled = false;
  node->kind = static_cast<std::uint8_t>(kNodeElement);
  node->owner = parent->owner;
  node->name = storedName;
  node->nameLength = static_cast<std::uint32_t>(name.size());
  node->parent = parent;
  if (parent->lastChild == nullptr) {
    parent->firstChild = node;
  } else {
    parent->lastChild->nextSibling = node;
  }
  parent->lastChild = node;
  if (document->main == nullptr && parent->kind == kNodeRoot) document->main = node;
  return node;
}

void SetAttribute(XmlNode* node, std::u16string_view name, std::u16string_view value) {
  if (node == nullptr || node->kind != kNodeElement) return;
  Document* document = FindDocument(node->owner);
  if (document == nullptr) return;
  Attribute* target = nullptr;
  for (std::uint32_t i = 0; i < node->attributeCount; ++i) {
    if (AttributeNameAt(node->attributes[i]) == name) {
      target = &node->attributes[i];
      break;
    }
  }
  StoredText stored = CopyToArena(document->arena, value);
  if (!stored.ok) return;
  if (target == nullptr) {
    const char16_t* storedName = name.size() > std::numeric_limits<std::uint32_t>::max()
                                     ? nullptr
                                     : document->names.Intern(document->arena, name);
    if (storedName == nullptr ||
        (node->attributeCount == node->attributeCapacity && !GrowAttributes(*document, node))) {
      if (stored.own) document->arena.Release(stored.data);
      return;
    }
    target = &node->attributes[node->attributeCount++];
    target->name = storedName;
    target->nameLength = static_cast<std::uint32_t>(name.size());
  } else if (target->valueOwn) {
    document->arena.Release(target->value);
  }
  target->value = stored.data;
  target->valueLength = value.size();
  target->valueOwn = stored.own;
}

void SetNodeText(XmlNode* node, std::u16string_view text) {
  if (node == nullptr) return;
  if (Document* document = FindDocument(node->owner)) StoreNodeText(*document, node, text);
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

std::int64_t NodePosition(const XmlNode* node) {
  if (node == nullptr) return 0;
  constexpr auto kMax = static_cast<std::size_t>(std::numeric_limits<std::int64_t>::max());
  return static_cast<std::int64_t>(node->position > kMax ? kMax : node->position);
}

bool BeginAttributes(XmlNode* node) {
  if (node == nullptr || node->kind != kNodeElement) return false;
  node->attributeCursor = -1;
  return true;
}

bool NextAttribute(XmlNode* node) {
  if (node == nullptr || node->kind != kNodeElement) return false;
  // The cursor stops one past the last attribute, so calling on and on cannot wrap it.
  if (node->attributeCursor < 0 ||
      static_cast<std::uint32_t>(node->attributeCursor) < node->attributeCount) {
    ++node->attributeCursor;
  }
  return static_cast<std::uint32_t>(node->attributeCursor) < node->attributeCount;
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
