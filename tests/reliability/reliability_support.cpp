#include "reliability_support.h"

#ifndef _WIN32
#include <unistd.h>
#endif

#include <cstdlib>

#include "book/record_list.h"
#include "book/slot.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "support/book_records.h"
#include "xml/xml.h"

namespace rk::reliability::test {
namespace {

// The document number the checks parse saved files into; the book operations use 0.
constexpr int kCheckDocument = 7;

std::string Contact(std::string_view name, std::string_view number, std::string_view id) {
  std::string text = "  <contact>\n   <person><realName>";
  text += name;
  text += "</realName></person>\n   <telephony><number type=\"home\">";
  text += number;
  text += "</number></telephony>\n   <uniqueid>";
  text += id;
  text += "</uniqueid>\n  </contact>\n";
  return text;
}

constexpr std::string_view kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<phonebooks>\n <phonebook owner=\"1\" name=\"Gross\">\n";
constexpr std::string_view kTail = " </phonebook>\n</phonebooks>\n";

}  // namespace

#ifdef _WIN32
// Windows has no user who may write a read-only file, so nothing changes hands.
AsUnprivilegedUser::AsUnprivilegedUser() = default;
AsUnprivilegedUser::~AsUnprivilegedUser() = default;
void GiveToUnprivilegedUser(const std::filesystem::path&) {}
#else
// The ids of "nobody" on Debian.
constexpr uid_t kUnprivilegedUser = 65534;
constexpr gid_t kUnprivilegedGroup = 65534;

// Only the effective ids change (the saved ones stay root), so the scope can end; the change
// holds for every thread of the process.
AsUnprivilegedUser::AsUnprivilegedUser() {
  if (::getuid() != 0) return;
  if (::setegid(kUnprivilegedGroup) != 0 || ::seteuid(kUnprivilegedUser) != 0) {
    ADD_FAILURE() << "cannot act as the unprivileged user";
  }
}

AsUnprivilegedUser::~AsUnprivilegedUser() {
  if (::getuid() != 0) return;
  if (::seteuid(0) != 0 || ::setegid(0) != 0) std::abort();
}

void GiveToUnprivilegedUser(const std::filesystem::path& path) {
  if (::getuid() == 0 && ::lchown(path.c_str(), kUnprivilegedUser, kUnprivilegedGroup) != 0) {
    ADD_FAILURE() << "cannot give " << path << " to the unprivileged user";
  }
}
#endif

AnsweredDialogs::AnsweredDialogs() {
  tk::SetDialogHook([this](std::u16string_view title, std::u16string_view text) -> std::u16string {
    if (title == u"Telefonbuch auswählen:") {
      ++fileDialogs_;
      return nextPath_ < paths_.size() ? paths_[nextPath_++] : std::u16string();
    }
    boxes_.push_back({std::u16string(title), std::u16string(text)});
    return {};
  });
}

AnsweredDialogs::~AnsweredDialogs() { tk::SetDialogHook({}); }

std::size_t AnsweredDialogs::Count(std::u16string_view title) const {
  std::size_t count = 0;
  for (const Box& box : boxes_) count += box.title == title ? 1u : 0u;
  return count;
}

std::u16string ParseErrorText(int line, int column, std::u16string_view message) {
  return u"  Fehler in der XML-Datei.    \n\n  Zeile:\t" + DecimalText(line) + u"    \n  Spalte:\t" +
         DecimalText(column) + u"    \n\n  Meldung:\n    " + std::u16string(message) + u"    \n";
}

std::u16string UnreadableText(std::u16string_view path) {
  return u"  Das Telefonbuch kann nicht geöffnet werden.    \n\n  Datei:  " + std::u16string(FilePart(path)) +
         u"    \n\n  Pfad:   " + std::u16string(FolderPart(path)) + u"    ";
}

std::u16string UnwritableText(std::u16string_view path) {
  return u"  Das Telefonbuch kann nicht gespeichert werden.    \n\n  Datei:  " +
         std::u16string(FilePart(path)) + u"    \n\n  Pfad:   " + std::u16string(FolderPart(path)) + u"    ";
}

std::u16string NodeReportText(std::u16string_view kind) {
  return u"  Ein XML-Knoten '" + std::u16string(kind) +
         u"' wurde gefunden.\n  Dieser wird noch nicht verarbeitet und ignoriert.    \n  Bitte beachten !";
}

std::u16string ParseErrorMessageOf(std::u16string_view text) {
  constexpr std::u16string_view kLine = u"  Meldung:\n    ";
  const std::size_t at = text.find(kLine);
  if (at == std::u16string_view::npos) return {};
  std::u16string_view rest = text.substr(at + kLine.size());
  constexpr std::u16string_view kEnd = u"    \n";
  if (rest.size() >= kEnd.size() && rest.substr(rest.size() - kEnd.size()) == kEnd) {
    rest.remove_suffix(kEnd.size());
  }
  return std::u16string(rest);
}

bool SlotInStep(int slot) { return rk::test::RowsInStep(*book::FindSlot(slot)); }

std::size_t CountElements(int document) {
  xml::XmlNode* top = xml::MainNode(document);
  std::size_t count = 0;
  std::size_t depth = 0;
  for (xml::XmlNode* at = top; at != nullptr;) {
    if (xml::NodeKind(at) == xml::kNodeElement) ++count;
    if (xml::XmlNode* child = xml::FirstChild(at)) {
      at = child;
      ++depth;
      continue;
    }
    while (at != nullptr) {
      if (depth == 0) return count;
      if (xml::XmlNode* next = xml::NextSibling(at)) {
        at = next;
        break;
      }
      at = xml::ParentNode(at);
      --depth;
    }
  }
  return count;
}

void ExpectSavedBookParses(int slot, const std::filesystem::path& file) {
  const book::RecordList& records = book::FindSlot(slot)->records;
  ASSERT_NE(xml::LoadDocument(kCheckDocument, FromOsPath(file)), 0) << file;
  EXPECT_EQ(xml::DocumentStatus(kCheckDocument), 0)
      << file << ": " << ToUtf8(xml::ErrorMessage(kCheckDocument));
  const std::size_t wrapper = book::RecordCount(records) > 0 && book::RecordDepth(records, 0) > 0 ? 2 : 0;
  EXPECT_EQ(CountElements(kCheckDocument), book::RecordCount(records) + wrapper) << file;
  xml::FreeDocument(kCheckDocument);
}

bool SlotMentions(int slot, std::u16string_view needle) {
  const book::RecordList& records = book::FindSlot(slot)->records;
  for (std::size_t i = 0; i < book::RecordCount(records); ++i) {
    if (book::RecordName(records, i).find(needle) != std::u16string_view::npos ||
        book::RecordText(records, i).find(needle) != std::u16string_view::npos) {
      return true;
    }
    for (std::size_t k = 0; k < book::AttributeCount(records, i); ++k) {
      if (book::AttributeValue(records, i, k).find(needle) != std::u16string_view::npos) return true;
    }
  }
  return false;
}

std::string DeeplyNestedBook(std::size_t levels) {
  std::string text(kHead);
  text.reserve(text.size() + levels * 8 + 200);
  text += "  <contact><person><realName>Tief</realName></person>";
  for (std::size_t i = 0; i < levels; ++i) text += "<a>";
  text += "x";
  for (std::size_t i = 0; i < levels; ++i) text += "</a>";
  text += "</contact>\n";
  text += kTail;
  return text;
}

std::string BigAttributeBook(std::size_t bytes) {
  std::string text(kHead);
  text += "  <contact>\n   <person><realName>Anna</realName></person>\n   <telephony><number vanity=\"";
  text.reserve(text.size() + bytes + 200);
  // Letters and digits in a pattern that no shorter period repeats exactly.
  for (std::size_t i = 0; i < bytes; ++i) text.push_back(static_cast<char>('a' + (i * 7 + i / 26) % 26));
  text += "\">030 1</number></telephony>\n  </contact>\n";
  text += kTail;
  return text;
}

std::string LongNameBook(std::size_t characters) {
  const std::string name = "n" + std::string(characters - 1, 'x');
  std::string text(kHead);
  text += "  <contact>\n   <person><realName>Lang</realName></person>\n   <" + name + " kind=\"1\">inhalt</" +
          name + ">\n  </contact>\n";
  text += kTail;
  return text;
}

std::string CommentedBook(std::size_t count) {
  std::string text(kHead);
  text += Contact("Anna", "030 1", "1");
  for (std::size_t i = 0; i < count; ++i) text += "  <!-- Notiz " + std::to_string(i) + " -->\n";
  text += Contact("Bert", "030 2", "2");
  text += kTail;
  return text;
}

std::string QuadraticBlowUp(std::size_t entityBytes, std::size_t references, bool inAttribute) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE phonebooks [\n <!ENTITY a \"";
  text.append(entityBytes, 'x');
  text += "\">\n]>\n<phonebooks>\n <phonebook owner=\"1\" name=\"";
  std::string references_text;
  references_text.reserve(references * 3);
  for (std::size_t i = 0; i < references; ++i) references_text += "&a;";
  text += inAttribute ? references_text : std::string("Quadrat");
  text += "\">\n  <contact>\n   <person><realName>";
  text += inAttribute ? std::string("Anna") : references_text;
  text += "</realName></person>\n  </contact>\n";
  text += kTail;
  return text;
}

std::string GeneratedBook(std::size_t contacts) {
  std::string text(kHead);
  text.reserve(contacts * 260 + 200);
  for (std::size_t i = 0; i < contacts; ++i) {
    const std::string n = std::to_string(i);
    text += "  <contact>\n   <category>0</category>\n   <person><realName>Kontakt " + n +
            "</realName></person>\n   <telephony nid=\"2\"><number type=\"home\" prio=\"1\" id=\"0\">030 " +
            n + "</number><number type=\"mobile\" id=\"1\">0171 " + n + "</number></telephony>\n   <uniqueid>" +
            n + "</uniqueid>\n  </contact>\n";
  }
  text += kTail;
  return text;
}

}  // namespace rk::reliability::test
