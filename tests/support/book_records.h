#pragma once
// Book records as values for tests: a record list filled from and read back as NodeRecords,
// and the checks that a list's runs, and a slot's rows, are in step with its records.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "book/record_list.h"
#include "book/slot.h"

namespace rk::test {

// One attribute as read from the file: name and value exactly, whatever they contain.
struct AttributePair {
  std::u16string name;
  std::u16string value;
  bool operator==(const AttributePair&) const = default;
};

// One element of a book as a value.
struct NodeRecord {
  std::u16string Nr;          // element number with the slot's suffix, e.g. "2 (1)"
  std::int32_t Depth = 0;     // 0 for the main element, one more per level below it
  std::u16string Name;        // element name as in the file
  std::u16string Attributes;  // name="value"| per attribute: read back only, for comparing
  std::u16string Text;        // element text after the load normalisation
  std::vector<AttributePair> AttributeList;  // the attributes themselves, in order
  bool operator==(const NodeRecord&) const = default;
};

// Appends the record; its Nr must be a number the program gives out (decimal, no leading
// zero, below 2^32, then nothing, " (1)" or " (2)"), else std::invalid_argument is thrown.
void AppendRecord(book::RecordList& list, const NodeRecord& record);

// The record at `index` (below RecordCount) as a value.
NodeRecord GetRecord(const book::RecordList& list, std::size_t index);

// True when rowStarts lists exactly the `contact` records, in order, and every stored offset
// lies inside the pool, in record order.
[[nodiscard]] bool RunsInStep(const book::RecordList& list);

// True when the slot's runs are in step and its ContactList has one row per run whose
// columns 1 to 4 are the run's texts.
[[nodiscard]] bool RowsInStep(const book::BookSlot& slot);

}  // namespace rk::test
