#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

#include "book/book.h"
#include "book/file_message.h"
#include "book/slot.h"
#include "book/walk.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "xml/xml.h"

namespace rk::book {
namespace {

// The load works on document 0; it lives only while the file is being read.
constexpr int kDocument = 0;

// The blank, line-break and indentation options of the load's normalisation and copy.
constexpr int kNormalise = xml::FormatCutBreaks | xml::FormatReduceBreaks | xml::FormatReduceBlanks;
constexpr int kNormaliseIndent = 2;
constexpr int kCopyIndent = 3;

void ReportParseError() {
  std::u16string text = u"  Fehler in der XML-Datei.    \n\n";
  text += u"  Zeile:\t" + DecimalText(xml::ErrorLine(kDocument)) + u"    \n";
  text += u"  Spalte:\t" + DecimalText(xml::ErrorColumn(kDocument)) + u"    \n\n";
  text += u"  Meldung:\n    " + xml::ErrorMessage(kDocument) + u"    \n";
  tk::MessageBox(u"Fehlermeldung", text, tk::kIconWarning);
}

// False when document 0 is no document to copy: a load that ran out of memory before its main
// element would give a copy that is not well-formed, of a file that may well be.
bool CopyIsDocument() {
  return xml::DocumentStatus(kDocument) != xml::kStatusOutOfMemory || xml::MainNode(kDocument) != nullptr;
}

// The re-indented copy of document 0 beside the file, written on a thread of its own while
// the load goes on walking the same tree: that thread only reads the document (SaveFormatted
// of a ReadOnlyDocument). Going, it waits for the copy and frees the document. Made without a
// path, for a load that read no document, it does nothing.
class FormattedCopy {
 public:
  FormattedCopy() = default;
  explicit FormattedCopy(std::u16string_view path) : path_(std::u16string(path) + u"_Formatiert.xml") {
    if (!CopyIsDocument()) return;
    // Texts the normalisation could not settle (it ran out of memory) are reduced by the copy
    // itself, which changes the tree; then the copy is written here, before the walk reads it.
    if (!xml::SaveFormattedKeepsTree(kDocument, xml::FormatReindent)) {
      static_cast<void>(xml::SaveFormatted(kDocument, path_, xml::FormatReindent, kCopyIndent));
      return;
    }
    try {
      worker_ = std::thread([this] { WriteReadOnly(); });
    } catch (const std::system_error&) {
      WriteReadOnly();  // no thread to be had: written here instead
    }
  }
  ~FormattedCopy() {
    if (worker_.joinable()) worker_.join();
    if (!path_.empty()) xml::FreeDocument(kDocument);
  }
  FormattedCopy(const FormattedCopy&) = delete;
  FormattedCopy& operator=(const FormattedCopy&) = delete;

 private:
  // The copy is a convenience for the user; a failure to write it is not reported.
  void WriteReadOnly() const {
    static_cast<void>(xml::SaveFormatted(xml::ReadOnlyDocument{kDocument}, path_, xml::FormatReindent, kCopyIndent));
  }

  std::u16string path_;
  std::thread worker_;
};

// Parses the file into document 0 and reports what is wrong with it; false when no document
// was made. A malformed file still gives the tree read up to the error.
[[nodiscard]] bool ReadDocument(std::u16string_view path) {
  if (xml::LoadDocument(kDocument, path, xml::kEncodingAuto, kNormalise) == 0) {
    ReportFileProblem(u"Das Telefonbuch kann nicht geöffnet werden.", path, tk::kIconError);
    return false;
  }
  if (xml::DocumentStatus(kDocument) != 0) ReportParseError();
  // The load stored the texts normalised already; this settles the line-break style.
  xml::FormatDocument(kDocument, kNormalise, kNormaliseIndent);
  return true;
}

// Records the elements of document 0 into the load list, which is allocated once: the load
// counted what the walk will record.
void WalkDocument(LoadWork& work) {
  const xml::LoadedSize size = xml::LoadedTreeSize(kDocument);
  ReserveRecords(work.loadList, size.elements, size.attributes, size.characters);
  if (xml::XmlNode* main = xml::MainNode(kDocument)) Walk(main, 0, work);
  TrimCapacity(work.loadList);
}

}  // namespace

void Load(int slotNumber) {
  BookSlot* slot = FindSlot(slotNumber);
  if (slot == nullptr) return;
  const std::u16string path = tk::OpenFileDialog(u"Telefonbuch auswählen:", slot->rememberedFolder,
                                                 u"Telefonbuch (*.xml)|*.xml", 0);
  if (path.empty()) return;

  slot->rememberedFolder = FolderPart(path);
  tk::SetText(slot->fileField, path);
  LoadWork work;
  work.numberSuffix = slot->numberSuffix;
  // The old book goes before the new one is read, so the two are never in memory together.
  ClearRecords(slot->records);

  const bool read = ReadDocument(path);
  {
    // The copy is written while the tree is walked; the document goes once both are done,
    // before the rows are made, so a large book's tree and its rows are never held together.
    const FormattedCopy copy = read ? FormattedCopy(path) : FormattedCopy();
    if (read) WalkDocument(work);
  }
  // The load list is handed over rather than copied: a copy would hold a large book twice.
  slot->records = std::move(work.loadList);
  ShowAllRows(*slot);
  tk::SetText(slot->nameField, work.bookName);
  tk::AnnounceOutcome(u"Geladen: " + work.bookName + u", " + CountForReaders(*slot));
}

}  // namespace rk::book
