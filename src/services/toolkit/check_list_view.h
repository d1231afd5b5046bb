#pragma once
// The checkable list on screen: a table view over CheckListModel with the mouse and keyboard
// selection of a report-style list (click, Ctrl+click, Shift+click, arrow keys), a tick box in
// column 0, whole-row highlight that stays visible without focus, and grid lines. For a screen
// reader it is a table whose highlighted rows are selected and whose tick cells are check
// boxes (see check_list_accessible.h).

#include <QTableView>

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "services/toolkit/check_list_model.h"

namespace rk::tk::detail {

class RowDelegate;

class CheckListView final : public QTableView {
 public:
  // `onUserEvent` runs after every click, double click, tick or selection change by the user.
  // `flags` are the list flags of CreateCheckList (check boxes, multiple selection, selection
  // kept visible without focus, grid lines).
  CheckListView(QWidget* parent, std::uint32_t flags, std::function<void()> onUserEvent);

  CheckListModel& Model() { return *model_; }
  const CheckListModel& Model() const { return *model_; }

  // Inserts a column with a title and a width in pixels; its index.
  int AddColumn(int position, std::u16string_view title, int width);

  void AddRow(int position, std::u16string_view text);
  void AddRows(std::vector<std::u16string> texts);
  void RemoveRow(int row);
  void RemoveRows(std::span<const int> rows);
  void Clear();

  // Sets selection and tick of a row; a selected row also becomes the current (focused) row.
  void SetRowState(int row, int state);

  // The current (focused) row, -1 when there is none.
  int CurrentRow() const;

  // Where the tick box of a row is drawn, in viewport coordinates.
  QRect CheckBoxRect(int row) const;

  // Whether highlighted rows are drawn highlighted now.
  bool ShowsSelection() const;

  // Whether more than one row can be highlighted.
  bool MultiSelect() const;

  // Ticks or unticks a row for a screen reader's action, as Space does.
  void ToggleTickAsUser(int row);

  // Highlights (with a single-selection list: only) or clears a row for a screen reader's
  // request, as a click would; false for a row that does not exist.
  bool SelectAsUser(int row, bool selected);

  // Brings Qt's selection in line with the highlighted rows, for a reader that just arrived.
  void MirrorAllRows();

  void keyboardSearch(const QString& search) override;
  void reset() override;

 protected slots:
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles) override;
  void rowsInserted(const QModelIndex& parent, int start, int end) override;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void SetCurrentRow(int row);
  void ScrollToRow(int row);
  bool HitsCheckBox(const QModelIndex& index, QPoint position) const;
  void UpdateRowHeight();
  int RowsPerPage() const;
  void MirrorSelection(int first, int last);
  void AnnounceTicks();
  // After Ctrl+A: has a reader say how many rows are highlighted now.
  void TellAllHighlighted();
  // Tells a reader the current row's tick cell has the focus.
  void TellCurrentCell();
  // Tells a reader the keyboard is on this cell.
  void TellFocus(int row, int column);

  CheckListModel* model_;   // owned as a Qt child
  RowDelegate* delegate_;   // owned as a Qt child
  std::uint32_t flags_;
  std::function<void()> onUserEvent_;
  int anchor_ = -1;  // row a Shift+click or Shift+arrow extends from
};

}  // namespace rk::tk::detail
