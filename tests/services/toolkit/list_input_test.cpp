// The checkable list under real mouse clicks and keys: selection, ticks, events, painting.
#include <QAccessible>
#include <QImage>
#include <QPushButton>
#include <QTableView>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "services/text.h"
#include "services/toolkit/accessibility.h"
#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"

namespace rk::tk {
namespace {

constexpr int kList = 15;
constexpr int kButton = 3;
constexpr int kRows = 10;

class ListInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(OpenWindow(0, 0, 0, 900, 500, u"Liste", 0xCA0001), 0u);
    ASSERT_NE(CreateButton(kButton, 0, 0, 80, 24, u"Knopf"), 0);
    ASSERT_NE(CreateCheckList(kList, 0, 30, 880, 460, u"", 25, 0x4001000D), 0);
    AddListColumn(kList, 1, u"Nr.", 65);
    AddListColumn(kList, 2, u"ID", 45);
    AddListColumn(kList, 3, u"Name", 230);
    AddListColumn(kList, 4, u"Telefon", 410);
    std::vector<std::u16string> rows;
    for (int row = 0; row < kRows; ++row) rows.push_back(u"\n" + DecimalText(row) + u"\n\nName");
    AddItems(kList, rows);
    view_ = qobject_cast<QTableView*>(rk::test::FindControl(kList));
    ASSERT_NE(view_, nullptr);
    DrainAll();
  }
  void TearDown() override {
    detail::SetReaderTap({});
    CloseWindow(0);
    DrainAll();
  }

  static void DrainAll() {
    rk::test::DrainEvents([](int, int) {});
  }

  // The rows whose state has `bit`.
  static std::vector<int> RowsWith(int bit) {
    std::vector<int> rows;
    for (int row = 0; row < CountItems(kList); ++row) {
      if ((GetItemState(kList, row) & bit) != 0) rows.push_back(row);
    }
    return rows;
  }

  QTableView* view_ = nullptr;
};

using Rows = std::vector<int>;

TEST_F(ListInputTest, ClickSelectsOnlyTheClickedRow) {
  rk::test::ClickListRow(kList, 2);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{2}));
  rk::test::ClickListRow(kList, 5);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{5}));
  EXPECT_EQ(view_->currentIndex().row(), 5);
  EXPECT_TRUE(RowsWith(kRowTicked).empty());
}

TEST_F(ListInputTest, CtrlClickTogglesSingleRows) {
  rk::test::ClickListRow(kList, 1);
  rk::test::ClickListRow(kList, 3, Qt::ControlModifier);
  rk::test::ClickListRow(kList, 5, Qt::ControlModifier);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{1, 3, 5}));
  rk::test::ClickListRow(kList, 3, Qt::ControlModifier);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{1, 5}));
}

TEST_F(ListInputTest, ShiftClickSelectsTheRangeFromTheAnchor) {
  rk::test::ClickListRow(kList, 2);
  rk::test::ClickListRow(kList, 5, Qt::ShiftModifier);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{2, 3, 4, 5}));
  // The anchor stays at the plainly clicked row, so the range can turn round.
  rk::test::ClickListRow(kList, 0, Qt::ShiftModifier);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{0, 1, 2}));
  // Ctrl+click moves the anchor; Ctrl+Shift adds a range to what is selected.
  rk::test::ClickListRow(kList, 7, Qt::ControlModifier);
  rk::test::ClickListRow(kList, 9, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{0, 1, 2, 7, 8, 9}));
  rk::test::ClickListRow(kList, 8, Qt::ShiftModifier);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{7, 8}));
}

TEST_F(ListInputTest, ClickOnTheTickBoxTogglesTheTickOnly) {
  rk::test::ClickListRow(kList, 1);
  rk::test::ClickListCheckBox(kList, 4);
  EXPECT_EQ(GetItemState(kList, 4), kRowTicked);
  EXPECT_EQ(GetItemState(kList, 1), kRowSelected);
  rk::test::ClickListCheckBox(kList, 1);
  EXPECT_EQ(GetItemState(kList, 1), kRowSelected | kRowTicked);
  rk::test::ClickListCheckBox(kList, 4);
  EXPECT_EQ(GetItemState(kList, 4), 0);
  EXPECT_EQ(RowsWith(kRowTicked), (Rows{1}));
}

TEST_F(ListInputTest, ClickBelowTheLastRowClearsTheSelection) {
  rk::test::ClickListRow(kList, 1);
  rk::test::ClickListRow(kList, 2, Qt::ControlModifier);
  const QRect last = view_->visualRect(view_->model()->index(kRows - 1, 1));
  QTest::mouseClick(view_->viewport(), Qt::LeftButton, Qt::NoModifier,
                    last.center() + QPoint(0, 3 * last.height()));
  EXPECT_TRUE(RowsWith(kRowSelected).empty());
}

TEST_F(ListInputTest, UserActionsQueueListEventsButProgramChangesDoNot) {
  std::vector<std::pair<int, int>> events;
  auto record = [&](int code, int control) { events.emplace_back(code, control); };

  rk::test::ClickListRow(kList, 2);
  rk::test::ClickListCheckBox(kList, 3);
  const QRect cell = view_->visualRect(view_->model()->index(4, 2));
  QTest::mouseDClick(view_->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  rk::test::DrainEvents(record);
  ASSERT_GE(events.size(), 3u);
  for (const auto& [code, control] : events) {
    EXPECT_EQ(code, kEventControl);
    EXPECT_EQ(control, kList);
  }
  EXPECT_EQ(EventWindow(), 0);

  events.clear();
  SetItemState(kList, 5, 3);
  AddItem(kList, -1, u"\nnew");
  RemoveItem(kList, 0);
  rk::test::DrainEvents(record);
  EXPECT_TRUE(events.empty());
}

TEST_F(ListInputTest, ArrowKeysMoveAndExtendTheSelectionAndSpaceTicks) {
  rk::test::ClickListRow(kList, 2);
  QTest::keyClick(view_, Qt::Key_Down);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{3}));
  QTest::keyClick(view_, Qt::Key_Down, Qt::ShiftModifier);
  QTest::keyClick(view_, Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{3, 4, 5}));
  QTest::keyClick(view_, Qt::Key_Space);
  EXPECT_EQ(RowsWith(kRowTicked), (Rows{5}));
  QTest::keyClick(view_, Qt::Key_Home);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{0}));
  QTest::keyClick(view_, Qt::Key_Up);
  EXPECT_EQ(RowsWith(kRowSelected), (Rows{0}));
  QTest::keyClick(view_, Qt::Key_End, Qt::ShiftModifier);
  EXPECT_EQ(RowsWith(kRowSelected).size(), static_cast<std::size_t>(kRows));
}

TEST_F(ListInputTest, ListWithoutMultipleSelectionKeepsOneHighlightedRow) {
  constexpr int kSingle = 31;
  ASSERT_NE(CreateCheckList(kSingle, 0, 300, 400, 150, u"", 25, kListCheckBoxes), 0);
  AddListColumn(kSingle, 1, u"Nr.", 65);
  for (int row = 0; row < 4; ++row) AddItem(kSingle, -1, u"\n" + DecimalText(row));
  rk::test::ClickListRow(kSingle, 1);
  rk::test::ClickListRow(kSingle, 3, Qt::ControlModifier);
  EXPECT_EQ(GetItemState(kSingle, 1), 0);
  EXPECT_EQ(GetItemState(kSingle, 3), kRowSelected);
  SetItemState(kSingle, 0, kRowSelected | kRowTicked);
  EXPECT_EQ(GetItemState(kSingle, 3), 0);
  EXPECT_EQ(GetItemState(kSingle, 0), kRowSelected | kRowTicked);
}

TEST_F(ListInputTest, HighlightIsPaintedWithoutFocusAcrossTheWholeRow) {
  SetItemState(kList, 1, kRowSelected);
  rk::test::FindControl(kButton)->setFocus();
  ASSERT_FALSE(view_->hasFocus());
  while (PollEvent() != 0) {
  }
  const QImage image = view_->viewport()->grab().toImage();
  const QColor highlight = view_->palette().color(QPalette::Active, QPalette::Highlight);
  const QColor base = view_->palette().color(QPalette::Active, QPalette::Base);
  // Right halves of the "Telefon" cells hold no text: only the row's background is there.
  auto pixel = [&](int row) {
    const QRect cell = view_->visualRect(view_->model()->index(row, 4));
    return image.pixelColor(cell.center() * image.devicePixelRatio());
  };
  EXPECT_EQ(pixel(1), highlight);
  EXPECT_EQ(pixel(2), base);
}

// Longer than the toolkit's step of the focus away and back, so no step is still pending.
constexpr int kWiggleWait = 600;

TEST_F(ListInputTest, AReaderSeesATableOfCheckBoxRowsAndHearsEveryTickAndTheWholeHighlight) {
  // Highlighted before a reader arrives: the reader still finds the row selected.
  SetItemState(kList, 2, kRowSelected);
  DrainAll();
  // The rows and new tick states a reader is told of, and the cells it is told the keyboard
  // is on.
  std::vector<std::pair<int, bool>> ticks;
  std::vector<QAccessibleInterface*> focused;
  detail::SetReaderTap([&ticks, &focused](QAccessibleEvent& event) {
    QAccessibleInterface* target = event.accessibleInterface();
    QAccessibleTableCellInterface* cell = target != nullptr ? target->tableCellInterface() : nullptr;
    if (cell == nullptr) return;
    if (event.type() == QAccessible::StateChanged &&
        static_cast<QAccessibleStateChangeEvent&>(event).changedStates().checked) {
      ticks.emplace_back(cell->rowIndex(), target->state().checked);
    }
    if (event.type() == QAccessible::Focus) focused.push_back(target);
  });
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(view_);
  ASSERT_NE(table, nullptr);
  QAccessibleTableInterface* tableCells = table->tableInterface();
  ASSERT_NE(tableCells, nullptr);
  EXPECT_EQ(table->role(), QAccessible::Table);
  EXPECT_TRUE(table->state().multiSelectable);
  QAccessibleTableInterface& cells = *tableCells;
  EXPECT_EQ(cells.columnCount(), 5);
  EXPECT_EQ(cells.rowCount(), kRows);
  EXPECT_EQ(cells.columnDescription(3), QStringLiteral("Name"));
  EXPECT_EQ(cells.selectedRows(), (QList<int>{2}));
  // Children in the order Qt's views number them in their events: the headers first, and a
  // (hidden) row header before each row's cells; each cell knows its place and its header.
  EXPECT_EQ(table->childCount(), (kRows + 1) * 6);
  QAccessibleInterface* header = table->child(4);
  ASSERT_NE(header, nullptr);
  EXPECT_EQ(header->role(), QAccessible::ColumnHeader);
  EXPECT_EQ(header->text(QAccessible::Name), QStringLiteral("Name"));
  EXPECT_EQ(table->child(6 * 3 + 4), cells.cellAt(2, 3));
  EXPECT_EQ(table->indexOfChild(cells.cellAt(2, 3)), 6 * 3 + 4);
  EXPECT_EQ(cells.cellAt(2, 3)->tableCellInterface()->columnHeaderCells(),
            (QList<QAccessibleInterface*>{header}));
  EXPECT_EQ(cells.cellAt(2, 3)->parent(), table);
  const QRect nameCell = cells.cellAt(2, 3)->rect();
  EXPECT_EQ(table->childAt(nameCell.center().x(), nameCell.center().y()), cells.cellAt(2, 3));
  EXPECT_EQ(table->child(6 * 3)->role(), QAccessible::RowHeader);
  EXPECT_TRUE(table->child(6 * 3)->state().invisible);

  // The tick cell is a check box without text: checkable, following the tick, with the
  // action a reader knows a check box by, which ticks as Space does; a highlighted row is
  // selected for the reader, whoever highlighted it.
  SetItemState(kList, 7, kRowTicked);
  rk::test::ClickListRow(kList, 2);
  QTest::keyClick(view_, Qt::Key_Down, Qt::ShiftModifier);
  DrainAll();
  QAccessibleInterface* tick = cells.cellAt(7, 0);
  ASSERT_NE(tick, nullptr);
  EXPECT_EQ(tick->text(QAccessible::Name), QString());
  EXPECT_TRUE(tick->state().checkable);
  EXPECT_TRUE(tick->state().checked);
  EXPECT_FALSE(cells.cellAt(6, 0)->state().checked);
  EXPECT_EQ(cells.cellAt(6, 3)->text(QAccessible::Name), QStringLiteral("Name"));
  EXPECT_EQ(cells.cellAt(6, 3)->actionInterface()->actionNames(), QStringList());
  QAccessibleActionInterface* toggle = cells.cellAt(6, 0)->actionInterface();
  ASSERT_NE(toggle, nullptr);
  EXPECT_EQ(toggle->actionNames(), QStringList{QStringLiteral("toggle")});
  toggle->doAction(QStringLiteral("toggle"));
  EXPECT_EQ(GetItemState(kList, 6), kRowTicked);
  DrainAll();
  toggle->doAction(QStringLiteral("toggle"));
  EXPECT_EQ(GetItemState(kList, 6), 0);
  EXPECT_EQ(cells.selectedRows(), (QList<int>{2, 3}));
  EXPECT_TRUE(cells.cellAt(3, 4)->state().selected);
  SetItemState(kList, 5, kRowSelected);
  DrainAll();
  EXPECT_EQ(cells.selectedRows(), (QList<int>{2, 3, 5}));
  // A reader may highlight and clear rows itself, as clicks would.
  EXPECT_TRUE(cells.unselectRow(3));
  EXPECT_EQ(cells.selectedRows(), (QList<int>{2, 5}));
  EXPECT_TRUE(cells.selectRow(3));
  EXPECT_FALSE(cells.selectRow(kRows));
  EXPECT_EQ(cells.selectedRows(), (QList<int>{2, 3, 5}));

  // Space, a click on the tick box and a program's change each tell the reader the new state
  // once, and move nothing.
  ticks.clear();
  focused.clear();
  QTest::keyClick(view_, Qt::Key_Space);
  DrainAll();
  rk::test::ClickListCheckBox(kList, 1);
  DrainAll();
  SetItemState(kList, 7, 0);
  DrainAll();
  EXPECT_EQ(ticks, (std::vector<std::pair<int, bool>>{{5, true}, {1, true}, {7, false}}));
  EXPECT_EQ(GetItemState(kList, 5), kRowSelected | kRowTicked);
  QTest::qWait(kWiggleWait);
  EXPECT_TRUE(focused.empty());

  // With the keyboard in the list, the reader is told its current cell when the list gets
  // the focus.
  view_->clearFocus();
  view_->window()->activateWindow();
  QTest::qWait(kWiggleWait);
  focused.clear();
  view_->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([this] { return view_->hasFocus(); }, 2000));
  ASSERT_TRUE(QTest::qWaitFor([&focused] { return !focused.empty(); }, 2000));
  EXPECT_EQ(focused.back(), cells.cellAt(5, 0));
  // Right moves the keyboard along the row; Space brings it back to the tick it changed.
  QTest::keyClick(view_, Qt::Key_Right);
  EXPECT_EQ(view_->currentIndex().column(), 1);
  QTest::keyClick(view_, Qt::Key_Space);
  EXPECT_EQ(view_->currentIndex(), view_->model()->index(5, 0));
  EXPECT_EQ(GetItemState(kList, 5), kRowSelected);

  // Hundreds of rows changed in one step rebuild Qt's selection, whose changes Qt tells
  // readers: the others stay selected there too.
  AddItems(kList, std::vector<std::u16string>(400, u"\n\n\nMehr"));
  for (int row = kRows; row < kRows + 400; row += 2) SetItemState(kList, row, kRowSelected);
  DrainAll();
  EXPECT_EQ(cells.selectedRows().size(), 203);
  EXPECT_EQ(cells.selectedRows().mid(0, 4), (QList<int>{2, 3, 5, kRows}));
  const QItemSelectionModel& qtSelection = *view_->selectionModel();
  EXPECT_EQ(qtSelection.selectedRows().size(), 203);
  EXPECT_TRUE(qtSelection.isRowSelected(2) && qtSelection.isRowSelected(5));
  EXPECT_FALSE(qtSelection.isRowSelected(4));

  // Ctrl+A: the reader is told the keyboard came to the tick cell, now a new object, which
  // tells how many rows are highlighted until the next key or until the list loses the focus.
  const int current = view_->currentIndex().row();
  const QAccessible::Id before = QAccessible::uniqueId(cells.cellAt(current, 0));
  focused.clear();
  QTest::keyClick(view_, Qt::Key_A, Qt::ControlModifier);
  DrainAll();
  ASSERT_EQ(focused.size(), 1u);
  EXPECT_NE(QAccessible::uniqueId(focused[0]), before);
  EXPECT_EQ(focused[0], cells.cellAt(current, 0));
  EXPECT_EQ(table->focusChild(), focused[0]);
  // The old object still answers a reader that was on it, but takes no room on screen.
  QAccessibleInterface* retired = QAccessible::accessibleInterface(before);
  ASSERT_NE(retired, nullptr);
  EXPECT_EQ(retired->parent(), table);
  EXPECT_TRUE(retired->rect().isEmpty());
  EXPECT_FALSE(focused[0]->rect().isEmpty());
  EXPECT_EQ(cells.cellAt(current, 0)->text(QAccessible::Description),
            QString::number(kRows + 400) + QStringLiteral(" Einträge markiert"));
  EXPECT_EQ(cells.selectedRowCount(), kRows + 400);
  QTest::keyClick(view_, Qt::Key_Up);
  EXPECT_EQ(cells.cellAt(current, 0)->text(QAccessible::Description), QString());
  QTest::keyClick(view_, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(QAccessible::accessibleInterface(before), nullptr);
  view_->clearFocus();
  EXPECT_EQ(cells.cellAt(current - 1, 0)->text(QAccessible::Description), QString());

  // Rows removed: the reader's cells are made anew and read the rows that are there now.
  QAccessibleInterface* last = cells.cellAt(kRows + 399, 4);
  ASSERT_NE(last, nullptr);
  RemoveItem(kList, 0);
  DrainAll();
  EXPECT_EQ(cells.cellAt(kRows + 399, 4), nullptr);
  EXPECT_EQ(cells.cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("1"));
}

}  // namespace
}  // namespace rk::tk
