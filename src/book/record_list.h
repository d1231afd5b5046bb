#pragma once
// A book's elements as a flat list of records in document order, held compactly: every text
// lives in one UTF-16 character pool per list, names are interned, and the number text
// ("12 (1)") is made only when asked for. A contact's run is its `contact` record and every
// record up to the next record named `contact`; row i of a book's ContactList is run i.
//
// The fields of RecordList are changed only through the functions of this header; they keep
// `rowStarts` in step with the `contact` records and the pool in record order.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace rk::book {

// Which suffix follows a record's element number.
enum class NumberSuffix : std::uint8_t {
  kNone = 0,    // "12"
  kBookOne = 1, // "12 (1)"
  kBookTwo = 2, // "12 (2)"
};

// The suffix text of a suffix id (" (1)", " (2)" or empty).
std::u16string_view SuffixText(NumberSuffix suffix);

inline constexpr std::uint32_t kNoName = 0xFFFFFFFF;

struct StoredRecord {
  std::uint64_t text = 0;            // pool offset of the element text
  std::uint32_t textLength = 0;
  std::uint32_t number = 0;          // element number
  std::int32_t depth = 0;
  std::uint32_t name = 0;            // index into names
  std::uint32_t firstAttribute = 0;  // its attributes run up to the next record's first one
  NumberSuffix suffix = NumberSuffix::kNone;
};

struct StoredAttribute {
  std::uint64_t value = 0;  // pool offset
  std::uint32_t valueLength = 0;
  std::uint32_t name = 0;   // index into names
};

// Hash and equality that let the name table be searched with a view, without a copy.
struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view name) const noexcept;
};
struct NameEqual {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const noexcept { return a == b; }
};

struct RecordList {
  std::vector<StoredRecord> records;
  std::vector<StoredAttribute> attributes;
  // Attribute values and texts, in record order (each record's values, then its text).
  std::vector<char16_t> pool;
  std::vector<std::u16string> names;
  std::unordered_map<std::u16string, std::uint32_t, NameHash, NameEqual> nameIds;
  // Index of the `contact` record that starts each run, ascending.
  std::vector<std::size_t> rowStarts;
  std::uint32_t contactName = kNoName;  // id of the name "contact" once it is in the table
};

// --- Whole list --------------------------------------------------------------------------

// Empties the list and gives its memory back.
void ClearRecords(RecordList& list);

// Gives back the spare capacity that growing left behind (after a load).
void TrimCapacity(RecordList& list);

inline std::size_t RecordCount(const RecordList& list) { return list.records.size(); }

// --- Adding records ----------------------------------------------------------------------

// Makes room for that many more records, attributes and text characters, so that a list
// built to a known size is allocated once.
void ReserveRecords(RecordList& list, std::size_t records, std::size_t attributes,
                    std::size_t characters);

// The id of a name in the list's name table, added when it is new.
std::uint32_t InternName(RecordList& list, std::u16string_view name);

// Appends an element record without attributes (the walk's fast path); AppendAttribute and
// then SetLastText complete it, in that order. Names are given as text or as interned ids.
void AppendElement(RecordList& list, std::uint32_t number, NumberSuffix suffix,
                   std::int32_t depth, std::u16string_view name);
void AppendElement(RecordList& list, std::uint32_t number, NumberSuffix suffix,
                   std::int32_t depth, std::uint32_t nameId);
void AppendAttribute(RecordList& list, std::u16string_view name, std::u16string_view value);
void AppendAttribute(RecordList& list, std::uint32_t nameId, std::u16string_view value);
void SetLastText(RecordList& list, std::u16string_view text);

// --- Reading records ---------------------------------------------------------------------

// The text of `length` pool characters at `offset`.
inline std::u16string_view PoolText(const RecordList& list, std::uint64_t offset, std::uint32_t length) {
  return {list.pool.data() + offset, length};
}

// One past the last attribute of record `index`.
inline std::size_t AttributeEnd(const RecordList& list, std::size_t index) {
  return index + 1 < list.records.size() ? list.records[index + 1].firstAttribute
                                         : list.attributes.size();
}

// The fields of record `index` (below RecordCount); views are valid until the list changes.
// The readers are inline: a save reads every field of every record.
std::u16string NumberText(const RecordList& list, std::size_t index);
inline std::int32_t RecordDepth(const RecordList& list, std::size_t index) {
  return list.records[index].depth;
}
// The record's name as an index into `names`, the same for every record of that name.
inline std::uint32_t RecordNameId(const RecordList& list, std::size_t index) {
  return list.records[index].name;
}
inline std::u16string_view RecordName(const RecordList& list, std::size_t index) {
  return list.names[RecordNameId(list, index)];
}
inline std::u16string_view RecordText(const RecordList& list, std::size_t index) {
  const StoredRecord& record = list.records[index];
  return PoolText(list, record.text, record.textLength);
}
inline std::size_t AttributeCount(const RecordList& list, std::size_t index) {
  return AttributeEnd(list, index) - list.records[index].firstAttribute;
}
inline std::uint32_t AttributeNameId(const RecordList& list, std::size_t index, std::size_t k) {
  return list.attributes[list.records[index].firstAttribute + k].name;
}
inline std::u16string_view AttributeName(const RecordList& list, std::size_t index, std::size_t k) {
  return list.names[AttributeNameId(list, index, k)];
}
inline std::u16string_view AttributeValue(const RecordList& list, std::size_t index, std::size_t k) {
  const StoredAttribute& attribute = list.attributes[list.records[index].firstAttribute + k];
  return PoolText(list, attribute.value, attribute.valueLength);
}

// --- Contact runs and rows ---------------------------------------------------------------

// Records [first, end) of one run.
struct RunExtent {
  std::size_t first = 0;
  std::size_t end = 0;
};

// Number of runs, which is the number of rows the book shows.
std::size_t RowCount(const RecordList& list);

// The records of run `row` (row below RowCount).
RunExtent RunOf(const RecordList& list, std::size_t row);

// The ContactList row text of every run, in order: "\n" Nr "\n" ID "\n" Name "\n" Telefon.
std::vector<std::u16string> AllRowTexts(const RecordList& list);

// Appends exact copies of the runs `rows` (ascending or not) of `source` to `target`, in the
// order given. `target` and `source` must be different lists.
void AppendRuns(RecordList& target, const RecordList& source, std::span<const std::size_t> rows);

// Removes the runs `rows` (ascending, unique) in one compaction pass over records and pool.
// Records before the first contact never belong to a run and stay.
void RemoveRuns(RecordList& list, std::span<const std::size_t> rows);

}  // namespace rk::book
