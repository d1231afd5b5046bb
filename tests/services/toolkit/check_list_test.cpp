// The checkable list's rows, columns and state bits, driven through the toolkit operations.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "support/list_view_support.h"

namespace rk::tk {
namespace {

constexpr int kList = 15;

class CheckListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(OpenWindow(0, 0, 0, 900, 500, u"Liste", 0xCA0001), 0u);
    ASSERT_NE(CreateCheckList(kList, 0, 0, 880, 480, u"", 25, 0x4001000D), 0);
    AddListColumn(kList, 1, u"Nr.", 65);
    AddListColumn(kList, 2, u"ID", 45);
    AddListColumn(kList, 3, u"Name", 230);
    AddListColumn(kList, 4, u"Telefon", 410);
  }
  void TearDown() override { CloseWindow(0); }

  // Rows "\n0", "\n1", ... so that column 1 names the original position.
  void AddNumberedRows(int count) {
    for (int row = 0; row < count; ++row) AddItem(kList, -1, u"\n" + DecimalText(row));
  }

  std::vector<std::u16string> Column1() {
    std::vector<std::u16string> texts;
    for (int row = 0; row < CountItems(kList); ++row) texts.push_back(GetItemText(kList, row, 1));
    return texts;
  }
};

using Texts = std::vector<std::u16string>;

TEST_F(CheckListTest, TextIsSplitIntoColumnsAtLineFeeds) {
  AddItem(kList, -1, u"\nA\nB\nC\nD");
  ASSERT_EQ(CountItems(kList), 1);
  EXPECT_EQ(GetItemText(kList, 0, 0), u"");
  EXPECT_EQ(GetItemText(kList, 0, 1), u"A");
  EXPECT_EQ(GetItemText(kList, 0, 2), u"B");
  EXPECT_EQ(GetItemText(kList, 0, 3), u"C");
  EXPECT_EQ(GetItemText(kList, 0, 4), u"D");

  // Empty segments give empty cells, a final line feed an empty next cell, missing ones stay
  // empty; a segment beyond the last column has no cell to go to.
  AddItem(kList, -1, u"x\n\ny\n");
  EXPECT_EQ(GetItemText(kList, 1, 0), u"x");
  EXPECT_EQ(GetItemText(kList, 1, 1), u"");
  EXPECT_EQ(GetItemText(kList, 1, 2), u"y");
  EXPECT_EQ(GetItemText(kList, 1, 3), u"");
  EXPECT_EQ(GetItemText(kList, 1, 4), u"");
  AddItem(kList, -1, u"\n1\n2\n3\n4\n5");
  EXPECT_EQ(GetItemText(kList, 2, 4), u"4");
  EXPECT_EQ(GetItemText(kList, 2, 5), u"");

  // Column 0 is the tick column: its text is kept but not painted.
  EXPECT_EQ(rk::test::ShownCellText(kList, 1, 0), u"");
  EXPECT_EQ(rk::test::ShownCellText(kList, 0, 1), u"A");
}

TEST_F(CheckListTest, PositionsPastTheEndAppendAndOthersInsertBefore) {
  AddNumberedRows(3);
  AddItem(kList, 5, u"\nappended");
  EXPECT_EQ(GetItemText(kList, 3, 1), u"appended");
  AddItem(kList, 4, u"\nat count");
  AddItem(kList, 0, u"\nfirst");
  AddItem(kList, 2, u"\nbefore 1");
  EXPECT_EQ(Column1(), (Texts{u"first", u"0", u"before 1", u"1", u"2", u"appended", u"at count"}));
}

TEST_F(CheckListTest, StateBitsSelectAndTickIndependently) {
  AddNumberedRows(3);
  SetItemState(kList, 1, kRowSelected | kRowTicked);
  EXPECT_EQ(GetItemState(kList, 1), 3);
  SetItemState(kList, 1, kRowTicked);
  EXPECT_EQ(GetItemState(kList, 1), 2);
  SetItemState(kList, 1, 0);
  EXPECT_EQ(GetItemState(kList, 1), 0);
  SetItemState(kList, 2, kRowSelected);
  EXPECT_EQ(GetItemState(kList, 2), 1);
  // The list is not three-state: the in-between bit is never stored.
  SetItemState(kList, 0, kRowIndeterminate | kRowTicked);
  EXPECT_EQ(GetItemState(kList, 0), 2);
  // Rows that do not exist.
  SetItemState(kList, 3, 3);
  SetItemState(kList, -1, 3);
  EXPECT_EQ(GetItemState(kList, 3), 0);
  EXPECT_EQ(GetItemState(kList, -1), 0);
  EXPECT_EQ(CountItems(kList), 3);
}

TEST_F(CheckListTest, SelectingARowMakesItCurrentAndDeselectingTakesTheFocusMark) {
  AddNumberedRows(4);
  SetItemState(kList, 2, kRowSelected);
  EXPECT_EQ(rk::test::CurrentListRow(kList), 2);
  SetItemState(kList, 1, kRowTicked);
  EXPECT_EQ(rk::test::CurrentListRow(kList), 2);
  SetItemState(kList, 2, kRowTicked);
  EXPECT_EQ(rk::test::CurrentListRow(kList), -1);
}

TEST_F(CheckListTest, TextOfMissingRowsAndColumnsIsEmptyAndRowMinusOneIsTheTitle) {
  AddNumberedRows(7);
  EXPECT_EQ(GetItemText(kList, 6, 1), u"6");
  EXPECT_EQ(GetItemText(kList, 7, 1), u"");
  EXPECT_EQ(GetItemText(kList, -2, 1), u"");
  EXPECT_EQ(GetItemText(kList, 0, -1), u"");
  EXPECT_EQ(GetItemText(kList, -1, 0), u"");
  EXPECT_EQ(GetItemText(kList, -1, 1), u"Nr.");
  EXPECT_EQ(GetItemText(kList, -1, 4), u"Telefon");
  EXPECT_EQ(GetItemText(kList, -1, 5), u"");

  // However long a cell is, it comes back whole.
  const std::u16string phones(20000, u'7');
  AddItem(kList, -1, u"\n7\n\n\n" + phones);
  EXPECT_EQ(GetItemText(kList, 7, 4), phones);
}

TEST_F(CheckListTest, RemovingRowsFromTheBottomUpKeepsTheOthersInOrderWithTheirStates) {
  AddNumberedRows(7);
  SetItemState(kList, 5, kRowTicked);
  SetItemState(kList, 2, kRowSelected);
  for (const int row : {6, 4, 1}) RemoveItem(kList, row);
  EXPECT_EQ(Column1(), (Texts{u"0", u"2", u"3", u"5"}));
  EXPECT_EQ(GetItemState(kList, 1), kRowSelected);
  EXPECT_EQ(GetItemState(kList, 3), kRowTicked);
  RemoveItem(kList, 4);
  RemoveItem(kList, -1);
  EXPECT_EQ(CountItems(kList), 4);
}

TEST_F(CheckListTest, RemoveItemsTakesScatteredRowsInOneStep) {
  AddNumberedRows(10);
  SetItemState(kList, 2, kRowTicked);
  SetItemState(kList, 9, kRowTicked);
  SetItemState(kList, 6, kRowSelected);  // current row
  const int rows[] = {1, 3, 4, 8};
  RemoveItems(kList, rows);
  EXPECT_EQ(Column1(), (Texts{u"0", u"2", u"5", u"6", u"7", u"9"}));
  EXPECT_EQ(GetItemState(kList, 1), kRowTicked);
  EXPECT_EQ(GetItemState(kList, 3), kRowSelected);
  EXPECT_EQ(GetItemState(kList, 5), kRowTicked);
  EXPECT_EQ(rk::test::CurrentListRow(kList), 3);

  // Out of order, repeated and missing indices remove each existing row once.
  const int messy[] = {4, 0, 0, 99, -1};
  RemoveItems(kList, messy);
  EXPECT_EQ(Column1(), (Texts{u"2", u"5", u"6", u"9"}));
  // One block at the end.
  const int tail[] = {2, 3};
  RemoveItems(kList, tail);
  EXPECT_EQ(Column1(), (Texts{u"2", u"5"}));
  RemoveItems(kList, {});
  EXPECT_EQ(CountItems(kList), 2);
}

TEST_F(CheckListTest, AddItemsAppendsInOrderUntickedAndUnselected) {
  AddNumberedRows(2);
  SetItemState(kList, 1, kRowSelected | kRowTicked);
  const std::vector<std::u16string> texts{u"\na\nid a", u"\nb", u"\nc\n\nName c"};
  AddItems(kList, texts);
  EXPECT_EQ(Column1(), (Texts{u"0", u"1", u"a", u"b", u"c"}));
  EXPECT_EQ(GetItemText(kList, 2, 2), u"id a");
  EXPECT_EQ(GetItemText(kList, 4, 3), u"Name c");
  EXPECT_EQ(GetItemState(kList, 1), 3);
  for (int row = 2; row < 5; ++row) EXPECT_EQ(GetItemState(kList, row), 0) << row;
}

TEST_F(CheckListTest, CopyItemsAppendsTheTextsOfOtherRowsWithoutTheirState) {
  constexpr int kOther = 16;
  ASSERT_NE(CreateCheckList(kOther, 0, 0, 880, 480, u"", 25, 0x4001000D), 0);
  for (int column = 1; column <= 4; ++column) AddListColumn(kOther, column, u"", 60);
  AddItem(kOther, -1, u"\nz");
  AddItem(kList, -1, u"\n0\nid\nName\n030");
  AddNumberedRows(3);
  SetItemState(kList, 0, kRowSelected | kRowTicked);
  SetItemState(kList, 2, kRowTicked);

  // The rows in the order given, rows that do not exist left out.
  const int rows[] = {2, 0, 7, -1};
  CopyItems(kList, rows, kOther);
  ASSERT_EQ(CountItems(kOther), 3);
  EXPECT_EQ(GetItemText(kOther, 1, 1), u"1");
  EXPECT_EQ(GetItemText(kOther, 2, 4), u"030");
  for (int row = 0; row < 3; ++row) EXPECT_EQ(GetItemState(kOther, row), 0) << row;
  EXPECT_EQ(GetItemState(kList, 0), kRowSelected | kRowTicked);

  // Within one list: every row copied once, however far the list grows meanwhile.
  const int all[] = {0, 1, 2, 3, 4};
  CopyItems(kList, all, kList);
  EXPECT_EQ(Column1(), (Texts{u"0", u"0", u"1", u"2", u"0", u"0", u"1", u"2"}));
}

TEST_F(CheckListTest, ClearItemsEmptiesTheListForNewRows) {
  AddNumberedRows(5);
  SetItemState(kList, 3, 3);
  ClearItems(kList);
  EXPECT_EQ(CountItems(kList), 0);
  EXPECT_EQ(GetItemText(kList, 0, 1), u"");
  EXPECT_EQ(GetItemState(kList, 3), 0);
  EXPECT_EQ(GetItemText(kList, -1, 3), u"Name");
  AddItem(kList, 3, u"\nnew");
  EXPECT_EQ(Column1(), (Texts{u"new"}));
  EXPECT_EQ(GetItemState(kList, 0), 0);
}

TEST_F(CheckListTest, HundredThousandRowsAddedOneByOneThenHalfRemoved) {
  constexpr int kRows = 100000;
  for (int row = 0; row < kRows; ++row) {
    AddItem(kList, -1, u"\n" + DecimalText(row) + u" (1)\n" + DecimalText(row) + u"\nName\n0301");
  }
  ASSERT_EQ(CountItems(kList), kRows);
  std::vector<int> odd;
  for (int row = 1; row < kRows; row += 2) {
    odd.push_back(row);
    SetItemState(kList, row, kRowTicked);
  }
  RemoveItems(kList, odd);
  ASSERT_EQ(CountItems(kList), kRows / 2);
  EXPECT_EQ(GetItemText(kList, 0, 1), u"0 (1)");
  EXPECT_EQ(GetItemText(kList, kRows / 2 - 1, 2), u"99998");
  EXPECT_EQ(GetItemState(kList, kRows / 2 - 1), 0);
  // The view catches up with the model when the event loop runs.
  while (PollEvent() != 0) {
  }
  EXPECT_EQ(rk::test::ShownRowCount(kList), kRows / 2);
}

}  // namespace
}  // namespace rk::tk
