#include "book/slot.h"
#include "services/toolkit/toolkit.h"
#include "transfer/transfer.h"

namespace rk::transfer {
namespace {

// Gives every highlighted row of the slot's list the state `state`; rows that are not
// highlighted keep their tick. The row count is taken once, before any row changes.
void MarkHighlighted(int slotNumber, int state) {
  const book::BookSlot* slot = book::FindSlot(slotNumber);
  if (slot == nullptr) return;
  const int rows = tk::CountItems(slot->contactList);
  for (int row = 0; row < rows; ++row) {
    if ((tk::GetItemState(slot->contactList, row) & tk::kRowSelected) != 0) {
      tk::SetItemState(slot->contactList, row, state);
    }
  }
}

}  // namespace

void SetMarks(int slot) { MarkHighlighted(slot, tk::kRowTicked); }

void ClearMarks(int slot) { MarkHighlighted(slot, 0); }

}  // namespace rk::transfer
