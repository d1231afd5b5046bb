#include "book/walk.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "book/phonebook_file.h"
#include "services/toolkit/toolkit.h"

namespace rk::book {
namespace {

// The name a report gives a node kind that is not kept; empty for a kind ignored silently.
std::u16string_view UnkeptKindName(int kind) {
  switch (kind) {
    case xml::kNodeRoot: return u"Root";
    case xml::kNodeComment: return u"Comment";
    case xml::kNodeCData: return u"CData";
    case xml::kNodeDtd: return u"DTD";
    case xml::kNodeInstruction: return u"Instruction";
    default: return {};
  }
}

// Tells the user that a node of this kind was met and is dropped.
void ReportUnkeptNode(std::u16string_view kindName) {
  std::u16string text = u"  Ein XML-Knoten '";
  text += kindName;
  text += u"' wurde gefunden.\n  Dieser wird noch nicht verarbeitet und ignoriert.    \n"
          u"  Bitte beachten !";
  tk::MessageBox(u"Information", text, tk::kIconInformation);
}

// Visits `top` and the nodes below it in document order; `visit(node, depth)` returns whether
// to go below the node. No stack of its own: down to the first child, else on to the next
// sibling, climbing through the parents until one has a next sibling or the top is reached.
template <typename Visit>
void ForEachNode(xml::XmlNode* top, std::int32_t depth, Visit&& visit) {
  xml::XmlNode* node = top;
  for (;;) {
    if (visit(node, depth)) {
      if (xml::XmlNode* child = xml::FirstChild(node)) {
        node = child;
        ++depth;
        continue;
      }
    }
    for (;;) {
      if (node == top) return;
      if (xml::XmlNode* next = xml::NextSibling(node)) {
        node = next;
        break;
      }
      node = xml::ParentNode(node);
      --depth;
    }
  }
}

// The document keeps one copy of each distinct name, so most names arrive at the same
// address again; a small table keyed by address saves hashing the text each time. An address
// identifies its text for as long as the document is unchanged, which holds during the walk.
// The table probes on, so names whose addresses hash alike do not evict each other; once it
// is three quarters full, further names go to the list's own table directly.
class NameIds {
 public:
  explicit NameIds(RecordList& list) : list_(list) {}

  // The id of the name "phonebook" once it was met, else kNoName; comparing ids spares
  // comparing every element's name with it.
  std::uint32_t PhonebookId() const { return phonebook_; }

  std::uint32_t Of(std::u16string_view name) {
    const auto key = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(name.data()));
    std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - kIndexBits));
    for (;;) {
      Entry& entry = entries_[slot];
      if (entry.data == name.data() && entry.size == name.size()) return entry.id;
      if (entry.data == nullptr) {
        const std::uint32_t id = InternName(list_, name);
        if (name == kPhonebook) phonebook_ = id;
        if (used_ < entries_.size() / 4 * 3 && name.data() != nullptr) {
          entry = {name.data(), name.size(), id};
          ++used_;
        }
        return id;
      }
      slot = (slot + 1) % entries_.size();
    }
  }

 private:
  struct Entry {
    const char16_t* data = nullptr;
    // No name has this length, so an empty slot matches none, not even an empty name.
    std::size_t size = static_cast<std::size_t>(-1);
    std::uint32_t id = 0;
  };
  static constexpr int kIndexBits = 8;
  RecordList& list_;
  std::array<Entry, std::size_t{1} << kIndexBits> entries_{};
  std::size_t used_ = 0;
  std::uint32_t phonebook_ = kNoName;
};

}  // namespace

void Walk(xml::XmlNode* node, std::int32_t depth, LoadWork& work) {
  if (node == nullptr) return;
  NameIds names(work.loadList);
  ForEachNode(node, depth, [&](xml::XmlNode* current, std::int32_t level) {
    const xml::NodeFields fields = xml::ReadNode(current);
    if (fields.kind != xml::kNodeElement) {
      if (const std::u16string_view kindName = UnkeptKindName(fields.kind); !kindName.empty()) {
        ReportUnkeptNode(kindName);
      }
      return false;
    }
    ++work.elementCounter;
    const std::uint32_t nameId = names.Of(fields.name);
    AppendElement(work.loadList, static_cast<std::uint32_t>(work.elementCounter), work.numberSuffix,
                  level, nameId);
    const bool isPhonebook = nameId == names.PhonebookId();
    for (std::size_t k = 0; k < fields.attributeCount; ++k) {
      const xml::AttributeFields attribute = xml::ReadAttribute(current, k);
      if (isPhonebook && attribute.name == kNameAttribute) work.bookName = attribute.value;
      AppendAttribute(work.loadList, names.Of(attribute.name), attribute.value);
    }
    SetLastText(work.loadList, fields.text);
    return true;
  });
}

}  // namespace rk::book
