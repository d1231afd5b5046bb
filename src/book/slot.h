#pragma once
// The two book slots (panes). A slot holds its book only as a record list (no XML tree
// between operations); its ContactList shows row i for run i of that list, so rows and
// records are linked by position.

#include <cstddef>
#include <string>
#include <string_view>

#include "book/record_list.h"

namespace rk::book {

// The controls of a slot's pane that the phonebook operations read and fill; 0 holds nothing.
struct PaneControls {
  int countLabel = 0;    // " Anz.: " and the number of rows
  int nameField = 0;     // the book's name
  int fileField = 0;     // "Datei": path of the file the book came from or goes to
  int contactList = 0;   // one row per contact run
};

struct BookSlot {
  int number = 0;        // 1 (left) or 2 (right)
  int countLabel = 0;    // the pane's controls, given by AttachPane
  int nameField = 0;
  int fileField = 0;
  int contactList = 0;
  NumberSuffix numberSuffix = NumberSuffix::kNone;  // of the numbers a load into it gives out
  std::u16string rememberedFolder;                  // folder of the last file chosen, with separator
  RecordList records;                               // the whole book
};

// Slot 1 or 2; nullptr for any other number.
[[nodiscard]] BookSlot* FindSlot(int slot);

// The slot that is not `slot` (2 for 1, 1 for 2); nullptr for any other number.
[[nodiscard]] BookSlot* OtherSlot(int slot);

// Gives slot 1 or 2 the controls of its pane; the shell, which numbers the controls, calls it
// when it builds the main window.
void AttachPane(int slot, const PaneControls& controls);

// Sets the count label to " Anz.: " and the number of rows the ContactList holds.
void RefreshCountLabel(const BookSlot& slot);

// What a screen reader is told of the slot after an operation: "Telefonbuch 1: Anz.: 9".
std::u16string CountForReaders(const BookSlot& slot);

// Replaces every row of the ContactList by the rows of the record list (one call) and sets
// the count label.
void ShowAllRows(const BookSlot& slot);

}  // namespace rk::book
