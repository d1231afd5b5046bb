#include "services/toolkit/check_list_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHeaderView>
#include <QPointer>

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "services/toolkit/check_list_view.h"
#include "services/toolkit/qt_text.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk::detail {
namespace {

const QString kToggle = QStringLiteral("toggle");

// Children are laid out as Qt's item views number them in the events they send: a first row
// of headers, then one row per list row, each led by a row-header slot (the vertical header,
// hidden here). Row -1 is the header row, column -1 the row-header slot.
int ChildIndex(int row, int column, int columns) { return (row + 1) * (columns + 1) + column + 1; }

// One cell, column header or row-header slot of a list; it reads the list whenever asked, so
// it stays true while rows change state, and is replaced when rows are added or removed.
class CheckListCell final : public QAccessibleInterface,
                            public QAccessibleTableCellInterface,
                            public QAccessibleActionInterface {
 public:
  CheckListCell(CheckListView* view, int row, int column) : view_(view), row_(row), column_(column) {}

  bool isValid() const override { return Live() != nullptr; }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    const CheckListView* view = view_.data();
    return view != nullptr ? view->window()->windowHandle() : nullptr;
  }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* parent() const override {
    CheckListView* view = view_.data();
    return view != nullptr ? QAccessible::queryAccessibleInterface(view) : nullptr;
  }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }

  QString text(QAccessible::Text kind) const override {
    const CheckListView* view = Live();
    if (view == nullptr || column_ < 0) return {};
    if (row_ < 0) {
      return kind == QAccessible::Name ? ToQString(view->Model().Text(-1, column_)) : QString();
    }
    const QModelIndex index = view->Model().index(row_, column_);
    switch (kind) {
      case QAccessible::Name:
      case QAccessible::Value:
        // The tick cell has no text: a reader says its state, as it does for any check box.
        return index.data(Qt::DisplayRole).toString();
      case QAccessible::Description:
        return index.data(Qt::AccessibleDescriptionRole).toString();
      default:
        return {};
    }
  }
  void setText(QAccessible::Text, const QString&) override {}

  QRect rect() const override {
    const CheckListView* view = Live();
    if (view == nullptr || column_ < 0 || retired_) return {};
    if (row_ >= 0) {
      const QRect cell = view->visualRect(view->Model().index(row_, column_));
      return cell.translated(view->viewport()->mapToGlobal(QPoint(0, 0)));
    }
    const QHeaderView* header = view->horizontalHeader();
    if (header->isHidden()) return {};
    const QRect section(header->sectionViewportPosition(column_), 0, header->sectionSize(column_),
                        header->height());
    return section.translated(header->viewport()->mapToGlobal(QPoint(0, 0)));
  }

  QAccessible::Role role() const override {
    if (column_ < 0) return QAccessible::RowHeader;
    return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::Cell;
  }

  QAccessible::State state() const override {
    QAccessible::State state;
    const CheckListView* view = Live();
    if (view == nullptr) {
      state.invalid = true;
      return state;
    }
    if (column_ < 0 || (row_ < 0 && view->horizontalHeader()->isHidden())) {
      state.invisible = true;
      return state;
    }
    if (row_ < 0) return state;
    const CheckListModel& model = view->Model();
    const QModelIndex index = model.index(row_, column_);
    state.focusable = true;
    state.selectable = true;
    state.selected = model.IsSelected(row_);
    state.focused = view->hasFocus() && view->currentIndex() == index;
    if (column_ == 0 && model.HasCheckBoxes()) {
      state.checkable = true;
      state.checked = (model.State(row_) & kRowTicked) != 0;
    }
    if (!view->viewport()->rect().intersects(view->visualRect(index))) state.invisible = true;
    return state;
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (row_ < 0 || column_ < 0) return nullptr;
    if (type == QAccessible::TableCellInterface) return static_cast<QAccessibleTableCellInterface*>(this);
    if (type == QAccessible::ActionInterface) return static_cast<QAccessibleActionInterface*>(this);
    return nullptr;
  }

  // A cell of the list.
  bool isSelected() const override {
    const CheckListView* view = Live();
    return view != nullptr && view->Model().IsSelected(row_);
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override;
  QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
  int columnIndex() const override { return column_; }
  int rowIndex() const override { return row_; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override { return parent(); }

  // The tick cell's one action ticks or unticks the row, as Space does.
  QStringList actionNames() const override {
    return IsTickCell() ? QStringList{kToggle} : QStringList{};
  }
  QString localizedActionName(const QString& name) const override {
    return name == kToggle ? QStringLiteral("Umschalten") : QString();
  }
  void doAction(const QString& name) override {
    CheckListView* view = view_.data();
    if (name == kToggle && IsTickCell() && view != nullptr) view->ToggleTickAsUser(row_);
  }
  QStringList keyBindingsForAction(const QString& name) const override {
    return name == kToggle && IsTickCell() ? QStringList{QStringLiteral("Space")} : QStringList{};
  }

  int Row() const { return row_; }
  int Column() const { return column_; }
  const CheckListView* View() const { return view_.data(); }

  // Marks a cell another object has replaced: it still answers, since a reader may ask the
  // cell it was on about its place, but takes no room on screen, so a reader comparing the
  // two by place and name does not take the new one for the old.
  void Retire() { retired_ = true; }

 private:
  // The list while it exists and still has this cell's row and column; nullptr otherwise.
  const CheckListView* Live() const {
    const CheckListView* view = view_.data();
    if (view == nullptr) return nullptr;
    const CheckListModel& model = view->Model();
    return row_ < model.Count() && column_ < model.columnCount() ? view : nullptr;
  }
  bool IsTickCell() const {
    const CheckListView* view = Live();
    return view != nullptr && row_ >= 0 && column_ == 0 && view->Model().HasCheckBoxes();
  }

  QPointer<CheckListView> view_;
  int row_;
  int column_;
  bool retired_ = false;
};

class CheckListAccessible final : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  // Qt's cache deletes this interface when `view` goes, so the pointer outlives no list.
  explicit CheckListAccessible(CheckListView* view)
      : QAccessibleWidget(view, QAccessible::Table), view_(view) {}
  ~CheckListAccessible() override { ForgetAll(); }

  // The reader's object for a cell, header (row -1) or row-header slot (column -1); made on
  // first use and kept until rows or columns are added or removed.
  QAccessibleInterface* Cell(int row, int column) const {
    if (row < -1 || column < -1 || row >= rowCount() || column >= columnCount()) return nullptr;
    const std::int64_t key = Key(row, column);
    if (const auto found = cells_.find(key); found != cells_.end()) {
      return QAccessible::accessibleInterface(found->second);
    }
    // Qt's cache owns the cell from here on; Renew and ForgetAll delete it by its id.
    auto* cell = new CheckListCell(View(), row, column);
    cells_.emplace(key, QAccessible::registerAccessibleInterface(cell));
    return cell;
  }

  // Replaces the object of a cell by a new one on next use; the old one is retired and kept
  // until the next renewal, while a reader may still be on it.
  void Renew(int row, int column) {
    for (const QAccessible::Id id : retired_) QAccessible::deleteAccessibleInterface(id);
    retired_.clear();
    if (const auto found = cells_.find(Key(row, column)); found != cells_.end()) {
      if (auto* cell = dynamic_cast<CheckListCell*>(QAccessible::accessibleInterface(found->second))) {
        cell->Retire();
      }
      retired_.push_back(found->second);
      cells_.erase(found);
    }
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    state.multiSelectable = View()->MultiSelect();
    return state;
  }

  int childCount() const override { return (rowCount() + 1) * (columnCount() + 1); }
  QAccessibleInterface* child(int index) const override {
    const int width = columnCount() + 1;
    if (index < 0) return nullptr;
    return Cell(index / width - 1, index % width - 1);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    const auto* cell = dynamic_cast<const CheckListCell*>(child);
    if (cell == nullptr || cell->View() != View() || !cell->isValid()) return -1;
    return ChildIndex(cell->Row(), cell->Column(), columnCount());
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const CheckListView* view = View();
    const QPoint inViewport = view->viewport()->mapFromGlobal(QPoint(x, y));
    if (view->viewport()->rect().contains(inViewport)) {
      const QModelIndex index = view->indexAt(inViewport);
      return index.isValid() ? Cell(index.row(), index.column()) : nullptr;
    }
    const QHeaderView* header = view->horizontalHeader();
    const QPoint inHeader = header->viewport()->mapFromGlobal(QPoint(x, y));
    if (header->isHidden() || !header->viewport()->rect().contains(inHeader)) return nullptr;
    const int column = header->logicalIndexAt(inHeader);
    return column >= 0 ? Cell(-1, column) : nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    const QModelIndex current = View()->currentIndex();
    if (!View()->hasFocus() || !current.isValid()) return nullptr;
    return Cell(current.row(), current.column());
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override {
    return row >= 0 && column >= 0 ? Cell(row, column) : nullptr;
  }
  int selectedCellCount() const override { return selectedRowCount() * columnCount(); }
  QList<QAccessibleInterface*> selectedCells() const override {
    QList<QAccessibleInterface*> cells;
    for (const int row : selectedRows()) {
      for (int column = 0; column < columnCount(); ++column) cells.append(Cell(row, column));
    }
    return cells;
  }
  QString columnDescription(int column) const override {
    return ToQString(View()->Model().Text(-1, column));
  }
  QString rowDescription(int) const override { return {}; }
  int selectedColumnCount() const override { return 0; }
  int selectedRowCount() const override { return View()->Model().SelectedCount(); }
  int columnCount() const override { return View()->Model().columnCount(); }
  int rowCount() const override { return View()->Model().Count(); }
  QList<int> selectedColumns() const override { return {}; }
  QList<int> selectedRows() const override {
    QList<int> rows;
    const CheckListModel& model = View()->Model();
    for (int row = 0; row < model.Count() && rows.size() < model.SelectedCount(); ++row) {
      if (model.IsSelected(row)) rows.append(row);
    }
    return rows;
  }
  bool isColumnSelected(int) const override { return false; }
  bool isRowSelected(int row) const override { return View()->Model().IsSelected(row); }
  bool selectRow(int row) override { return View()->SelectAsUser(row, true); }
  bool selectColumn(int) override { return false; }
  bool unselectRow(int row) override { return View()->SelectAsUser(row, false); }
  bool unselectColumn(int) override { return false; }

  void modelChange(QAccessibleTableModelChangeEvent* event) override {
    // Cells know their row and column: once rows or columns move, every one may be wrong.
    if (event->modelChangeType() != QAccessibleTableModelChangeEvent::DataChanged) ForgetAll();
  }

 private:
  static std::int64_t Key(int row, int column) {
    return (static_cast<std::int64_t>(row) << 32) | static_cast<std::uint32_t>(column);
  }
  CheckListView* View() const { return view_; }

  void ForgetAll() {
    for (const auto& [key, id] : cells_) QAccessible::deleteAccessibleInterface(id);
    for (const QAccessible::Id id : retired_) QAccessible::deleteAccessibleInterface(id);
    cells_.clear();
    retired_.clear();
  }

  CheckListView* view_;
  mutable std::unordered_map<std::int64_t, QAccessible::Id> cells_;
  std::vector<QAccessible::Id> retired_;
};

QList<QAccessibleInterface*> CheckListCell::columnHeaderCells() const {
  const CheckListView* view = Live();
  if (view == nullptr || view->horizontalHeader()->isHidden()) return {};
  auto* table = dynamic_cast<CheckListAccessible*>(parent());
  QAccessibleInterface* header = table != nullptr ? table->Cell(-1, column_) : nullptr;
  return header != nullptr ? QList<QAccessibleInterface*>{header} : QList<QAccessibleInterface*>{};
}

}  // namespace

QAccessibleInterface* NewCheckListAccessible(CheckListView* view) {
  return new CheckListAccessible(view);
}

void RenewReaderCell(CheckListView& view, int row, int column) {
  if (auto* table = dynamic_cast<CheckListAccessible*>(QAccessible::queryAccessibleInterface(&view))) {
    table->Renew(row, column);
  }
}

}  // namespace rk::tk::detail
