#pragma once
// What the checkable list's view shows, read from the real control on either toolkit, for the
// tests that check the view follows the rows: the current row, a painted cell, the row count.

#include <string>

namespace rk::test {

// The row with the keyboard's focus mark, -1 for none.
int CurrentListRow(int control);

// The text the view paints in a cell ("" for the tick column and for cells it does not have).
std::u16string ShownCellText(int control, int row, int column);

// The rows the view shows.
int ShownRowCount(int control);

}  // namespace rk::test
