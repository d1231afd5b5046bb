#pragma once
// Rows of the checkable list. Each row is one text (its column texts joined by line feeds, as
// the program passes them) and one state byte; the selection lives here, not in Qt's selection
// model, so reading and writing a row's state is O(1).

#include <QAbstractTableModel>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "services/toolkit/list_text.h"

namespace rk::tk::detail {

class CheckListModel final : public QAbstractTableModel {
 public:
  // data() role that tells the painter whether a row is highlighted.
  static constexpr int kSelectedRole = Qt::UserRole + 1;

  explicit CheckListModel(QObject* parent);

  // Whether column 0 shows a tick box.
  void SetCheckBoxes(bool shown) { checkBoxes_ = shown; }
  bool HasCheckBoxes() const { return checkBoxes_; }

  // A note a screen reader reads with the tick cell of `row` (its description) until the next
  // note; row -1 removes it. The view removes it at the next key, click or loss of focus.
  void SetReaderNote(int row, std::u16string_view note);

  // Rows whose tick changed since the last call, recorded only while a screen reader listens
  // (QAccessible::isActive), so they can be announced; in the order of the changes.
  std::vector<int> TakeTickChanges() { return std::exchange(tickChanges_, {}); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Inserts a column title at `position` (clamped to the ends); returns its index.
  int InsertColumn(int position, std::u16string_view title);

  int Count() const { return static_cast<int>(rows_.size()); }

  // How many rows are highlighted.
  int SelectedCount() const { return selectedCount_; }

  // Inserts a row before `position`, or appends for -1 and positions past the end; its index.
  int InsertRow(int position, std::u16string_view text);

  // Appends rows in order with one notification, taking the texts over.
  void AppendRows(std::vector<std::u16string> texts);

  // Appends copies of the texts of `rows` of `source` (which may be this model), state 0, in
  // the order given with one notification; rows outside `source` are left out.
  void AppendRowsOf(const CheckListModel& source, std::span<const int> rows);

  void RemoveRow(int row);

  // Removes the rows with these indices (ascending, unique, existing; see NormaliseRows) in one
  // pass and one notification.
  void RemoveRows(std::span<const int> rows);

  void Clear();

  // Text of a cell; row -1 gives the column title; "" for cells that do not exist.
  std::u16string Text(int row, int column) const;

  // State bits of a row: 1 selected, 2 ticked; 0 for a row that does not exist.
  int State(int row) const;
  void SetState(int row, int state);

  bool IsSelected(int row) const;
  void SetSelected(int row, bool selected);
  void ToggleTicked(int row);

  // Selects only `row` (-1: nothing).
  void SelectOnly(int row);

  // Selects the rows from `first` to `last` (either order); the rest are deselected unless
  // `keepOthers`.
  void SelectRange(int first, int last, bool keepOthers);

  void SelectAll();

 private:
  struct Row {
    std::u16string text;
    std::uint8_t state = 0;
  };

  // Records that rows changed on screen; one dataChanged follows when the event loop runs.
  void MarkChanged(int first, int last);
  void FlushChanges();
  void WriteState(int row, std::uint8_t state);

  std::vector<Row> rows_;
  std::vector<std::u16string> titles_;
  std::vector<int> tickChanges_;
  std::u16string note_;
  int noteRow_ = -1;
  int selectedCount_ = 0;
  int dirtyFirst_ = -1;
  int dirtyLast_ = -1;
  bool flushPending_ = false;
  bool checkBoxes_ = true;
};

}  // namespace rk::tk::detail
