#include "services/toolkit/check_list_model.h"

#include <QAccessible>
#include <QMetaObject>

#include <algorithm>

#include "services/toolkit/qt_text.h"
#include "services/toolkit/accessibility.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk::detail {

CheckListModel::CheckListModel(QObject* parent) : QAbstractTableModel(parent) {}

int CheckListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Count();
}

int CheckListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant CheckListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const Row& row = rows_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
      // Column 0 is the tick column: it shows the check box and nothing else.
      if (index.column() == 0) return {};
      return ToQString(ColumnSegment(row.text, index.column()));
    case Qt::CheckStateRole:
      if (index.column() != 0 || !checkBoxes_) return {};
      return (row.state & kRowTicked) != 0 ? Qt::Checked : Qt::Unchecked;
    case Qt::AccessibleDescriptionRole:
      if (index.column() != 0 || index.row() != noteRow_) return {};
      return ToQString(note_);
    case kSelectedRole:
      return (row.state & kRowSelected) != 0;
    default:
      return {};
  }
}

QVariant CheckListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  if (section < 0 || section >= static_cast<int>(titles_.size())) return {};
  return ToQString(titles_[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags CheckListModel::flags(const QModelIndex& index) const {
  // The view selects and ticks through this model, never through Qt's item handling; the
  // flags tell a screen reader that rows can be highlighted and the tick cell ticked.
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (index.column() == 0 && checkBoxes_) result |= Qt::ItemIsUserCheckable;
  return result;
}

int CheckListModel::InsertColumn(int position, std::u16string_view title) {
  const int count = static_cast<int>(titles_.size());
  if (position < 0 || position > count) position = count;
  beginInsertColumns(QModelIndex(), position, position);
  titles_.insert(titles_.begin() + position, std::u16string(title));
  endInsertColumns();
  return position;
}

int CheckListModel::InsertRow(int position, std::u16string_view text) {
  const int count = Count();
  if (position < 0 || position > count) position = count;
  beginInsertRows(QModelIndex(), position, position);
  rows_.insert(rows_.begin() + position, Row{std::u16string(text), 0});
  endInsertRows();
  return position;
}

void CheckListModel::AppendRows(std::vector<std::u16string> texts) {
  if (texts.empty()) return;
  const int first = Count();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(texts.size()) - 1);
  rows_.reserve(rows_.size() + texts.size());
  for (std::u16string& text : texts) rows_.push_back(Row{std::move(text), 0});
  endInsertRows();
}

void CheckListModel::AppendRowsOf(const CheckListModel& source, std::span<const int> rows) {
  const int available = source.Count();
  const auto exists = [available](int row) { return row >= 0 && row < available; };
  const auto count = static_cast<std::size_t>(std::count_if(rows.begin(), rows.end(), exists));
  if (count == 0) return;
  const int first = Count();
  beginInsertRows(QModelIndex(), first, first + static_cast<int>(count) - 1);
  // Reserved first, so copying rows of this same model never reads a moved row.
  rows_.reserve(rows_.size() + count);
  for (const int row : rows) {
    if (exists(row)) rows_.push_back(Row{source.rows_[static_cast<std::size_t>(row)].text, 0});
  }
  endInsertRows();
}

void CheckListModel::RemoveRow(int row) {
  if (row < 0 || row >= Count()) return;
  const int one[] = {row};
  RemoveRows(one);
}

void CheckListModel::RemoveRows(std::span<const int> doomed) {
  if (doomed.empty()) return;
  const int first = doomed.front();
  const int last = doomed.back();
  const bool oneBlock = last - first + 1 == static_cast<int>(doomed.size());
  // One block is an ordinary removal, which keeps the view's current row and scroll position;
  // scattered rows get one compaction and one reset instead of a notification per row.
  if (oneBlock) {
    beginRemoveRows(QModelIndex(), first, last);
  } else {
    beginResetModel();
  }
  auto write = static_cast<std::size_t>(first);
  std::size_t next = 0;
  for (std::size_t read = write; read < rows_.size(); ++read) {
    if (next < doomed.size() && static_cast<std::size_t>(doomed[next]) == read) {
      ++next;
      if ((rows_[read].state & kRowSelected) != 0) --selectedCount_;
      continue;
    }
    if (write != read) rows_[write] = std::move(rows_[read]);
    ++write;
  }
  rows_.resize(write);
  // Rows moved up: recorded tick changes would name the wrong rows now.
  tickChanges_.clear();
  if (oneBlock) {
    endRemoveRows();
  } else {
    endResetModel();
  }
}

void CheckListModel::SetReaderNote(int row, std::u16string_view note) {
  noteRow_ = row;
  note_ = note;
}

void CheckListModel::Clear() {
  if (rows_.empty()) return;
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  tickChanges_.clear();
  selectedCount_ = 0;
  endResetModel();
}

std::u16string CheckListModel::Text(int row, int column) const {
  if (column < 0 || column >= static_cast<int>(titles_.size())) return {};
  if (row == -1) return titles_[static_cast<std::size_t>(column)];
  if (row < 0 || row >= Count()) return {};
  return std::u16string(ColumnSegment(rows_[static_cast<std::size_t>(row)].text, column));
}

int CheckListModel::State(int row) const {
  if (row < 0 || row >= Count()) return 0;
  return rows_[static_cast<std::size_t>(row)].state;
}

void CheckListModel::SetState(int row, int state) {
  if (row < 0 || row >= Count()) return;
  WriteState(row, static_cast<std::uint8_t>(state & (kRowSelected | kRowTicked)));
}

bool CheckListModel::IsSelected(int row) const { return (State(row) & kRowSelected) != 0; }

void CheckListModel::SetSelected(int row, bool selected) {
  if (row < 0 || row >= Count()) return;
  const std::uint8_t old = rows_[static_cast<std::size_t>(row)].state;
  WriteState(row, static_cast<std::uint8_t>(selected ? old | kRowSelected : old & ~kRowSelected));
}

void CheckListModel::ToggleTicked(int row) {
  if (row < 0 || row >= Count()) return;
  const std::uint8_t old = rows_[static_cast<std::size_t>(row)].state;
  WriteState(row, static_cast<std::uint8_t>(old ^ kRowTicked));
}

void CheckListModel::SelectOnly(int row) { SelectRange(row, row, false); }

void CheckListModel::SelectRange(int first, int last, bool keepOthers) {
  if (first > last) std::swap(first, last);
  if (!keepOthers && selectedCount_ > 0) {
    for (int index = 0; index < Count() && selectedCount_ > 0; ++index) {
      if (index < first || index > last) SetSelected(index, false);
    }
  }
  first = std::max(first, 0);
  last = std::min(last, Count() - 1);
  for (int index = first; index <= last; ++index) SetSelected(index, true);
}

void CheckListModel::SelectAll() { SelectRange(0, Count() - 1, true); }

void CheckListModel::WriteState(int row, std::uint8_t state) {
  Row& target = rows_[static_cast<std::size_t>(row)];
  if (target.state == state) return;
  if (((target.state ^ state) & kRowSelected) != 0) {
    selectedCount_ += (state & kRowSelected) != 0 ? 1 : -1;
  }
  if (((target.state ^ state) & kRowTicked) != 0 && ReaderListening()) {
    tickChanges_.push_back(row);
  }
  target.state = state;
  MarkChanged(row, row);
}

void CheckListModel::MarkChanged(int first, int last) {
  dirtyFirst_ = dirtyFirst_ < 0 ? first : std::min(dirtyFirst_, first);
  dirtyLast_ = std::max(dirtyLast_, last);
  if (flushPending_) return;
  flushPending_ = true;
  // Thousands of state changes in one operation become a single repaint when the event loop
  // runs again.
  QMetaObject::invokeMethod(this, [this] { FlushChanges(); }, Qt::QueuedConnection);
}

void CheckListModel::FlushChanges() {
  flushPending_ = false;
  const int first = dirtyFirst_;
  const int last = std::min(dirtyLast_, Count() - 1);
  dirtyFirst_ = -1;
  dirtyLast_ = -1;
  if (first < 0 || first > last || titles_.empty()) return;
  emit dataChanged(index(first, 0), index(last, static_cast<int>(titles_.size()) - 1));
}

}  // namespace rk::tk::detail
