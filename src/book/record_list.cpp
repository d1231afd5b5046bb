#include "book/record_list.h"

#include <algorithm>
#include <array>
#include <functional>

#include "book/phonebook_file.h"

namespace rk::book {
namespace {

constexpr std::u16string_view kNumberSeparator = u"  #  ";

// A count, index or length in the 32 bits the stored records keep of it.
std::uint32_t ToRecordField(std::size_t value) { return static_cast<std::uint32_t>(value); }

std::uint32_t LookUpName(const RecordList& list, std::u16string_view name) {
  const auto found = list.nameIds.find(name);
  return found == list.nameIds.end() ? kNoName : found->second;
}

// The element number as decimal digits, written into `buffer`; a row text and NumberText
// share it, and the row needs it without an allocation of its own.
using DigitBuffer = std::array<char16_t, 10>;
std::u16string_view DecimalDigits(std::uint32_t value, DigitBuffer& buffer) {
  char16_t* const end = buffer.data() + buffer.size();
  char16_t* start = end;
  do {
    *--start = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  return {start, static_cast<std::size_t>(end - start)};
}

// Appends a text to the pool and returns its offset.
std::uint64_t AppendToPool(RecordList& list, std::u16string_view text) {
  const std::uint64_t offset = list.pool.size();
  list.pool.insert(list.pool.end(), text.begin(), text.end());
  return offset;
}

// The pool characters of records [first, end): their attribute values and texts lie there in
// record order, so a block of records has one range of the pool.
struct PoolRange {
  std::uint64_t begin = 0;
  std::uint64_t end = 0;
};

PoolRange PoolRangeOf(const RecordList& list, RunExtent block) {
  const StoredRecord& first = list.records[block.first];
  const bool firstHasAttributes = first.firstAttribute < AttributeEnd(list, block.first);
  const StoredRecord& last = list.records[block.end - 1];
  return {firstHasAttributes ? list.attributes[first.firstAttribute].value : first.text,
          last.text + last.textLength};
}

// Grows `values` for `extra` more without giving up the doubling that keeps repeated
// appends linear.
template <typename T>
void ReserveMore(std::vector<T>& values, std::size_t extra) {
  const std::size_t wanted = values.size() + extra;
  if (wanted > values.capacity()) values.reserve(std::max(wanted, 2 * values.capacity()));
}

// Appends copies of records [run.first, run.end) of `source` to `target`: the pool range and
// the attributes in one piece each, offsets shifted; `nameMap` caches the target's id for
// each name id of the source.
void CopyRun(RecordList& target, const RecordList& source, RunExtent run,
             std::vector<std::uint32_t>& nameMap) {
  const auto targetName = [&](std::uint32_t sourceName) {
    std::uint32_t& mapped = nameMap[sourceName];
    if (mapped == kNoName) mapped = InternName(target, source.names[sourceName]);
    return mapped;
  };
  const PoolRange range = PoolRangeOf(source, run);
  const std::uint64_t poolBase = target.pool.size();
  const auto poolBegin = source.pool.begin();
  target.pool.insert(target.pool.end(), poolBegin + static_cast<std::ptrdiff_t>(range.begin),
                     poolBegin + static_cast<std::ptrdiff_t>(range.end));
  const std::size_t firstAttribute = source.records[run.first].firstAttribute;
  const std::size_t attributeBase = target.attributes.size();
  for (std::size_t k = firstAttribute; k < AttributeEnd(source, run.end - 1); ++k) {
    StoredAttribute attribute = source.attributes[k];
    attribute.value = attribute.value - range.begin + poolBase;
    attribute.name = targetName(attribute.name);
    target.attributes.push_back(attribute);
  }
  for (std::size_t index = run.first; index < run.end; ++index) {
    StoredRecord copy = source.records[index];
    copy.name = targetName(copy.name);
    copy.text = copy.text - range.begin + poolBase;
    copy.firstAttribute = ToRecordField(copy.firstAttribute - firstAttribute + attributeBase);
    if (copy.name == target.contactName) target.rowStarts.push_back(target.records.size());
    target.records.push_back(copy);
  }
}

}  // namespace

std::size_t NameHash::operator()(std::u16string_view name) const noexcept {
  return std::hash<std::u16string_view>{}(name);
}

std::u16string_view SuffixText(NumberSuffix suffix) {
  switch (suffix) {
    case NumberSuffix::kBookOne:
      return u" (1)";
    case NumberSuffix::kBookTwo:
      return u" (2)";
    default:
      return {};
  }
}

void ClearRecords(RecordList& list) { list = RecordList{}; }

void TrimCapacity(RecordList& list) {
  list.records.shrink_to_fit();
  list.attributes.shrink_to_fit();
  list.pool.shrink_to_fit();
  list.rowStarts.shrink_to_fit();
}

void ReserveRecords(RecordList& list, std::size_t records, std::size_t attributes,
                    std::size_t characters) {
  list.records.reserve(list.records.size() + records);
  list.attributes.reserve(list.attributes.size() + attributes);
  list.pool.reserve(list.pool.size() + characters);
}

std::uint32_t InternName(RecordList& list, std::u16string_view name) {
  if (const auto found = list.nameIds.find(name); found != list.nameIds.end()) {
    return found->second;
  }
  const std::uint32_t id = ToRecordField(list.names.size());
  list.names.emplace_back(name);
  list.nameIds.emplace(std::u16string(name), id);
  if (name == kContact) list.contactName = id;
  return id;
}

void AppendElement(RecordList& list, std::uint32_t number, NumberSuffix suffix,
                   std::int32_t depth, std::u16string_view name) {
  AppendElement(list, number, suffix, depth, InternName(list, name));
}

void AppendElement(RecordList& list, std::uint32_t number, NumberSuffix suffix,
                   std::int32_t depth, std::uint32_t nameId) {
  StoredRecord record;
  record.number = number;
  record.suffix = suffix;
  record.depth = depth;
  record.name = nameId;
  record.firstAttribute = ToRecordField(list.attributes.size());
  record.text = list.pool.size();
  if (record.name == list.contactName) list.rowStarts.push_back(list.records.size());
  list.records.push_back(record);
}

void AppendAttribute(RecordList& list, std::u16string_view name, std::u16string_view value) {
  AppendAttribute(list, InternName(list, name), value);
}

void AppendAttribute(RecordList& list, std::uint32_t nameId, std::u16string_view value) {
  list.attributes.push_back({AppendToPool(list, value), ToRecordField(value.size()), nameId});
}

void SetLastText(RecordList& list, std::u16string_view text) {
  StoredRecord& record = list.records.back();
  record.text = AppendToPool(list, text);
  record.textLength = ToRecordField(text.size());
}

std::u16string NumberText(const RecordList& list, std::size_t index) {
  const StoredRecord& record = list.records[index];
  DigitBuffer digits;
  std::u16string text(DecimalDigits(record.number, digits));
  text += SuffixText(record.suffix);
  return text;
}

std::size_t RowCount(const RecordList& list) { return list.rowStarts.size(); }

RunExtent RunOf(const RecordList& list, std::size_t row) {
  // Every `contact` record starts a run, so a run ends where the next one starts.
  const std::size_t end =
      row + 1 < list.rowStarts.size() ? list.rowStarts[row + 1] : list.records.size();
  return {list.rowStarts[row], end};
}

namespace {

struct ColumnNames {
  std::uint32_t uniqueId;
  std::uint32_t realName;
  std::uint32_t number;
};

ColumnNames ColumnNamesOf(const RecordList& list) {
  return {LookUpName(list, kUniqueId), LookUpName(list, kRealName), LookUpName(list, kNumber)};
}

// Row texts are made for every contact of a book at once, so each is sized first and then
// written into a single allocation; the line feeds between the columns are its fill.
std::u16string BuildRowText(const RecordList& list, std::size_t row, const ColumnNames& columns) {
  const RunExtent run = RunOf(list, row);
  // A later `uniqueid` or `realName` replaces an earlier one; every `number` is joined.
  std::u16string_view id;
  std::u16string_view name;
  std::size_t numbers = 0;
  std::size_t numberUnits = 0;
  for (std::size_t index = run.first + 1; index < run.end; ++index) {
    const std::uint32_t nameId = list.records[index].name;
    if (nameId == columns.uniqueId) {
      id = RecordText(list, index);
    } else if (nameId == columns.realName) {
      name = RecordText(list, index);
    } else if (nameId == columns.number) {
      ++numbers;
      numberUnits += list.records[index].textLength;
    }
  }
  const StoredRecord& contact = list.records[run.first];
  DigitBuffer digits;
  const std::u16string_view nr = DecimalDigits(contact.number, digits);
  const std::u16string_view suffix = SuffixText(contact.suffix);
  const std::size_t separators = numbers > 0 ? (numbers - 1) * kNumberSeparator.size() : 0;
  std::u16string text(4 + nr.size() + suffix.size() + id.size() + name.size() + numberUnits + separators, u'\n');
  char16_t* out = text.data();
  const auto put = [&out](std::u16string_view piece) {
    out = std::copy(piece.begin(), piece.end(), out);
  };
  ++out;
  put(nr);
  put(suffix);
  ++out;
  put(id);
  ++out;
  put(name);
  ++out;
  for (std::size_t index = run.first + 1; numbers > 0 && index < run.end; ++index) {
    if (list.records[index].name != columns.number) continue;
    put(RecordText(list, index));
    if (--numbers > 0) put(kNumberSeparator);
  }
  return text;
}

}  // namespace

std::vector<std::u16string> AllRowTexts(const RecordList& list) {
  const ColumnNames columns = ColumnNamesOf(list);
  std::vector<std::u16string> texts;
  texts.reserve(RowCount(list));
  for (std::size_t row = 0; row < RowCount(list); ++row) {
    texts.push_back(BuildRowText(list, row, columns));
  }
  return texts;
}

void AppendRuns(RecordList& target, const RecordList& source, std::span<const std::size_t> rows) {
  if (&target == &source) return;
  // Sizes first, so that each container grows at most once.
  std::size_t records = 0;
  std::size_t attributes = 0;
  std::size_t characters = 0;
  for (const std::size_t row : rows) {
    if (row >= RowCount(source)) continue;
    const RunExtent run = RunOf(source, row);
    const PoolRange range = PoolRangeOf(source, run);
    records += run.end - run.first;
    attributes += AttributeEnd(source, run.end - 1) - source.records[run.first].firstAttribute;
    characters += static_cast<std::size_t>(range.end - range.begin);
  }
  ReserveMore(target.records, records);
  ReserveMore(target.attributes, attributes);
  ReserveMore(target.pool, characters);
  ReserveMore(target.rowStarts, rows.size());
  std::vector<std::uint32_t> nameMap(source.names.size(), kNoName);
  for (const std::size_t row : rows) {
    if (row < RowCount(source)) CopyRun(target, source, RunOf(source, row), nameMap);
  }
}

void RemoveRuns(RecordList& list, std::span<const std::size_t> rows) {
  // The extents are taken before anything moves, since the pass rewrites rowStarts in place.
  std::vector<RunExtent> removedRuns;
  removedRuns.reserve(rows.size());
  for (const std::size_t row : rows) {
    if (row < RowCount(list)) removedRuns.push_back(RunOf(list, row));
  }
  std::size_t recordWrite = 0;
  std::size_t attributeWrite = 0;
  std::uint64_t poolWrite = 0;
  std::size_t rowWrite = 0;
  // Moves the kept records [block.first, block.end) down to the write positions. Records,
  // attributes and texts all lie in record order, so each moves as one piece and only ever
  // down; the offsets shift by the same amount for the whole block.
  const auto keep = [&](RunExtent block) {
    if (block.first >= block.end) return;
    const PoolRange range = PoolRangeOf(list, block);
    if (poolWrite != range.begin) {
      const auto pool = list.pool.begin();
      std::copy(pool + static_cast<std::ptrdiff_t>(range.begin), pool + static_cast<std::ptrdiff_t>(range.end),
                pool + static_cast<std::ptrdiff_t>(poolWrite));
    }
    const std::size_t firstAttribute = list.records[block.first].firstAttribute;
    const std::size_t attributeEnd = AttributeEnd(list, block.end - 1);
    for (std::size_t k = firstAttribute; k < attributeEnd; ++k) {
      StoredAttribute attribute = list.attributes[k];
      attribute.value = attribute.value - range.begin + poolWrite;
      list.attributes[attributeWrite + (k - firstAttribute)] = attribute;
    }
    for (std::size_t index = block.first; index < block.end; ++index) {
      StoredRecord record = list.records[index];
      record.text = record.text - range.begin + poolWrite;
      record.firstAttribute = ToRecordField(record.firstAttribute - firstAttribute + attributeWrite);
      if (record.name == list.contactName) list.rowStarts[rowWrite++] = recordWrite;
      list.records[recordWrite++] = record;
    }
    attributeWrite += attributeEnd - firstAttribute;
    poolWrite += range.end - range.begin;
  };
  std::size_t keptFrom = 0;
  for (const RunExtent& run : removedRuns) {
    keep({keptFrom, run.first});
    keptFrom = std::max(keptFrom, run.end);
  }
  keep({keptFrom, list.records.size()});
  list.records.resize(recordWrite);
  list.attributes.resize(attributeWrite);
  list.pool.resize(static_cast<std::size_t>(poolWrite));
  list.rowStarts.resize(rowWrite);
}

}  // namespace rk::book
