#include "transfer/transfer.h"

#include <algorithm>
#include <vector>

#include "book/record_list.h"
#include "book/slot.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"

namespace rk::transfer {
namespace {

// The ticked rows of the slot's list, ascending, read in one pass over the row states. A row
// without a run of records (which the operations never let arise) is left out, so rows and
// records are always changed together.
std::vector<std::size_t> TickedRows(const book::BookSlot& slot) {
  const std::size_t rows = std::min(static_cast<std::size_t>(tk::CountItems(slot.contactList)),
                                    book::RowCount(slot.records));
  std::vector<std::size_t> ticked;
  for (std::size_t row = 0; row < rows; ++row) {
    if ((tk::GetItemState(slot.contactList, static_cast<int>(row)) & tk::kRowTicked) != 0) {
      ticked.push_back(row);
    }
  }
  return ticked;
}

// The rows as the list control numbers them.
std::vector<int> ListRows(std::span<const std::size_t> rows) {
  return std::vector<int>(rows.begin(), rows.end());
}

// Appends the rows and the runs `ticked` of `source` to the end of `target`, in their order.
// The new rows are unticked and not highlighted.
void AppendToOther(const book::BookSlot& source, const book::BookSlot& target,
                   std::span<const std::size_t> ticked, std::span<const int> rows) {
  CopyContactRecords(source.number, ticked);
  tk::CopyItems(source.contactList, rows, target.contactList);
}

// Removes the rows and the runs `ticked` (ascending) from the slot, one compaction each.
void RemoveFromSlot(const book::BookSlot& slot, std::span<const std::size_t> ticked,
                    std::span<const int> rows) {
  DeleteContactRecords(slot.number, ticked);
  tk::RemoveItems(slot.contactList, rows);
}

// Both count labels, book 1's first.
void RefreshBothCountLabels() {
  for (const int slot : {1, 2}) book::RefreshCountLabel(*book::FindSlot(slot));
}

}  // namespace

void CopyContactRecords(int slot, std::span<const std::size_t> rows) {
  const book::BookSlot* source = book::FindSlot(slot);
  book::BookSlot* target = book::OtherSlot(slot);
  if (source == nullptr || target == nullptr) return;
  book::AppendRuns(target->records, source->records, rows);
}

void DeleteContactRecords(int slot, std::span<const std::size_t> rows) {
  book::BookSlot* found = book::FindSlot(slot);
  if (found == nullptr) return;
  book::RemoveRuns(found->records, rows);
}

void CopyTicked(int slot) {
  const book::BookSlot* source = book::FindSlot(slot);
  const book::BookSlot* target = book::OtherSlot(slot);
  if (source == nullptr || target == nullptr) return;
  const std::vector<std::size_t> ticked = TickedRows(*source);
  AppendToOther(*source, *target, ticked, ListRows(ticked));
  for (const std::size_t row : ticked) {
    tk::SetItemState(source->contactList, static_cast<int>(row), 0);
  }
  RefreshBothCountLabels();
  tk::AnnounceOutcome(EntryCount(ticked.size()) + u" kopiert, " +
                      book::CountForReaders(*target));
}

void MoveTicked(int slot) {
  const book::BookSlot* source = book::FindSlot(slot);
  const book::BookSlot* target = book::OtherSlot(slot);
  if (source == nullptr || target == nullptr) return;
  // The rows are copied while they still stand in the source, then removed from it; the
  // ticks cannot change in between, so one reading of them serves both steps.
  const std::vector<std::size_t> ticked = TickedRows(*source);
  const std::vector<int> rows = ListRows(ticked);
  AppendToOther(*source, *target, ticked, rows);
  RemoveFromSlot(*source, ticked, rows);
  RefreshBothCountLabels();
  tk::AnnounceOutcome(EntryCount(ticked.size()) + u" verschoben, " +
                      book::CountForReaders(*target) + u", " + book::CountForReaders(*source));
}

void DeleteTicked(int slot) {
  const book::BookSlot* found = book::FindSlot(slot);
  if (found == nullptr) return;
  const std::vector<std::size_t> ticked = TickedRows(*found);
  RemoveFromSlot(*found, ticked, ListRows(ticked));
  RefreshBothCountLabels();
  tk::AnnounceOutcome(EntryCount(ticked.size()) + u" gelöscht, " +
                      book::CountForReaders(*found));
}

}  // namespace rk::transfer
