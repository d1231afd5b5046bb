#pragma once
// The rows of a checkable list on Win32. The ListView is virtual (LVS_OWNERDATA): it asks for
// the texts and ticks of the rows it paints, so a book of 100,000 contacts costs one vector
// here and nothing in the control. The highlight is the control's own selection, so the
// keyboard and mouse handling stay the standard ones; the tick lives here and is shown as the
// row's state image.

#include <string>
#include <vector>

namespace rk::tk::detail {

struct ListRows {
  struct Row {
    std::u16string text;  // column texts joined by line feeds, as the program passes them
    bool ticked = false;
  };
  std::vector<Row> rows;
  std::vector<std::u16string> titles;  // column titles in display order
  std::vector<int> widths;             // column widths in layout pixels, in display order
  bool checkBoxes = true;
  // The row count the control was last told. Appended rows are told once the loop runs (or
  // before the control is asked about a row), so a book added row by row costs the control
  // one update, not one per row.
  int shownCount = 0;
  bool countPosted = false;
};

}  // namespace rk::tk::detail
