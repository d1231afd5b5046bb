#include "transfer_test_support.h"

#include "app/controls.h"
#include "book/slot.h"
#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"

namespace rk::transfer::test {

void TransferTest::PressIn(int slot, int bookOneControl) {
  Press(app::PaneControl(slot, bookOneControl));
}

void TransferTest::Tick(int slot, std::initializer_list<int> rows) {
  const int list = app::PaneControl(slot, app::kContactList);
  bool first = true;
  for (const int row : rows) {
    rk::test::ClickListRow(list, row, first ? rk::test::kPlainClick : rk::test::kControlClick);
    first = false;
  }
  PressIn(slot, app::kMarkButton);
}

void TransferTest::LoadBook(int slot, std::string_view name, std::string_view bytes) {
  Load(slot, WriteFile(name, bytes));
}

Records RunRecords(int slot, std::size_t row) {
  const book::RecordList& list = book::FindSlot(slot)->records;
  const book::RunExtent run = book::RunOf(list, row);
  Records records;
  for (std::size_t i = run.first; i < run.end; ++i) records.push_back(rk::test::GetRecord(list, i));
  return records;
}

Records Slice(const Records& records, std::size_t first, std::size_t end) {
  return Records(records.begin() + static_cast<std::ptrdiff_t>(first),
                 records.begin() + static_cast<std::ptrdiff_t>(end));
}

Records Joined(std::initializer_list<Records> parts) {
  Records joined;
  for (const Records& part : parts) joined.insert(joined.end(), part.begin(), part.end());
  return joined;
}

std::vector<std::u16string> Column(int slot, int column) {
  const int list = app::PaneControl(slot, app::kContactList);
  std::vector<std::u16string> cells;
  for (int row = 0; row < tk::CountItems(list); ++row) cells.push_back(tk::GetItemText(list, row, column));
  return cells;
}

std::vector<int> States(int slot) {
  const int list = app::PaneControl(slot, app::kContactList);
  std::vector<int> states;
  for (int row = 0; row < tk::CountItems(list); ++row) states.push_back(tk::GetItemState(list, row));
  return states;
}

bool BothInStep() { return rk::test::RowsInStep(*book::FindSlot(1)) && rk::test::RowsInStep(*book::FindSlot(2)); }

}  // namespace rk::transfer::test
