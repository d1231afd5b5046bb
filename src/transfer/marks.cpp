#include <cstddef>
#include <string>
#include <string_view>

#include "book/slot.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "transfer/transfer.h"

namespace rk::transfer {
namespace {

// Gives every highlighted row of the slot's list the state `state`; rows that are not
// highlighted keep their tick. The row count is taken once, before any row changes. A screen
// reader hears how many rows it changed, followed by `outcome`.
void MarkHighlighted(int slotNumber, int state, std::u16string_view outcome) {
  const book::BookSlot* slot = book::FindSlot(slotNumber);
  if (slot == nullptr) return;
  const int rows = tk::CountItems(slot->contactList);
  std::size_t marked = 0;
  for (int row = 0; row < rows; ++row) {
    if ((tk::GetItemState(slot->contactList, row) & tk::kRowSelected) != 0) {
      tk::SetItemState(slot->contactList, row, state);
      ++marked;
    }
  }
  tk::AnnounceOutcome(EntryCount(marked) + std::u16string(outcome));
}

}  // namespace

void SetMarks(int slot) { MarkHighlighted(slot, tk::kRowTicked, u" ausgewählt"); }

void ClearMarks(int slot) { MarkHighlighted(slot, 0, u" abgewählt"); }

}  // namespace rk::transfer
