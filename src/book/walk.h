#pragma once
// The walk over a loaded document: one record per element into the shared load list, the
// book's name picked up, and one "Information" box per node kind that is not kept.

#include <cstdint>

#include "xml/xml.h"

namespace rk::book {

// Walks `node` and everything below it in document order, `node` at `depth`. Records get the
// element counter (increased before each) with the working state's number suffix; the
// `name` attribute of a `phonebook` element sets the book-name buffer. Without recursion, so
// the nesting of the file cannot exhaust the stack.
void Walk(xml::XmlNode* node, std::int32_t depth);

}  // namespace rk::book
