#include "support/book_records.h"

#include <limits>
#include <stdexcept>
#include <string_view>

#include "book/phonebook_file.h"
#include "services/toolkit/toolkit.h"

namespace rk::test {
namespace {

struct ParsedNumber {
  std::uint32_t number = 0;
  book::NumberSuffix suffix = book::NumberSuffix::kNone;
};

// Splits "12 (1)" into its number and suffix.
ParsedNumber ParseNumberText(std::u16string_view text) {
  const auto refuse = [&] {
    return std::invalid_argument("no number the program gives out: " +
                                 std::string(text.begin(), text.end()));
  };
  std::size_t digits = 0;
  std::uint64_t value = 0;
  while (digits < text.size() && text[digits] >= u'0' && text[digits] <= u'9') {
    value = value * 10 + static_cast<std::uint64_t>(text[digits] - u'0');
    if (value > std::numeric_limits<std::uint32_t>::max()) throw refuse();
    ++digits;
  }
  if (digits == 0 || (digits > 1 && text[0] == u'0')) throw refuse();
  ParsedNumber parsed{static_cast<std::uint32_t>(value), book::NumberSuffix::kNone};
  for (const book::NumberSuffix suffix : {book::NumberSuffix::kBookOne, book::NumberSuffix::kBookTwo}) {
    if (text.substr(digits) == book::SuffixText(suffix)) parsed.suffix = suffix;
  }
  if (digits < text.size() && parsed.suffix == book::NumberSuffix::kNone) throw refuse();
  return parsed;
}

}  // namespace

void AppendRecord(book::RecordList& list, const NodeRecord& record) {
  const ParsedNumber parsed = ParseNumberText(record.Nr);
  book::AppendElement(list, parsed.number, parsed.suffix, record.Depth, record.Name);
  for (const AttributePair& pair : record.AttributeList) book::AppendAttribute(list, pair.name, pair.value);
  book::SetLastText(list, record.Text);
}

NodeRecord GetRecord(const book::RecordList& list, std::size_t index) {
  NodeRecord record;
  record.Nr = book::NumberText(list, index);
  record.Depth = book::RecordDepth(list, index);
  record.Name = book::RecordName(list, index);
  record.Text = book::RecordText(list, index);
  // Each item starts with a name and ends with a bar, so there are no blanks to trim.
  for (std::size_t k = 0; k < book::AttributeCount(list, index); ++k) {
    record.AttributeList.push_back({std::u16string(book::AttributeName(list, index, k)),
                                    std::u16string(book::AttributeValue(list, index, k))});
    const AttributePair& pair = record.AttributeList.back();
    record.Attributes += pair.name + u"=\"" + pair.value + u"\"|";
  }
  return record;
}

bool RunsInStep(const book::RecordList& list) {
  std::size_t row = 0;
  std::uint64_t poolEnd = 0;  // texts must lie in record order, without overlap
  const auto textFits = [&](std::uint64_t offset, std::uint32_t length) {
    if (offset < poolEnd || offset + length > list.pool.size()) return false;
    poolEnd = offset + length;
    return true;
  };
  for (std::size_t index = 0; index < list.records.size(); ++index) {
    const book::StoredRecord& record = list.records[index];
    if (record.name >= list.names.size()) return false;
    const std::size_t attributeEnd = book::AttributeEnd(list, index);
    if (record.firstAttribute > attributeEnd || attributeEnd > list.attributes.size()) return false;
    for (std::size_t k = record.firstAttribute; k < attributeEnd; ++k) {
      const book::StoredAttribute& attribute = list.attributes[k];
      if (attribute.name >= list.names.size()) return false;
      if (!textFits(attribute.value, attribute.valueLength)) return false;
    }
    if (!textFits(record.text, record.textLength)) return false;
    if (list.names[record.name] == book::kContact) {
      if (row >= list.rowStarts.size() || list.rowStarts[row] != index) return false;
      ++row;
    }
  }
  return row == list.rowStarts.size();
}

bool RowsInStep(const book::BookSlot& slot) {
  if (!RunsInStep(slot.records)) return false;
  const std::vector<std::u16string> expected = book::AllRowTexts(slot.records);
  if (static_cast<std::size_t>(tk::CountItems(slot.contactList)) != expected.size()) return false;
  for (std::size_t row = 0; row < expected.size(); ++row) {
    // The row text is "\n" and the four cells, each after a line feed.
    std::u16string cells;
    for (int column = 1; column <= 4; ++column) {
      cells += u'\n';
      cells += tk::GetItemText(slot.contactList, static_cast<int>(row), column);
    }
    if (cells != expected[row]) return false;
  }
  return true;
}

}  // namespace rk::test
