#pragma once
// The exact bytes "Speichern" writes for a book of one phonebook, for tests that compare a
// whole "_NEU.xml" file.

#include <string>
#include <string_view>

namespace rk::test {

// A saved book whose phonebook (owner 1) is named `name` and holds `contacts`, given as saved:
// six blanks before <contact>, every line ending in "\n".
inline std::string SavedBook(std::string_view name, std::string_view contacts) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "\n"
         "<phonebooks>\n"
         "   <phonebook owner=\"1\" name=\"" + std::string(name) + "\">\n" + std::string(contacts) +
         "   </phonebook>\n"
         "</phonebooks>\n";
}

}  // namespace rk::test
