#pragma once
// The operations bound to the transfer buttons of a pane: "A +" and "A -" turn highlighted rows
// into ticks, "Kopieren", "Verschieben" and "Löschen" act on the ticked contacts.
// Each takes the slot number; any number other than 1 or 2 does nothing.
//
// Rows and records are linked by position: row i of a slot's ContactList is run i of its record
// list. Every operation reads the row states once and changes records and rows in one pass each,
// so rows and runs stay in step.

#include <cstddef>
#include <span>

namespace rk::transfer {

// Ticks every highlighted row of the slot's list and removes its highlight.
void SetMarks(int slot);

// Unticks every highlighted row of the slot's list and removes its highlight.
void ClearMarks(int slot);

// Appends the ticked contacts, records and rows, to the other slot in their order and unticks
// them here; both count labels are set again.
void CopyTicked(int slot);

// Appends the ticked contacts to the other slot and removes them here; both count labels are
// set again.
void MoveTicked(int slot);

// Removes the ticked contacts from the slot; both count labels are set again.
void DeleteTicked(int slot);

// Appends exact copies of the runs `rows` of the slot's record list to the other slot's record
// list, in the order given; rows without a run are skipped.
void CopyContactRecords(int slot, std::span<const std::size_t> rows);

// Removes the runs `rows` (ascending, unique) from the slot's record list in one pass; records
// before the first contact stay.
void DeleteContactRecords(int slot, std::span<const std::size_t> rows);

}  // namespace rk::transfer
