#pragma once
// What a screen reader reads of a checkable list: a table with column headers whose cells read
// the list's own rows, selection and ticks, and whose tick cells are check boxes with a
// "toggle" action. Readers recognise a check box in a table by that action name; Qt's own
// table cells name it "Toggle", which they do not take, so they never say a tick.

class QAccessibleInterface;

namespace rk::tk::detail {

class CheckListView;

// The reader's table for `view`, for the accessibility factory; owned by Qt's cache.
QAccessibleInterface* NewCheckListAccessible(CheckListView* view);

// Gives the reader a new object for the cell at `row`, `column` from now on, so that focus on
// it is news to a reader that was already on the old one and reads it again.
void RenewReaderCell(CheckListView& view, int row, int column);

}  // namespace rk::tk::detail
