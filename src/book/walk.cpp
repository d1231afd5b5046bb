#include "book/walk.h"

#include <string_view>

#include "book/slot.h"
#include "services/toolkit/toolkit.h"

namespace rk::book {
namespace {

constexpr std::u16string_view kPhonebook = u"phonebook";
constexpr std::u16string_view kNameAttribute = u"name";

// The report for a node that is not kept; empty for a kind that is ignored silently.
std::u16string_view NodeReport(int kind) {
  switch (kind) {
    case xml::kNodeRoot:
      return u"  Ein XML-Knoten 'Root' wurde gefunden.\n  Dieser wird noch nicht verarbeitet und "
             u"ignoriert.    \n  Bitte beachten !";
    case xml::kNodeComment:
      return u"  Ein XML-Knoten 'Comment' wurde gefunden.\n  Dieser wird noch nicht verarbeitet "
             u"und ignoriert.    \n  Bitte beachten !";
    case xml::kNodeCData:
      return u"  Ein XML-Knoten 'CData' wurde gefunden.\n  Dieser wird noch nicht verarbeitet und "
             u"ignoriert.    \n  Bitte beachten !";
    case xml::kNodeDtd:
      return u"  Ein XML-Knoten 'DTD' wurde gefunden.\n  Dieser wird noch nicht verarbeitet und "
             u"ignoriert.    \n  Bitte beachten !";
    case xml::kNodeInstruction:
      return u"  Ein XML-Knoten 'Instruction' wurde gefunden.\n  Dieser wird noch nicht "
             u"verarbeitet und ignoriert.    \n  Bitte beachten !";
    default:
      return {};
  }
}

void RecordElement(WorkingState& state, NumberSuffix suffix, xml::XmlNode* element,
                   std::int32_t depth) {
  ++state.elementCounter;
  const std::u16string_view name = xml::NodeNameView(element);
  AppendElement(state.loadList, static_cast<std::uint32_t>(state.elementCounter), suffix, depth,
                name);
  const bool isPhonebook = name == kPhonebook;
  if (xml::BeginAttributes(element)) {
    while (xml::NextAttribute(element)) {
      const std::u16string_view attributeName = xml::AttributeNameView(element);
      const std::u16string_view value = xml::AttributeValueView(element);
      if (isPhonebook && attributeName == kNameAttribute) state.bookName = value;
      AppendAttribute(state.loadList, attributeName, value);
    }
  }
  SetLastText(state.loadList, xml::NodeTextView(element));
}

// Handles one node; true when its children are to be walked (elements only).
bool Visit(WorkingState& state, NumberSuffix suffix, xml::XmlNode* node, std::int32_t depth) {
  const int kind = xml::NodeKind(node);
  if (kind == xml::kNodeElement) {
    RecordElement(state, suffix, node, depth);
    return true;
  }
  if (const std::u16string_view report = NodeReport(kind); !report.empty()) {
    tk::MessageBox(u"Information", report, tk::kIconInformation);
  }
  return false;
}

}  // namespace

void Walk(xml::XmlNode* node, std::int32_t depth) {
  if (node == nullptr) return;
  WorkingState& state = Working();
  const NumberSuffix suffix = SuffixOf(state.numberSuffix);
  xml::XmlNode* const top = node;
  // Pre-order without a stack of our own: go down to the first child, else on to the next
  // sibling, climbing through the parents until one has a next sibling or the top is reached.
  for (;;) {
    if (Visit(state, suffix, node, depth)) {
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

}  // namespace rk::book
