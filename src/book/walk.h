#pragma once
// The walk over a loaded document: one record per element into the load list, the book's
// name picked up, and one "Information" box per node kind that is not kept.

#include <cstdint>
#include <string>

#include "book/record_list.h"
#include "xml/xml.h"

namespace rk::book {

// The working state of one load, owned by the load and filled by its walk.
struct LoadWork {
  RecordList loadList;                              // one record per element, for the slot
  std::int32_t elementCounter = -1;                 // number of the element recorded last
  NumberSuffix numberSuffix = NumberSuffix::kNone;  // the slot's, behind every number
  std::u16string bookName = u"Unbekannt";           // of the last `phonebook` with a name
};

// Walks `node` and everything below it in document order, `node` at `depth`, into `work`:
// each element gets the element counter (increased before each) with the number suffix;
// the `name` attribute of a `phonebook` element sets the book name. Without recursion, so
// the nesting of the file cannot exhaust the stack.
void Walk(xml::XmlNode* node, std::int32_t depth, LoadWork& work);

}  // namespace rk::book
