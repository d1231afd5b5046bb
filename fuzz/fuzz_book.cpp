// The book logic on arbitrary files: the input is loaded into book 1 through the real "Laden"
// (file dialog and message boxes answered in code, the boxes counted), a small phonebook into
// book 2, and then the last bytes of the input script a mix of marks, copy, move, delete, new,
// name changes, reloads and saves between the two slots. After every step the rows of both
// slots must be in step with their record runs, and every saved file must parse again and hold
// one element per record.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "app/controls.h"
#include "app/shell.h"
#include "book/book.h"
#include "book/record_list.h"
#include "book/slot.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "support/book_records.h"
#include "xml/xml.h"

namespace {

using rk::app::PaneControl;

// The document number the checks use; the book operations use 0.
constexpr int kCheckDocument = 5;
// At most this many trailing bytes of the input are read as the script.
constexpr std::size_t kScriptBytes = 24;

constexpr std::string_view kSecondBook =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<phonebooks>\n"
    " <phonebook owner=\"1\" name=\"Zwei\">\n"
    "  <contact><person><realName>Anna</realName></person>"
    "<telephony><number type=\"home\">111</number></telephony><uniqueid>11</uniqueid></contact>\n"
    "  <contact><person><realName>Bert &amp; Co</realName></person>"
    "<telephony><number>222</number><number>223</number></telephony><uniqueid>12</uniqueid></contact>\n"
    "  <contact><uniqueid>13</uniqueid></contact>\n"
    " </phonebook>\n"
    "</phonebooks>\n";

struct Session {
  std::filesystem::path folder;
  std::u16string input;       // the fuzzed file
  std::u16string secondBook;  // kSecondBook
  std::u16string nextPath;    // the answer of the next file dialog
  long boxes = 0;             // message boxes of the current input
  long errorBoxes = 0;        // of them, "Fehlermeldung" boxes
};

Session& Current() {
  static Session session;
  return session;
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "fuzz_book: %s\n", what);
  std::abort();
}

void WriteBytes(const std::filesystem::path& path, const void* data, std::size_t size) {
  std::ofstream file(path, std::ios::binary);
  file.write(static_cast<const char*>(static_cast<const void*>(data)), static_cast<std::streamsize>(size));
  if (!file) Fail("cannot write a work file");
}

// The message boxes of the book logic are counted and checked here instead of being shown:
// a parse error always names the parser's message.
std::u16string AnswerDialog(std::u16string_view title, std::u16string_view text) {
  Session& session = Current();
  if (title == u"Telefonbuch auswählen:") return session.nextPath;
  ++session.boxes;
  if (title == u"Fehlermeldung") {
    ++session.errorBoxes;
    constexpr std::u16string_view kParseError = u"  Fehler in der XML-Datei.";
    constexpr std::u16string_view kMessageLine = u"  Meldung:\n    ";
    if (text.substr(0, kParseError.size()) == kParseError) {
      const std::size_t at = text.find(kMessageLine);
      if (at == std::u16string_view::npos) Fail("parse error without a message line");
      if (text.substr(at + kMessageLine.size(), 4) == u"    ") Fail("parse error with an empty message");
    }
  } else if (title != u"Information") {
    Fail("message box of an unknown kind");
  }
  return {};
}

rk::book::BookSlot& Slot(int slot) { return *rk::book::FindSlot(slot); }

void CheckInStep(const char* after) {
  for (const int slot : {1, 2}) {
    if (!rk::test::RowsInStep(Slot(slot))) {
      std::fprintf(stderr, "fuzz_book: rows of slot %d out of step after %s\n", slot, after);
      std::abort();
    }
  }
}

// Clicks a pane button the way the event loop hands it on.
void Press(int slot, int bookOneControl) {
  rk::app::DispatchEvent(rk::tk::kEventControl, PaneControl(slot, bookOneControl));
}

void Load(int slot, const std::u16string& path) {
  std::error_code error;
  // Replacing an existing copy would make the save wait for the disk.
  std::filesystem::remove(rk::ToOsPath(path + u"_Formatiert.xml"), error);
  Current().nextPath = path;
  Press(slot, rk::app::kLoadButton);
}

// Number of elements below and including `node`.
std::size_t CountElements(rk::xml::XmlNode* node) {
  std::size_t count = 0;
  std::size_t depth = 0;
  for (rk::xml::XmlNode* at = node; at != nullptr;) {
    if (rk::xml::NodeKind(at) == rk::xml::kNodeElement) ++count;
    if (rk::xml::XmlNode* child = rk::xml::FirstChild(at)) {
      at = child;
      ++depth;
      continue;
    }
    while (at != nullptr) {
      if (depth == 0) return count;
      if (rk::xml::XmlNode* next = rk::xml::NextSibling(at)) {
        at = next;
        break;
      }
      at = rk::xml::ParentNode(at);
      --depth;
    }
  }
  return count;
}

// "Speichern": a book with records is written completely and parses again, one element per
// record (plus the phonebooks and phonebook pair a book without a main element is put into);
// an empty book writes nothing.
void Save(int slot) {
  const rk::book::RecordList& records = Slot(slot).records;
  const std::u16string path = rk::tk::GetText(Slot(slot).fileField) + u"_NEU.xml";
  const std::filesystem::path file = rk::ToOsPath(path);
  std::error_code error;
  std::filesystem::remove(file, error);
  const long errorsBefore = Current().errorBoxes;
  Press(slot, rk::app::kSaveButton);
  if (Current().errorBoxes != errorsBefore) Fail("saving into the work folder was reported as failed");
  const std::size_t count = rk::book::RecordCount(records);
  if (count == 0) {
    if (std::filesystem::exists(file, error)) Fail("an empty book was written");
    return;
  }
  if (rk::xml::LoadDocument(kCheckDocument, path) == 0) Fail("the saved file is missing");
  if (rk::xml::DocumentStatus(kCheckDocument) != 0) Fail("the saved file does not parse");
  const std::size_t wrapper = rk::book::RecordDepth(records, 0) > 0 ? 2 : 0;
  if (CountElements(rk::xml::MainNode(kCheckDocument)) != count + wrapper) {
    Fail("the saved file does not hold one element per record");
  }
  rk::xml::FreeDocument(kCheckDocument);
}

// Highlights the rows picked by the bits of `pattern` (row i: bit i mod 4).
void Highlight(int slot, unsigned pattern, int state) {
  const int list = Slot(slot).contactList;
  const int rows = rk::tk::CountItems(list);
  for (int row = 0; row < rows; ++row) {
    if ((pattern >> (row % 4) & 1u) != 0) rk::tk::SetItemState(list, row, rk::tk::GetItemState(list, row) | state);
  }
}

// A Name field text from input bytes read as UTF-16 units, any of them.
std::u16string NameFrom(const std::uint8_t* data, std::size_t size, std::size_t at) {
  std::u16string name;
  for (std::size_t i = at; i + 1 < size && name.size() < 12; i += 2) {
    name.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  return name;
}

}  // namespace

// Fontconfig, under Qt's font handling, keeps caches it never frees; they are not the
// program's leaks.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerInitialize(int*, char***) {
#ifndef _WIN32
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
#endif
  Session& session = Current();
  std::error_code error;
  const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                         ? std::filesystem::path("/dev/shm")
                                         : std::filesystem::temp_directory_path();
  session.folder = base / ("rufkartei-fuzz-book-" + std::to_string(::getpid()));
  std::filesystem::create_directories(session.folder);
  session.input = rk::FromOsPath(session.folder / "input.xml");
  session.secondBook = rk::FromOsPath(session.folder / "zwei.xml");
  WriteBytes(session.folder / "zwei.xml", kSecondBook.data(), kSecondBook.size());
  rk::tk::SetDialogHook(&AnswerDialog);
  if (!rk::app::StartShell(rk::FromOsPath(session.folder) + u"/")) Fail("the shell does not start");
  // libFuzzer ends the process with exit(). The toolkit is ended before Qt's own static
  // objects go; the settings are not written, their per-thread state is already gone by then.
  std::atexit([] { rk::tk::EndToolkit(); });
  // New books are named after the remembered folder; keep them in the work folder.
  for (const int slot : {1, 2}) rk::book::SetRememberedFolder(slot, rk::FromOsPath(session.folder) + u"/");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Session& session = Current();
  session.boxes = 0;
  session.errorBoxes = 0;
  WriteBytes(rk::ToOsPath(session.input), data, size);

  Load(1, session.input);
  CheckInStep("loading the input");
  // One message at most tells what is wrong with the file itself.
  if (session.errorBoxes > 1) Fail("more than one error message for one load");
  Load(2, session.secondBook);
  CheckInStep("loading the second book");

  const std::size_t scriptLength = size < kScriptBytes ? size : kScriptBytes;
  const std::uint8_t* script = data + size - scriptLength;
  for (std::size_t step = 0; step < scriptLength; ++step) {
    const unsigned op = script[step] & 0x0Fu;
    const unsigned arg = script[step] >> 4;
    const int slot = (arg & 1u) != 0 ? 2 : 1;
    switch (op) {
      case 0:
      case 1:
        Highlight(slot, arg >> 1 | (op << 3), rk::tk::kRowSelected);
        Press(slot, rk::app::kMarkButton);
        break;
      case 2:
        Highlight(slot, arg >> 1, rk::tk::kRowSelected);
        Press(slot, rk::app::kUnmarkButton);
        break;
      case 3:
        Highlight(slot, arg, rk::tk::kRowTicked);
        break;
      case 4:
      case 5:
        Press(slot, rk::app::kCopyButton);
        break;
      case 6:
      case 7:
        Press(slot, rk::app::kMoveButton);
        break;
      case 8:
        Press(slot, rk::app::kDeleteButton);
        break;
      case 9:
      case 10:
        Save(slot);
        break;
      case 11:
        Load(slot, (arg & 2u) != 0 ? session.secondBook : session.input);
        break;
      case 12:
        Press(slot, rk::app::kNewButton);
        break;
      case 13:
        rk::tk::SetText(Slot(slot).nameField, NameFrom(data, size, arg));
        break;
      default:
        // Whatever was highlighted is no longer.
        for (int row = 0; row < rk::tk::CountItems(Slot(slot).contactList); ++row) {
          const int list = Slot(slot).contactList;
          rk::tk::SetItemState(list, row, rk::tk::GetItemState(list, row) & ~rk::tk::kRowSelected);
        }
        break;
    }
    CheckInStep("a scripted step");
  }
  Save(1);
  Save(2);
  return 0;
}
