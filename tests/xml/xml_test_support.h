#pragma once
// Helpers of the XML library tests: files in and out of document 0, trees as text.

#include <filesystem>
#include <string>
#include <string_view>

#include "support/test_support.h"
#include "xml/load_save.h"
#include "xml/xml.h"

namespace rk::test {

// A path as the library takes it.
std::u16string XmlPath(const std::filesystem::path& path);

// Writes `bytes` to `name` in the folder and loads it as document `number`; the load's result.
int LoadBytes(const TempFolder& folder, std::string_view bytes, int number = 0,
              std::string_view name = "in.xml");

// Loads `bytes` from memory as document `number` with `setup`; the load's result. With `cut`,
// the reads end after that many bytes: with 0 bytes, or with `fail` a failed read.
struct ReadCut {
  std::size_t at = static_cast<std::size_t>(-1);
  bool fail = false;
};
int LoadFromMemory(std::string_view bytes, const xml::LoadSetup& setup = {}, ReadCut cut = {}, int number = 0);

// Saves document `number` with the options into the folder and returns the file's bytes.
std::string SaveBytes(const TempFolder& folder, int number = 0, int options = 0);

// How TreeText writes a tree.
struct TreeTextOptions {
  bool positions = true;          // the children's positions
  bool unifyLineBreaks = false;   // CR LF and CR as LF, for trees read back from another style
  bool dtdChildren = true;        // the comments and instructions inside a DTD
  bool blanks = true;             // blanks and line breaks in texts (false: left out)
};

// One line per node, in document order: depth, kind, name, attributes, position, text.
std::string TreeText(const xml::XmlNode* root, TreeTextOptions options = {});

// UTF-8 of a UTF-16 text, for readable comparisons.
std::string Utf8(std::u16string_view text);

}  // namespace rk::test
