#pragma once
// Helpers of the reliability tests: dialogs answered in code and counted, the checks every
// hostile load and save ends with, and generators for the hostile files too big to keep.

#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "book_test_support.h"

namespace rk::reliability::test {

// Built with the sanitizers the stress cases are made smaller by this factor; every case still
// runs and still exercises the same behaviour, only with fewer levels, bytes or files.
#ifdef RUFKARTEI_SANITIZED
inline constexpr std::size_t kSanitizerShrink = 10;
#else
inline constexpr std::size_t kSanitizerShrink = 1;
#endif

// One message box as the hook saw it.
struct Box {
  std::u16string title;
  std::u16string text;
};

// Answers every dialog in code while it lives: the open-file dialog with the paths given to
// Choose (in order; "" = cancel once they are used up), every message box with OK. The boxes
// are recorded, not shown, so thousands of them cost nothing.
class AnsweredDialogs {
 public:
  AnsweredDialogs();
  ~AnsweredDialogs();
  AnsweredDialogs(const AnsweredDialogs&) = delete;
  AnsweredDialogs& operator=(const AnsweredDialogs&) = delete;

  void Choose(std::u16string path) { paths_.push_back(std::move(path)); }
  const std::vector<Box>& boxes() const { return boxes_; }
  // Boxes with that title.
  std::size_t Count(std::u16string_view title) const;
  // Forgets the boxes recorded so far.
  void Clear() { boxes_.clear(); }
  int fileDialogs() const { return fileDialogs_; }

 private:
  std::vector<std::u16string> paths_;
  std::size_t nextPath_ = 0;
  std::vector<Box> boxes_;
  int fileDialogs_ = 0;
};

// The texts of the messages the load and save show.
std::u16string ParseErrorText(int line, int column, std::u16string_view message);
std::u16string UnreadableText(std::u16string_view path);
std::u16string UnwritableText(std::u16string_view path);
std::u16string NodeReportText(std::u16string_view kind);

// The message line of a parse error message ("" when the text is none).
std::u16string ParseErrorMessageOf(std::u16string_view text);

// True when the slot's rows are in step with the runs of its record list.
bool SlotInStep(int slot);

// Elements in a parsed document below and including its main element; 0 without one.
std::size_t CountElements(int document);

// Checks a saved "_NEU.xml" file: it parses without an error and holds one element per record
// of the slot (plus the phonebooks / phonebook pair a book without a main element gets).
void ExpectSavedBookParses(int slot, const std::filesystem::path& file);

// True when `needle` occurs in any record (name, attributes, text) of the slot.
bool SlotMentions(int slot, std::u16string_view needle);

// --- Running as an unprivileged user --------------------------------------------------------

// While it lives, the process acts on files as the user "nobody" when the test runs as root
// (which may write anything), so that permission bits count; as another user it changes nothing.
class AsUnprivilegedUser {
 public:
  AsUnprivilegedUser();
  ~AsUnprivilegedUser();
  AsUnprivilegedUser(const AsUnprivilegedUser&) = delete;
  AsUnprivilegedUser& operator=(const AsUnprivilegedUser&) = delete;
};

// Gives `path` to the unprivileged user of AsUnprivilegedUser (when the test runs as root).
void GiveToUnprivilegedUser(const std::filesystem::path& path);

// --- Generated hostile files -------------------------------------------------------------

// A phonebook with one contact inside which `levels` elements are nested.
std::string DeeplyNestedBook(std::size_t levels);

// A phonebook whose one contact's number has an attribute `vanity` of `bytes` characters.
std::string BigAttributeBook(std::size_t bytes);

// A phonebook whose one contact holds an element with a name of `characters` letters.
std::string LongNameBook(std::size_t characters);

// A phonebook with `count` comments inside its main element, between two contacts.
std::string CommentedBook(std::size_t count);

// An entity of `entityBytes` characters referenced `references` times, in an attribute value
// or in element text.
std::string QuadraticBlowUp(std::size_t entityBytes, std::size_t references, bool inAttribute);

// A phonebook of `contacts` contacts, each with a name, two numbers and an id.
std::string GeneratedBook(std::size_t contacts);

}  // namespace rk::reliability::test
