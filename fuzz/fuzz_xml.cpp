// Loads arbitrary bytes as an XML file, formats the tree as a load does (88, then 128),
// saves it and loads the saved file again; the copy written re-indented on the way out must
// equal the saved one byte for byte, also when the load normalised the texts as it read them,
// for the settled tree and, in every line-break style, for
// the reloaded one. A document that parsed without error must come
// back without error and with the same nodes, names, attributes and texts (blanks and line
// breaks aside, which formatting changes). ISO-8859-1 documents are left out of that check:
// their names and comments may hold characters the encoding cannot write.

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "services/text.h"
#include "xml/xml.h"

namespace {

using namespace rk::xml;

const std::filesystem::path& WorkFolder() {
  static const std::filesystem::path folder = [] {
    std::filesystem::path made =
        std::filesystem::temp_directory_path() / ("rufkartei-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(made);
    return made;
  }();
  return folder;
}

// False for a character XML 1.0 has no place for. Expat lets one through only right after
// half a surrogate pair in UTF-16 input; no writer can give it back.
bool IsXmlCharacter(char16_t unit) {
  return unit >= 0x20 ? unit != 0xFFFE && unit != 0xFFFF : unit == u'\t' || unit == u'\n' || unit == u'\r';
}

// Appends `text` as a reload gives it back: half a surrogate pair is written as U+FFFD;
// with `dropBlanks`, blanks and line breaks are left out.
void AppendComparable(std::u16string& out, std::u16string_view text, bool dropBlanks, bool& representable) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t unit = text[i];
    if (!IsXmlCharacter(unit)) representable = false;
    if (dropBlanks && (unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n')) continue;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out += unit;
      out += text[++i];
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      out += u'\uFFFD';
    } else {
      out += unit;
    }
  }
}

// Every node in document order (the children of a DTD aside, which are not written).
// `representable` turns false when a text holds a character XML 1.0 cannot carry.
std::u16string Signature(XmlNode* root, bool& representable) {
  std::u16string out;
  XmlNode* node = root;
  while (node != nullptr) {
    out += static_cast<char16_t>(u'0' + NodeKind(node));
    out += NodeNameView(node);
    if (BeginAttributes(node)) {
      while (NextAttribute(node)) {
        out += u' ';
        out += AttributeNameView(node);
        out += u'=';
        AppendComparable(out, AttributeValueView(node), false, representable);
      }
    }
    out += u'[';
    AppendComparable(out, NodeTextView(node), true, representable);
    out += u']';
    if (FirstChild(node) != nullptr && NodeKind(node) != kNodeDtd) {
      node = FirstChild(node);
      continue;
    }
    while (node != nullptr && NextSibling(node) == nullptr) node = ParentNode(node);
    if (node != nullptr) node = NextSibling(node);
  }
  return out;
}

// The whole content of a file ("" when it cannot be read).
std::string FileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  std::string bytes(file ? static_cast<std::size_t>(file.tellg()) : 0, '\0');
  file.seekg(0);
  file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return file ? bytes : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::filesystem::path input = WorkFolder() / "input.xml";
  const std::filesystem::path output = WorkFolder() / "output.xml";
  std::ofstream(input, std::ios::binary).write(reinterpret_cast<const char*>(data),
                                               static_cast<std::streamsize>(size));
  const std::filesystem::path streamed = WorkFolder() / "streamed.xml";
  // The output is removed before each save: replacing a file makes the save wait for the disk.
  if (LoadDocument(0, rk::FromOsPath(input)) != 0) {
    bool checked = DocumentStatus(0) == 0 && DocumentEncoding(0) != EncodingLatin1;
    FormatDocument(0, FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks, 2);
    // The copy a load writes on the way out must equal re-indenting and saving.
    std::filesystem::remove(streamed);
    if (SaveFormatted(0, rk::FromOsPath(streamed), FormatReindent, 3) == 0) std::abort();
    FormatDocument(0, FormatReindent, 3);
    std::filesystem::remove(output);
    if (SaveDocument(0, rk::FromOsPath(output)) == 0) std::abort();
    if (FileBytes(streamed) != FileBytes(output)) std::abort();
    // A load that normalises while it reads must lead to the same copy.
    const int normalise = FormatCutBreaks | FormatReduceBreaks | FormatReduceBlanks;
    if (LoadDocument(3, rk::FromOsPath(input), kEncodingAuto, normalise) == 0) std::abort();
    FormatDocument(3, normalise, 2);
    std::filesystem::remove(streamed);
    if (SaveFormatted(3, rk::FromOsPath(streamed), FormatReindent, 3) == 0) std::abort();
    if (FileBytes(streamed) != FileBytes(output)) std::abort();
    if (LoadDocument(1, rk::FromOsPath(output)) == 0) std::abort();
    if (checked) {
      bool representable = true;
      std::u16string before = Signature(RootNode(0), representable);
      if (representable && (DocumentStatus(1) != 0 || Signature(RootNode(1), representable) != before)) {
        std::abort();
      }
    }
    // The same on a tree that is not settled, in a line-break style the input picks.
    const int styles[] = {0, FormatLf, FormatCr, FormatCrLf};
    const int style = styles[size % 4];
    std::filesystem::remove(streamed);
    if (SaveFormatted(1, rk::FromOsPath(streamed), style, 2) == 0) std::abort();
    if (LoadDocument(2, rk::FromOsPath(output)) == 0) std::abort();
    FormatDocument(2, style | FormatReindent, 2);
    std::filesystem::remove(output);
    if (SaveDocument(2, rk::FromOsPath(output)) == 0) std::abort();
    if (FileBytes(streamed) != FileBytes(output)) std::abort();
    FormatDocument(1, FormatCrLf);
    std::filesystem::remove(output);
    if (SaveDocument(1, rk::FromOsPath(output)) == 0) std::abort();
  }
  FreeDocument(-1);
  return 0;
}
