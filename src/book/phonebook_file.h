#pragma once
// What the book logic knows of a phonebook file: the element and attribute names it looks at,
// and the two elements an empty book consists of.

#include <string_view>

#include "book/record_list.h"

namespace rk::book {

inline constexpr std::u16string_view kPhonebooks = u"phonebooks";  // the main element
inline constexpr std::u16string_view kPhonebook = u"phonebook";    // one book in it
inline constexpr std::u16string_view kOwnerAttribute = u"owner";
inline constexpr std::u16string_view kNameAttribute = u"name";     // of a phonebook: its name
inline constexpr std::u16string_view kContact = u"contact";        // starts a contact's run
inline constexpr std::u16string_view kUniqueId = u"uniqueid";      // the row's "ID"
inline constexpr std::u16string_view kRealName = u"realName";      // the row's "Name"
inline constexpr std::u16string_view kNumber = u"number";          // the row's "Telefon"

// Appends `phonebooks` > `phonebook owner="1" name=bookName`, numbered 0 and 1 as a load
// numbers them, without texts.
void AppendEmptyBook(RecordList& list, NumberSuffix suffix, std::u16string_view bookName);

}  // namespace rk::book
