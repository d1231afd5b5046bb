#include "services/toolkit/check_list_view.h"

#include <QAccessible>
#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include <algorithm>

#include "services/text.h"
#include "services/toolkit/accessibility.h"
#include "services/toolkit/check_list_accessible.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk::detail {

// Paints a row highlighted when the model says so (the view itself selects nothing in Qt's
// terms) and with the active colours even without focus, so a selection stays visible.
class RowDelegate final : public QStyledItemDelegate {
 public:
  explicit RowDelegate(CheckListView* view) : QStyledItemDelegate(view), view_(view) {}

  // Where the tick box of the cell described by `base` is drawn.
  QRect CheckRect(const QStyleOptionViewItem& base, const QModelIndex& index) const {
    QStyleOptionViewItem option(base);
    initStyleOption(&option, index);
    const QWidget* widget = option.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    return style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, widget);
  }

  QWidget* createEditor(QWidget*, const QStyleOptionViewItem&, const QModelIndex&) const override {
    return nullptr;
  }

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const bool selected =
        index.data(CheckListModel::kSelectedRole).toBool() && view_->ShowsSelection();
    if (selected) {
      option->state |= QStyle::State_Selected | QStyle::State_Active;
    } else {
      option->state &= ~QStyle::State_Selected;
    }
    // The focus mark belongs to the whole current row, not to one cell of it.
    if (view_->hasFocus() && index.row() == view_->CurrentRow()) {
      option->state |= QStyle::State_HasFocus;
    } else {
      option->state &= ~QStyle::State_HasFocus;
    }
  }

 private:
  CheckListView* view_;
};

CheckListView::CheckListView(QWidget* parent, std::uint32_t flags,
                             std::function<void()> onUserEvent)
    : QTableView(parent),
      model_(new CheckListModel(this)),
      delegate_(new RowDelegate(this)),
      flags_(flags),
      onUserEvent_(std::move(onUserEvent)) {
  model_->SetCheckBoxes((flags & kListCheckBoxes) != 0);
  setModel(model_);
  setItemDelegate(delegate_);
  // Clicks and keys are handled below against the model; Qt's selection only mirrors the
  // model's highlight while a screen reader listens (see MirrorSelection), and drives nothing.
  setSelectionMode(QAbstractItemView::NoSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setTabKeyNavigation(false);
  // Moving the current row scrolls only vertically (see ScrollToRow), never back to column 0.
  setAutoScroll(false);
  setWordWrap(false);
  setShowGrid((flags & kListGridLines) != 0);
  setCornerButtonEnabled(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(false);
  horizontalHeader()->setMinimumSectionSize(0);
  UpdateRowHeight();
}

int CheckListView::AddColumn(int position, std::u16string_view title, int width) {
  const int column = model_->InsertColumn(position, title);
  setColumnWidth(column, std::max(width, 0));
  return column;
}

void CheckListView::AddRow(int position, std::u16string_view text) {
  const int row = model_->InsertRow(position, text);
  if (anchor_ >= row) ++anchor_;
}

void CheckListView::AddRows(std::vector<std::u16string> texts) { model_->AppendRows(std::move(texts)); }

void CheckListView::RemoveRow(int row) {
  const int one[] = {row};
  RemoveRows(one);
}

void CheckListView::RemoveRows(std::span<const int> rows) {
  const std::vector<int> doomed = NormaliseRows(rows, model_->Count());
  if (doomed.empty()) return;
  // Where a surviving row moves to: up by the number of removed rows above it.
  auto newIndex = [&doomed](int row) {
    const auto above = std::lower_bound(doomed.begin(), doomed.end(), row);
    if (above != doomed.end() && *above == row) return -1;
    return row - static_cast<int>(above - doomed.begin());
  };
  const int current = CurrentRow();
  const int scroll = verticalScrollBar()->value();
  model_->RemoveRows(doomed);
  anchor_ = anchor_ >= 0 ? newIndex(anchor_) : -1;
  // A reset forgets the current row and may scroll; both are put back as they were.
  SetCurrentRow(current >= 0 ? newIndex(current) : -1);
  verticalScrollBar()->setValue(scroll);
}

void CheckListView::Clear() {
  model_->Clear();
  anchor_ = -1;
}

void CheckListView::SetRowState(int row, int state) {
  if (row < 0 || row >= model_->Count()) return;
  // A list without multiple selection holds at most one highlighted row.
  if ((state & kRowSelected) != 0 && !MultiSelect()) model_->SelectOnly(row);
  model_->SetState(row, state);
  if ((state & kRowSelected) != 0) {
    SetCurrentRow(row);
  } else if (CurrentRow() == row) {
    SetCurrentRow(-1);
  }
}

int CheckListView::CurrentRow() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

QRect CheckListView::CheckBoxRect(int row) const {
  const QModelIndex index = model_->index(row, 0);
  if (!index.isValid()) return {};
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  return delegate_->CheckRect(option, index);
}

bool CheckListView::ShowsSelection() const {
  return (flags_ & kListKeepSelection) != 0 || hasFocus();
}

bool CheckListView::MultiSelect() const { return (flags_ & kListMultiSelect) != 0; }

void CheckListView::ToggleTickAsUser(int row) {
  if (row < 0 || row >= model_->Count() || !model_->HasCheckBoxes()) return;
  model_->ToggleTicked(row);
  onUserEvent_();
}

bool CheckListView::SelectAsUser(int row, bool selected) {
  if (row < 0 || row >= model_->Count()) return false;
  if (selected && !MultiSelect()) {
    model_->SelectOnly(row);
  } else {
    model_->SetSelected(row, selected);
  }
  onUserEvent_();
  return true;
}

void CheckListView::keyboardSearch(const QString&) {
  // Typing does not move the current row: that would change it behind the model's back.
}

void CheckListView::reset() {
  // Scattered removals and clearing reset the model, which empties Qt's selection.
  QTableView::reset();
  MirrorSelection(0, model_->Count() - 1);
}

void CheckListView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                                const QList<int>& roles) {
  QTableView::dataChanged(topLeft, bottomRight, roles);
  MirrorSelection(topLeft.row(), bottomRight.row());
  AnnounceTicks();
}

void CheckListView::rowsInserted(const QModelIndex& parent, int start, int end) {
  QTableView::rowsInserted(parent, start, end);
  // New rows are never highlighted, even when they land inside a selected range.
  MirrorSelection(start, end);
}

void CheckListView::mousePressEvent(QMouseEvent* event) {
  model_->SetReaderNote(-1, {});
  setFocus(Qt::MouseFocusReason);
  const QModelIndex index = indexAt(event->position().toPoint());
  const Qt::KeyboardModifiers modifiers = event->modifiers();
  const bool multiple = MultiSelect();
  const bool control = multiple && (modifiers & Qt::ControlModifier) != 0;
  const bool shift = multiple && (modifiers & Qt::ShiftModifier) != 0;
  if (!index.isValid()) {
    // A click below the last row clears the selection, as in any report list.
    if (!control && !shift) model_->SelectOnly(-1);
    onUserEvent_();
    return;
  }
  const int row = index.row();
  if (event->button() == Qt::LeftButton && HitsCheckBox(index, event->position().toPoint())) {
    model_->ToggleTicked(row);
    onUserEvent_();
    return;
  }
  if (event->button() == Qt::RightButton) {
    if (!model_->IsSelected(row)) model_->SelectOnly(row);
    anchor_ = row;
  } else if (event->button() == Qt::LeftButton) {
    if (shift) {
      if (anchor_ < 0 || anchor_ >= model_->Count()) anchor_ = row;
      model_->SelectRange(anchor_, row, control);
    } else if (control) {
      model_->SetSelected(row, !model_->IsSelected(row));
      anchor_ = row;
    } else {
      model_->SelectOnly(row);
      anchor_ = row;
    }
  }
  SetCurrentRow(row);
  onUserEvent_();
}

void CheckListView::mouseDoubleClickEvent(QMouseEvent* event) {
  const QModelIndex index = indexAt(event->position().toPoint());
  // The second click of a quick pair on the tick box toggles it again, like any second click.
  if (index.isValid() && event->button() == Qt::LeftButton &&
      HitsCheckBox(index, event->position().toPoint())) {
    model_->ToggleTicked(index.row());
  }
  onUserEvent_();
}

void CheckListView::mouseMoveEvent(QMouseEvent*) {
  // No drag selection and no drag and drop.
}

void CheckListView::mouseReleaseEvent(QMouseEvent*) {}

void CheckListView::keyPressEvent(QKeyEvent* event) {
  model_->SetReaderNote(-1, {});
  const int count = model_->Count();
  const int current = CurrentRow();
  const bool multiple = MultiSelect();
  const bool control = (event->modifiers() & Qt::ControlModifier) != 0;
  const bool shift = multiple && (event->modifiers() & Qt::ShiftModifier) != 0;
  int target = 0;
  switch (event->key()) {
    case Qt::Key_Up:
      target = current - 1;
      break;
    case Qt::Key_Down:
      target = current + 1;
      break;
    case Qt::Key_PageUp:
      target = current - RowsPerPage();
      break;
    case Qt::Key_PageDown:
      target = current + RowsPerPage();
      break;
    case Qt::Key_Home:
      target = 0;
      break;
    case Qt::Key_End:
      target = count - 1;
      break;
    case Qt::Key_Space:
      // Space ticks the current row; Ctrl+Space toggles its highlight.
      if (current >= 0) {
        if (control && multiple) {
          model_->SetSelected(current, !model_->IsSelected(current));
        } else if (model_->HasCheckBoxes()) {
          model_->ToggleTicked(current);
          // A reader says a new tick on the cell it is on, so the keyboard's cell becomes the
          // tick cell when Left or Right had moved it along the row.
          if (currentIndex().column() != 0) SetCurrentRow(current);
        }
        onUserEvent_();
      }
      event->accept();
      return;
    case Qt::Key_A:
      if (control && multiple) {
        model_->SelectAll();
        TellAllHighlighted();
        onUserEvent_();
        event->accept();
        return;
      }
      QTableView::keyPressEvent(event);
      return;
    default:
      QTableView::keyPressEvent(event);
      return;
  }
  event->accept();
  if (count == 0) return;
  // Without a current row the first arrow key lands on the first row.
  if (current < 0) target = 0;
  target = std::clamp(target, 0, count - 1);
  if (shift) {
    if (anchor_ < 0 || anchor_ >= count) anchor_ = current >= 0 ? current : target;
    model_->SelectRange(anchor_, target, control);
  } else if (!control || !multiple) {
    model_->SelectOnly(target);
    anchor_ = target;
  }
  SetCurrentRow(target);
  ScrollToRow(target);
  onUserEvent_();
}

void CheckListView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) UpdateRowHeight();
}

void CheckListView::SetCurrentRow(int row) {
  if (row < 0 || row >= model_->Count()) {
    selectionModel()->clearCurrentIndex();
  } else {
    selectionModel()->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
  }
  viewport()->update();
}

void CheckListView::ScrollToRow(int row) {
  const int horizontal = horizontalScrollBar()->value();
  scrollTo(model_->index(row, 0));
  horizontalScrollBar()->setValue(horizontal);
}

bool CheckListView::HitsCheckBox(const QModelIndex& index, QPoint position) const {
  return index.column() == 0 && model_->HasCheckBoxes() &&
         CheckBoxRect(index.row()).contains(position);
}

void CheckListView::UpdateRowHeight() {
  // Rows as tall as the text plus a small margin, like a report list; fixed, so the view never
  // measures rows.
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
}

void CheckListView::MirrorSelection(int first, int last) {
  // Thousands of scattered ranges make Qt's selection slow, so it is kept only for readers.
  if (!ReaderListening()) return;
  const int count = model_->Count();
  const int lastColumn = model_->columnCount() - 1;
  first = std::max(first, 0);
  last = std::min(last, count - 1);
  if (first > last || lastColumn < 0) return;
  // Qt compares every old range with every new one, so a change of many rows is made as a
  // clear and one selection of the whole list's runs instead of a change of each run.
  constexpr int kRebuildRows = 256;
  const bool rebuild = last - first + 1 > kRebuildRows;
  if (rebuild) {
    first = 0;
    last = count - 1;
  }
  // Whole rows, in runs, so one change of many rows is one selection change for Qt.
  QItemSelection selected;
  QItemSelection deselected;
  int row = first;
  while (row <= last) {
    const bool highlighted = model_->IsSelected(row);
    int end = row;
    while (end + 1 <= last && model_->IsSelected(end + 1) == highlighted) ++end;
    if (highlighted || !rebuild) {
      (highlighted ? selected : deselected)
          .select(model_->index(row, 0), model_->index(end, lastColumn));
    }
    row = end + 1;
  }
  if (rebuild) {
    selectionModel()->clearSelection();
  } else if (!deselected.isEmpty()) {
    selectionModel()->select(deselected, QItemSelectionModel::Deselect);
  }
  if (!selected.isEmpty()) selectionModel()->select(selected, QItemSelectionModel::Select);
}

void CheckListView::MirrorAllRows() { MirrorSelection(0, model_->Count() - 1); }

void CheckListView::AnnounceTicks() {
  const std::vector<int> rows = model_->TakeTickChanges();
  if (rows.empty() || !ReaderListening()) return;
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
  QAccessibleTableInterface* cells = table != nullptr ? table->tableInterface() : nullptr;
  if (cells == nullptr) return;
  // A reader follows the row it is on; "A +" over thousands of rows must not flood the bus,
  // so beyond the first rows only the current row is announced.
  constexpr std::size_t kAnnouncedRows = 64;
  const int current = CurrentRow();
  for (std::size_t at = 0; at < rows.size(); ++at) {
    const int row = rows[at];
    if (row >= model_->Count() || (at >= kAnnouncedRows && row != current)) continue;
    QAccessibleInterface* cell = cells->cellAt(row, 0);
    if (cell == nullptr) continue;
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(cell, changed);
    TellReaders(event);
  }
}

void CheckListView::TellAllHighlighted() {
  const int current = CurrentRow();
  if (current < 0 || !hasFocus() || !ReaderListening()) return;
  // A reader takes a selection of every row around the one it is on as no news, and says none,
  // nor a changed description of it; but a cell it has not been on is read with its
  // description, so the current cell comes back as a new object.
  const auto highlighted = static_cast<std::size_t>(model_->Count());
  model_->SetReaderNote(current, EntryCount(highlighted) + u" markiert");
  RenewReaderCell(*this, current, 0);
  TellFocus(current, 0);
}

void CheckListView::focusInEvent(QFocusEvent* event) {
  QTableView::focusInEvent(event);
  // Qt tells a reader of the table only; the contact the keyboard is on is told once the
  // table's own focus has been sent, as an arrow key would tell it.
  QMetaObject::invokeMethod(this, [this] { TellCurrentCell(); }, Qt::QueuedConnection);
}

void CheckListView::focusOutEvent(QFocusEvent* event) {
  // What the note says may be untrue by the time the keyboard comes back ("A +" clears the
  // highlight).
  model_->SetReaderNote(-1, {});
  QTableView::focusOutEvent(event);
}

void CheckListView::TellCurrentCell() {
  const int current = CurrentRow();
  if (hasFocus() && current >= 0 && ReaderListening()) TellFocus(current, 0);
}

void CheckListView::TellFocus(int row, int column) {
  QAccessibleInterface* table = QAccessible::queryAccessibleInterface(this);
  QAccessibleTableInterface* cells = table != nullptr ? table->tableInterface() : nullptr;
  QAccessibleInterface* cell = cells != nullptr ? cells->cellAt(row, column) : nullptr;
  if (cell == nullptr) return;
  QAccessibleEvent focus(cell, QAccessible::Focus);
  TellReaders(focus);
}

int CheckListView::RowsPerPage() const {
  const int rowHeight = std::max(verticalHeader()->defaultSectionSize(), 1);
  return std::max(viewport()->height() / rowHeight - 1, 1);
}

}  // namespace rk::tk::detail
