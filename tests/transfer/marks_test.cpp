// "A +" and "A -": highlighted rows become ticked or unticked rows, nothing else changes.

#include <gtest/gtest.h>

#include <vector>

#include "app/controls.h"
#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"
#include "transfer_test_support.h"

namespace rk::transfer::test {
namespace {

using RowStates = std::vector<int>;
using MarksTest = TransferTest;

TEST_F(MarksTest, HighlightsBecomeTicksAndTicksStayWhereNothingIsHighlighted) {
  LoadBook(1, "Eins.xml", kFourContacts);
  LoadBook(2, "Zwei.xml", kFourContacts);
  const Records records = SlotRecords(1);
  rk::test::ClickListRow(PaneControl(2, app::kContactList), 1);
  rk::test::ClickListCheckBox(PaneControl(1, app::kContactList), 3);
  rk::test::ClickListRow(PaneControl(1, app::kContactList), 0);
  rk::test::ClickListRow(PaneControl(1, app::kContactList), 2, rk::test::kControlClick);
  ASSERT_EQ(States(1), (RowStates{1, 0, 1, 2}));

  PressIn(1, app::kMarkButton);
  EXPECT_EQ(States(1), (RowStates{2, 0, 2, 2}));

  // Rows 1 to 3 highlighted, two of them ticked: "A -" clears them and leaves row 0 ticked.
  rk::test::ClickListRow(PaneControl(1, app::kContactList), 1);
  rk::test::ClickListRow(PaneControl(1, app::kContactList), 3, rk::test::kShiftClick);
  ASSERT_EQ(States(1), (RowStates{2, 1, 3, 3}));
  PressIn(1, app::kUnmarkButton);
  EXPECT_EQ(States(1), (RowStates{2, 0, 0, 0}));

  // A highlighted row that is ticked already stays ticked and loses its highlight.
  rk::test::ClickListRow(PaneControl(1, app::kContactList), 0);
  ASSERT_EQ(States(1), (RowStates{3, 0, 0, 0}));
  PressIn(1, app::kMarkButton);
  EXPECT_EQ(States(1), (RowStates{2, 0, 0, 0}));

  EXPECT_EQ(States(2), (RowStates{0, 1, 0, 0}));
  EXPECT_EQ(SlotRecords(1), records);
  EXPECT_EQ(tk::GetText(PaneControl(1, app::kCountLabel)), u" Anz.: 4");
  EXPECT_TRUE(BothInStep());
}

TEST_F(MarksTest, BookTwoButtonsActOnBookTwoOnly) {
  PressIn(2, app::kMarkButton);
  PressIn(2, app::kUnmarkButton);
  EXPECT_EQ(tk::CountItems(PaneControl(2, app::kContactList)), 0);

  LoadBook(1, "Eins.xml", kFourContacts);
  LoadBook(2, "Zwei.xml", kFourContacts);
  rk::test::ClickListCheckBox(PaneControl(2, app::kContactList), 2);
  PressIn(2, app::kUnmarkButton);
  EXPECT_EQ(States(2), (RowStates{0, 0, 2, 0}));

  rk::test::ClickListRow(PaneControl(1, app::kContactList), 1);
  rk::test::ClickListRow(PaneControl(2, app::kContactList), 0);
  rk::test::ClickListRow(PaneControl(2, app::kContactList), 3, rk::test::kShiftClick);
  PressIn(2, app::kMarkButton);
  EXPECT_EQ(States(2), (RowStates{2, 2, 2, 2}));
  EXPECT_EQ(States(1), (RowStates{0, 1, 0, 0}));
}

}  // namespace
}  // namespace rk::transfer::test
