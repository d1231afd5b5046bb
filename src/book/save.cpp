#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "book/book.h"
#include "book/file_message.h"
#include "book/phonebook_file.h"
#include "book/slot.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "xml/xml.h"

namespace rk::book {
namespace {

// The save builds document 0; it lives only while the file is being written.
constexpr int kDocument = 0;
constexpr int kIndent = 3;

constexpr std::u16string_view kUnsaved = u"Das Telefonbuch kann nicht gespeichert werden.";

// The text without the characters XML 1.0 does not allow (control characters other than tab,
// line feed and carriage return, unpaired surrogates, U+FFFE and U+FFFF): whatever is typed
// into the Name field, the saved file must parse.
std::u16string XmlCharactersOnly(std::u16string_view text) {
  std::u16string kept;
  kept.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    if (IsHighSurrogate(unit)) {
      if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        kept.push_back(unit);
        kept.push_back(text[++i]);
      }
      continue;
    }
    const bool allowed = unit >= 0x20 ? !IsLowSurrogate(unit) && unit != 0xFFFE && unit != 0xFFFF
                                      : unit == u'\t' || unit == u'\n' || unit == u'\r';
    if (allowed) kept.push_back(unit);
  }
  return kept;
}

// The names of one record list as interned in document 0, each looked up the first time a
// record uses it: a book repeats a handful of names hundreds of thousands of times.
class DocumentNames {
 public:
  explicit DocumentNames(const RecordList& records) : records_(records), names_(records.names.size()) {}

  // The interned name with id `id` of the list; `interned` is nullptr when memory ran out.
  xml::XmlName Of(std::uint32_t id) {
    xml::XmlName& name = names_[id];
    if (name.interned == nullptr) name = xml::InternName(kDocument, records_.names[id]);
    return name;
  }

 private:
  const RecordList& records_;
  std::vector<xml::XmlName> names_;
};

// Makes the element of record `index` as the last child of `parent`; a `phonebook` element's
// `name` attribute takes `bookName`. Attributes are set from the stored pairs, so their values
// come back exactly as they were read. `textBuffer` holds a text whose blanks were reduced.
// nullptr when the element, one of its attributes or its text could not be stored: the file
// would lack them.
[[nodiscard]] xml::XmlNode* AddElement(xml::XmlNode* parent, const RecordList& records,
                                       std::size_t index, DocumentNames& names,
                                       std::u16string_view bookName, std::u16string& textBuffer) {
  xml::XmlNode* element = xml::AppendElement(parent, names.Of(RecordNameId(records, index)));
  if (element == nullptr) return nullptr;
  const bool isPhonebook = RecordName(records, index) == kPhonebook;
  const std::size_t attributes = AttributeCount(records, index);
  for (std::size_t k = 0; k < attributes; ++k) {
    const bool isBookName = isPhonebook && AttributeName(records, index, k) == kNameAttribute;
    if (!xml::SetAttribute(element, names.Of(AttributeNameId(records, index, k)),
                           isBookName ? bookName : AttributeValue(records, index, k))) {
      return nullptr;
    }
  }
  if (const std::u16string_view text = RecordText(records, index); !text.empty()) {
    if (!xml::SetReducedText(element, text, textBuffer)) return nullptr;
  }
  return element;
}

// An element still open for children, with the depth its record gave it.
struct OpenElement {
  std::int32_t depth;
  xml::XmlNode* node;
};

// Builds document 0 from the records, each placed below the most recent record of smaller
// depth (its parent in the file it came from). A record list that does not start with a main
// element (contacts copied into an empty slot) is placed below the empty book "Neu" makes, so
// the file is still a phonebook. False when an element, attribute or text cannot be stored.
[[nodiscard]] bool BuildDocument(const RecordList& records, std::u16string_view bookName) {
  RecordList emptyBook;
  if (RecordDepth(records, 0) > 0) AppendEmptyBook(emptyBook, NumberSuffix::kNone, bookName);
  xml::XmlNode* const root = xml::RootNode(kDocument);
  std::vector<OpenElement> open;
  std::u16string textBuffer;
  const RecordList* const lists[] = {&emptyBook, &records};
  for (const RecordList* list : lists) {
    DocumentNames names(*list);
    for (std::size_t index = 0; index < RecordCount(*list); ++index) {
      const std::int32_t depth = RecordDepth(*list, index);
      while (!open.empty() && open.back().depth >= depth) open.pop_back();
      // With nothing shallower open, the record is the main element; a further top-level
      // record (a copied contact of a book whose main element was a contact) goes below it.
      xml::XmlNode* parent = open.empty() ? root : open.back().node;
      if (parent == root && xml::MainNode(kDocument) != nullptr) parent = xml::MainNode(kDocument);
      xml::XmlNode* element = AddElement(parent, *list, index, names, bookName, textBuffer);
      if (element == nullptr) return false;
      open.push_back({depth, element});
    }
  }
  return true;
}

}  // namespace

void Save(int slotNumber) {
  const BookSlot* slot = FindSlot(slotNumber);
  // An empty record list is no phonebook; writing it could replace a good file with nothing.
  if (slot == nullptr || RecordCount(slot->records) == 0) return;
  const std::u16string file = tk::GetText(slot->fileField);
  const std::u16string path = file + u"_NEU.xml";
  // A Datei field that names no file would put a hidden "_NEU.xml" into some folder the user
  // never chose (the one the program was started from, for an empty field).
  if (FilePart(file).empty()) {
    ReportFileProblem(kUnsaved, path, tk::kIconWarning);
    return;
  }
  if (xml::CreateDocument(kDocument, xml::EncodingUtf8) == 0) return;
  const std::u16string bookName = XmlCharactersOnly(tk::GetText(slot->nameField));
  // Re-indenting in LF style gives the same text as re-indenting in the new document's
  // CR LF style and converting every break to LF afterwards; it is done on the way out.
  const bool saved = BuildDocument(slot->records, bookName) &&
                     xml::SaveFormatted(kDocument, path, xml::FormatLf, kIndent) != 0;
  xml::FreeDocument(kDocument);
  // Without this message the user would close the program believing the book was saved.
  if (!saved) {
    ReportFileProblem(kUnsaved, path, tk::kIconWarning);
  }
}

}  // namespace rk::book
