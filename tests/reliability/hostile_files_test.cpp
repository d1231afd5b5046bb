// Hostile files through "Laden" and then "Speichern", on the real widgets: every file gets its
// message or a clean load, the slot's rows stay in step with its records, and what is saved
// parses again. Small files live in tests/data/hostile; the big ones are made here.

#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#undef MessageBox
#undef FindWindow
#else
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "app/controls.h"
#include "book/record_list.h"
#include "book/slot.h"
#include "reliability_support.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::reliability::test {
namespace {

using book::test::Shown;

constexpr int kWarning = 48;
constexpr int kError = 16;

class HostileFileTest : public book::test::ShellTest {
 protected:
  // Copies a file of tests/data/hostile into the temporary folder; its path there.
  std::u16string Hostile(std::string_view name) {
    return WriteFile(name, rk::test::ReadFileBytes(rk::test::DataFile("hostile/" + std::string(name))));
  }

  // "Laden" in the slot with the real file dialog, OK on `boxes` message boxes; the boxes.
  std::vector<Shown> LoadFile(int slot, const std::u16string& path, int boxes) {
    std::vector<Shown> shown = Load(slot, path, boxes);
    EXPECT_TRUE(SlotInStep(slot));
    if (!shown.empty()) shown.erase(shown.begin());  // the file dialog
    return shown;
  }

  // "Speichern" in the slot: no message, and a file that parses back into as many elements as
  // the slot has records; nothing at all for an empty slot. The path of the saved file.
  std::filesystem::path SaveAndCheck(int slot) {
    const std::u16string path = tk::GetText(app::PaneControl(slot, app::kFileField)) + u"_NEU.xml";
    EXPECT_TRUE(PressAnswering(app::PaneControl(slot, app::kSaveButton), 0).empty());
    EXPECT_TRUE(SlotInStep(slot));
    const std::filesystem::path file = ToOsPath(path);
    if (book::RecordCount(book::FindSlot(slot)->records) == 0) {
      EXPECT_FALSE(std::filesystem::exists(file)) << "an empty book was written";
    } else {
      ExpectSavedBookParses(slot, file);
    }
    return file;
  }

  std::size_t Rows(int slot) { return static_cast<std::size_t>(tk::CountItems(app::PaneControl(slot, app::kContactList))); }

  // "Laden" in slot 1 of a file that is no file: one error box naming it, and an empty slot.
  void ExpectRefusedWithTheErrorBox(const std::u16string& path) {
    AnsweredDialogs dialogs;
    dialogs.Choose(path);
    Press(app::PaneControl(1, app::kLoadButton));
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].text, UnreadableText(path));
    EXPECT_EQ(Rows(1), 0u);
  }
  std::u16string NameField(int slot) { return tk::GetText(app::PaneControl(slot, app::kNameField)); }
  std::u16string Cell(int slot, int row, int column) {
    return tk::GetItemText(app::PaneControl(slot, app::kContactList), row, column);
  }
};

// Expects one warning box with the parse error message naming `message`; the shown line and
// column are returned for further checks.
void ExpectParseError(const std::vector<Shown>& shown, std::u16string_view message) {
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, u"Fehlermeldung");
  EXPECT_EQ(shown[0].icon, kWarning);
  EXPECT_EQ(shown[0].text.rfind(u"  Fehler in der XML-Datei.    \n\n  Zeile:\t", 0), 0u) << ToUtf8(shown[0].text);
  EXPECT_EQ(ParseErrorMessageOf(shown[0].text), message) << ToUtf8(shown[0].text);
}

// --- Entity expansion ---------------------------------------------------------------------

// References in element text are kept as they stand (the parser does not expand them), so a
// bomb there loads cleanly and small; in an attribute value the parser expands them and stops at
// its amplification limit, which the message names.
TEST_F(HostileFileTest, EntityBombsInTextStayUnexpanded) {
  const std::u16string laughs = Hostile("billion-laughs-text.xml");
  EXPECT_TRUE(LoadFile(1, laughs, 0).empty());
  EXPECT_EQ(Rows(1), 1u);
  EXPECT_EQ(Cell(1, 0, 3), u"&lol9;");
  const std::filesystem::path saved = SaveAndCheck(1);
  EXPECT_LT(std::filesystem::file_size(saved), 4096u);

  const std::u16string quadratic = WriteFile("quadratic-text.xml", QuadraticBlowUp(100000, 20000, false));
  EXPECT_TRUE(LoadFile(2, quadratic, 0).empty());
  EXPECT_EQ(Rows(2), 1u);
  EXPECT_EQ(Cell(2, 0, 3).size(), 20000u * 3);
  // Expanded, the references would make 2 GB; kept, the files stay near the input's 160 kB.
  EXPECT_LT(std::filesystem::file_size(SaveAndCheck(2)), 1000000u);
  EXPECT_LT(std::filesystem::file_size(ToOsPath(quadratic + u"_Formatiert.xml")), 1000000u);
}

TEST_F(HostileFileTest, EntityBombsInAttributesStopAtTheAmplificationLimit) {
  constexpr std::u16string_view kLimit = u"limit on input amplification factor (from DTD and entities) breached";
  ExpectParseError(LoadFile(1, Hostile("billion-laughs-attribute.xml"), 1), kLimit);
  // The tree up to the error holds the main element only; nothing was expanded into it.
  EXPECT_EQ(Rows(1), 0u);
  EXPECT_FALSE(SlotMentions(1, u"lollol"));
  SaveAndCheck(1);

  const std::u16string quadratic = WriteFile("quadratic-attribute.xml", QuadraticBlowUp(100000, 20000, true));
  ExpectParseError(LoadFile(2, quadratic, 1), kLimit);
  EXPECT_FALSE(SlotMentions(2, u"xxxxxxxx"));
  SaveAndCheck(2);
}

// --- Size ------------------------------------------------------------------------------------

// A million levels below one contact: loaded without exhausting the stack, one row, and the
// copy and the saved file grow linearly (the indentation stops growing at 256 columns).
TEST_F(HostileFileTest, MillionNestingLevels) {
  const std::size_t levels = 1000000 / kSanitizerShrink;
  const std::u16string path = WriteFile("tief.xml", DeeplyNestedBook(levels));
  EXPECT_TRUE(LoadFile(1, path, 0).empty());
  EXPECT_EQ(Rows(1), 1u);
  EXPECT_EQ(Cell(1, 0, 3), u"Tief");
  EXPECT_EQ(book::RecordCount(book::FindSlot(1)->records), levels + 5);
  // Two lines per level, each indented by at most 256 columns, plus the tag.
  const std::uintmax_t bound = levels * 2 * (256 + 8) + 4096;
  EXPECT_LE(std::filesystem::file_size(ToOsPath(path + u"_Formatiert.xml")), bound);
  EXPECT_LE(std::filesystem::file_size(SaveAndCheck(1)), bound);
}

// A 50 MB attribute value is loaded, kept and saved exactly.
TEST_F(HostileFileTest, FiftyMegabyteAttributeValue) {
  const std::size_t bytes = 50 * 1000 * 1000 / kSanitizerShrink;
  const std::string book = BigAttributeBook(bytes);
  const std::u16string path = WriteFile("gross.xml", book);
  EXPECT_TRUE(LoadFile(1, path, 0).empty());
  EXPECT_EQ(Rows(1), 1u);
  EXPECT_EQ(Cell(1, 0, 4), u"030 1");
  const std::filesystem::path saved = SaveAndCheck(1);
  const std::size_t start = book.find("vanity=\"") + 8;
  const std::string value = book.substr(start, bytes);
  EXPECT_NE(rk::test::ReadFileBytes(saved).find("vanity=\"" + value + "\""), std::string::npos);
}

TEST_F(HostileFileTest, MillionCharacterElementName) {
  const std::size_t characters = 1000000 / kSanitizerShrink;
  const std::u16string path = WriteFile("langname.xml", LongNameBook(characters));
  EXPECT_TRUE(LoadFile(1, path, 0).empty());
  EXPECT_EQ(Rows(1), 1u);
  const book::RecordList& records = book::FindSlot(1)->records;
  bool found = false;
  for (std::size_t i = 0; i < book::RecordCount(records); ++i) {
    found = found || (book::RecordName(records, i).size() == characters && book::RecordText(records, i) == u"inhalt");
  }
  EXPECT_TRUE(found);
  const std::string saved = rk::test::ReadFileBytes(SaveAndCheck(1));
  EXPECT_NE(saved.find("<n" + std::string(characters - 1, 'x') + " kind=\"1\">inhalt</n"), std::string::npos);
}

// Ten thousand comments inside the main element give ten thousand boxes, one each, answered in
// code; none of them is kept.
TEST_F(HostileFileTest, TenThousandCommentsGiveTenThousandBoxes) {
  const std::size_t comments = 10000;
  const std::u16string path = WriteFile("notizen.xml", CommentedBook(comments));
  AnsweredDialogs dialogs;
  dialogs.Choose(path);
  Press(app::PaneControl(1, app::kLoadButton));
  EXPECT_EQ(dialogs.fileDialogs(), 1);
  EXPECT_EQ(dialogs.boxes().size(), comments);
  EXPECT_EQ(dialogs.Count(u"Information"), comments);
  for (const Box& box : dialogs.boxes()) {
    if (box.text != NodeReportText(u"Comment")) {
      ADD_FAILURE() << ToUtf8(box.text);
      break;
    }
  }
  EXPECT_TRUE(SlotInStep(1));
  EXPECT_EQ(Rows(1), 2u);
  const std::filesystem::path saved = SaveAndCheck(1);
  EXPECT_EQ(rk::test::ReadFileBytes(saved).find("Notiz"), std::string::npos);
}

// --- Bytes that are not what they claim ------------------------------------------------------

TEST_F(HostileFileTest, InvalidUtf8AndNulByteStopAtTheBadByte) {
  std::vector<Shown> shown = LoadFile(1, Hostile("invalid-utf8.xml"), 1);
  ExpectParseError(shown, u"not well-formed (invalid token)");
  EXPECT_EQ(shown[0].text, ParseErrorText(10, 23, u"not well-formed (invalid token)"));
  // Anna's contact was complete; Bert's was cut at the bad byte and is shown as far as it got.
  ASSERT_EQ(Rows(1), 2u);
  EXPECT_EQ(Cell(1, 0, 3), u"Anna");
  SaveAndCheck(1);

  shown = LoadFile(2, Hostile("nul-byte.xml"), 1);
  ExpectParseError(shown, u"not well-formed (invalid token)");
  EXPECT_EQ(shown[0].text, ParseErrorText(10, 24, u"not well-formed (invalid token)"));
  EXPECT_EQ(Rows(2), 2u);
  SaveAndCheck(2);
}

// UTF-16 is recognised by its byte-order mark or, without one, by the first character "<":
// both byte orders load cleanly and are saved in UTF-8.
TEST_F(HostileFileTest, Utf16WithAndWithoutByteOrderMark) {
  for (const char* name : {"utf16le-bom.xml", "utf16be-bom.xml", "utf16le-no-bom.xml", "utf16be-no-bom.xml",
                           "utf16le-no-bom-no-declaration.xml"}) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(LoadFile(1, Hostile(name), 0).empty());
    ASSERT_EQ(Rows(1), 2u);
    EXPECT_EQ(Cell(1, 0, 3), u"Anna");
    EXPECT_EQ(Cell(1, 1, 3), u"Bert");
    EXPECT_EQ(NameField(1), u"Feindlich");
    const std::string saved = rk::test::ReadFileBytes(SaveAndCheck(1));
    EXPECT_EQ(saved.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u);
  }
}

// --- Files that end early -----------------------------------------------------------------

TEST_F(HostileFileTest, TruncatedFileShowsWhereItEnds) {
  const std::vector<Shown> shown = LoadFile(1, Hostile("truncated.xml"), 1);
  ExpectParseError(shown, u"unclosed token");
  EXPECT_EQ(shown[0].text, ParseErrorText(11, 15, u"unclosed token"));
  EXPECT_EQ(Rows(1), 2u);
  SaveAndCheck(1);
}

// --- Not a readable file --------------------------------------------------------------------

// A folder given back by the file dialog cannot be opened: the error box, an empty slot, no
// copy, and "Speichern" writes nothing.
TEST_F(HostileFileTest, FolderChosenAsTheFile) {
  const std::filesystem::path folder = folder_ / "Ordner.xml";
  std::filesystem::create_directory(folder);
  const std::u16string path = FromOsPath(folder);
  {
    AnsweredDialogs dialogs;
    dialogs.Choose(path);
    Press(app::PaneControl(1, app::kLoadButton));
    ASSERT_EQ(dialogs.boxes().size(), 1u);
    EXPECT_EQ(dialogs.boxes()[0].title, u"Fehlermeldung");
    EXPECT_EQ(dialogs.boxes()[0].text, UnreadableText(path));
  }
  EXPECT_TRUE(SlotInStep(1));
  EXPECT_EQ(Rows(1), 0u);
  EXPECT_EQ(NameField(1), u"Unbekannt");
  EXPECT_FALSE(std::filesystem::exists(ToOsPath(path + u"_Formatiert.xml")));
  SaveAndCheck(1);
}

#ifdef _WIN32
// The reserved device names and a folder of a missing drive chosen as the file are refused at
// once with the error box: a device is no file, and reading one could wait for ever.
TEST_F(HostileFileTest, DevicesAndMissingDrivesAreRefusedWithoutWaiting) {
  for (const std::u16string& path : {Folder() + u"NUL", Folder() + u"CON", Folder() + u"con.xml",
                                     std::u16string(u"Q:\\fehlt\\Buch.xml")}) {
    SCOPED_TRACE(ToUtf8(path));
    ExpectRefusedWithTheErrorBox(path);
  }
}

// A file another program holds open without sharing it cannot be read: the error box, an
// empty slot, and the file stays as it was.
TEST_F(HostileFileTest, FileHeldOpenByAnotherProgram) {
  const std::u16string path = WriteFile("gesperrt.xml", GeneratedBook(2));
  const std::wstring name(path.begin(), path.end());
  const HANDLE held = CreateFileW(name.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const std::vector<Shown> shown = LoadFile(1, path, 1);
  CloseHandle(held);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, kError);
  EXPECT_EQ(shown[0].text, UnreadableText(path));
  EXPECT_EQ(Rows(1), 0u);
  EXPECT_EQ(ReadFile(path), GeneratedBook(2));
  SaveAndCheck(1);
}
#else
// A FIFO without a writer, a socket or a device chosen as the file is refused at once with the
// error box: opening or reading one would wait for ever.
TEST_F(HostileFileTest, SpecialFilesAreRefusedWithoutWaiting) {
  const std::filesystem::path fifo = folder_ / "Rohr.xml";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  const std::filesystem::path socketFile = folder_ / "Dose.xml";
  const int server = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(server, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  socketFile.native().copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  for (const std::filesystem::path& file : {fifo, socketFile, std::filesystem::path("/dev/zero"),
                                            std::filesystem::path("/dev/tty")}) {
    SCOPED_TRACE(file.string());
    ExpectRefusedWithTheErrorBox(FromOsPath(file));
  }
  ::close(server);
}

TEST_F(HostileFileTest, FileWithoutReadPermission) {
  const std::u16string path = WriteFile("gesperrt.xml", GeneratedBook(2));
  std::filesystem::permissions(ToOsPath(path), std::filesystem::perms::none);
  std::vector<Shown> shown;
  {
    // Root reads files whatever their permission bits say.
    AsUnprivilegedUser nobody;
    shown = LoadFile(1, path, 1);
  }
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].icon, kError);
  EXPECT_EQ(shown[0].text, UnreadableText(path));
  EXPECT_EQ(Rows(1), 0u);
  SaveAndCheck(1);
}
#endif

// --- External entities ----------------------------------------------------------------------

// External entities and an external DTD are never read: a secret in the files they name does
// not reach the book, its copy or its saved file, and no connection is made for an http one.
TEST_F(HostileFileTest, ExternalEntitiesAreNeverRead) {
  constexpr std::string_view kSecret = "GEHEIMNIS-4711";
  WriteFile("geheim.txt", kSecret);
  WriteFile("geheim.dtd", "<!ENTITY geheim \"GEHEIMNIS-4711\">\n<!ELEMENT phonebooks ANY>\n");

  for (const char* name : {"external-entity.xml", "external-dtd.xml"}) {
    SCOPED_TRACE(name);
    const std::u16string path = Hostile(name);
    EXPECT_TRUE(LoadFile(1, path, 0).empty());
    ASSERT_EQ(Rows(1), 1u);
    EXPECT_EQ(Cell(1, 0, 3), u"&geheim;");
    EXPECT_FALSE(SlotMentions(1, u"GEHEIMNIS"));
    EXPECT_EQ(ReadFile(path + u"_Formatiert.xml").find(kSecret), std::string::npos);
    EXPECT_EQ(rk::test::ReadFileBytes(SaveAndCheck(1)).find(kSecret), std::string::npos);
  }

  // In an attribute value the reference is an error of its own.
  const std::vector<Shown> shown = LoadFile(1, Hostile("external-entity-attribute.xml"), 1);
  ExpectParseError(shown, u"reference to external entity in attribute");
  EXPECT_FALSE(SlotMentions(1, u"GEHEIMNIS"));
  SaveAndCheck(1);

#ifndef _WIN32
  // An entity on a local web server: the server sees no connection (POSIX sockets).
  const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  ASSERT_GE(server, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ASSERT_EQ(::bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(server, 4), 0);
  ASSERT_EQ(::getsockname(server, reinterpret_cast<sockaddr*>(&address), &length), 0);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/geheim.dtd";
  const std::u16string web = WriteFile(
      "web.xml", "<?xml version=\"1.0\"?>\n<!DOCTYPE phonebooks SYSTEM \"" + url +
                     "\" [\n <!ENTITY netz SYSTEM \"" + url + "\">\n]>\n<phonebooks><phonebook name=\"Netz\">"
                     "<contact><person><realName>&netz;</realName></person></contact></phonebook></phonebooks>\n");
  EXPECT_TRUE(LoadFile(2, web, 0).empty());
  EXPECT_EQ(Rows(2), 1u);
  SaveAndCheck(2);
  EXPECT_LT(::accept(server, nullptr, nullptr), 0);
  EXPECT_TRUE(errno == EAGAIN || errno == EWOULDBLOCK);
  ::close(server);
#endif
}

}  // namespace
}  // namespace rk::reliability::test
