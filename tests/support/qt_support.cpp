#include "support/qt_support.h"
#include "support/list_view_support.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QStyleOptionButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <chrono>

#include "services/toolkit/check_list_view.h"
#include "services/toolkit/toolkit.h"

namespace rk::test {
namespace {

constexpr int kPollMilliseconds = 10;
constexpr long long kWatchdogMilliseconds = 10000;

long long NowMilliseconds() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

QWidget* FindNamed(const QString& name) {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName() == name) return window;
    if (auto* found = window->findChild<QWidget*>(name)) return found;
  }
  return nullptr;
}

int IconNumber(QMessageBox::Icon icon) {
  switch (icon) {
    case QMessageBox::Critical:
      return rk::tk::kIconError;
    case QMessageBox::Warning:
      return rk::tk::kIconWarning;
    case QMessageBox::Information:
      return rk::tk::kIconInformation;
    case QMessageBox::Question:
      return 32;
    default:
      return 0;
  }
}

void CloseDialog(QWidget* dialog) {
  if (auto* modal = qobject_cast<QDialog*>(dialog)) {
    modal->reject();
  } else {
    dialog->close();
  }
}

// The list view of a control, with pending layout done so row geometry is current.
QTableView* ListView(int control) {
  auto* view = qobject_cast<QTableView*>(FindControl(control));
  if (view == nullptr) {
    ADD_FAILURE() << "control " << control << " is not a checkable list";
    return nullptr;
  }
  QCoreApplication::processEvents();
  return view;
}

}  // namespace

QWidget* FindControl(int control) { return FindNamed(QStringLiteral("control%1").arg(control)); }

QWidget* FindWindow(int window) { return FindNamed(QStringLiteral("window%1").arg(window)); }

void ClickControl(int control) {
  QWidget* widget = FindControl(control);
  if (widget == nullptr) {
    ADD_FAILURE() << "no control " << control;
    return;
  }
  QPoint point = widget->rect().center();
  // A check box only reacts on its tick box and its text; aim at the tick box.
  if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    point = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
  }
  QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, point);
}

void ClickListRow(int control, int row, ClickModifiers modifiers) {
  QTableView* view = ListView(control);
  if (view == nullptr) return;
  const QAbstractItemModel* model = view->model();
  if (row < 0 || row >= model->rowCount()) {
    ADD_FAILURE() << "list " << control << " has no row " << row;
    return;
  }
  const QModelIndex index = model->index(row, model->columnCount() > 1 ? 1 : 0);
  view->scrollTo(index);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, modifiers, view->visualRect(index).center());
}

void ClickListCheckBox(int control, int row) {
  QTableView* view = ListView(control);
  if (view == nullptr) return;
  auto* list = dynamic_cast<rk::tk::detail::CheckListView*>(view);
  if (list == nullptr || row < 0 || row >= list->model()->rowCount()) {
    ADD_FAILURE() << "list " << control << " has no row " << row;
    return;
  }
  view->scrollTo(list->model()->index(row, 0));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier,
                    list->CheckBoxRect(row).center());
}

bool IsShown(int window) {
  const QWidget* widget = FindWindow(window);
  return widget != nullptr && widget->isVisible();
}

void PressCloseBox(int window) {
  if (QWidget* widget = FindWindow(window)) {
    widget->close();
  } else {
    ADD_FAILURE() << "no window " << window;
  }
}

bool HasToolTip(int control) {
  const QWidget* widget = FindControl(control);
  return widget != nullptr && !widget->toolTip().isEmpty();
}

void RunLater(std::function<void()> action) { QTimer::singleShot(0, std::move(action)); }

struct DialogScript::Poller {
  QTimer timer;
  QPointer<QWidget> waiting;   // open dialog without an answer yet
  long long waitingSince = 0;  // milliseconds on a steady clock
};

DialogScript::DialogScript() : poller_(std::make_unique<Poller>()) {
  QObject::connect(&poller_->timer, &QTimer::timeout, [this] { Poll(); });
  poller_->timer.start(kPollMilliseconds);
}

DialogScript::~DialogScript() = default;

void DialogScript::ChooseFile(std::u16string path) {
  answers_.push_back(Answer{Kind::kChooseFile, std::move(path)});
}

void DialogScript::CancelFileDialog() { answers_.push_back(Answer{Kind::kCancelFile, {}}); }

void DialogScript::PressOk(int count) {
  for (int index = 0; index < count; ++index) answers_.push_back(Answer{Kind::kOk, {}});
}

void DialogScript::Poll() {
  QWidget* modal = QApplication::activeModalWidget();
  QPointer<QWidget>& waiting = poller_->waiting;
  if (modal == nullptr || !modal->isVisible()) {
    waiting = nullptr;
    return;
  }
  auto* fileDialog = qobject_cast<QFileDialog*>(modal);
  auto* messageBox = qobject_cast<QMessageBox*>(modal);
  const std::u16string title = modal->windowTitle().toStdU16String();
  if (!answers_.empty()) {
    const Answer answer = answers_.front();
    const bool wantsFileDialog = answer.kind != Kind::kOk;
    if (wantsFileDialog ? fileDialog == nullptr : messageBox == nullptr) {
      ADD_FAILURE() << "unexpected dialog \"" << modal->windowTitle().toStdString()
                    << "\" while the script waits for a "
                    << (wantsFileDialog ? "file dialog" : "message box");
      CloseDialog(modal);
      return;
    }
    answers_.erase(answers_.begin());
    waiting = nullptr;
    if (inspect_) inspect_(*modal);
    if (fileDialog != nullptr) {
      shown_.push_back(Shown{title, fileDialog->directory().absolutePath().toStdU16String(), 0});
      if (answer.kind == Kind::kCancelFile) {
        fileDialog->reject();
        return;
      }
      const QString path = QString::fromStdU16String(answer.path);
      // selectFile moves to the file's folder; the name field then holds the path as typed.
      fileDialog->selectFile(path);
      if (auto* name = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        name->setText(path);
      }
      // accept() is public in QDialog; the call still reaches the file dialog's own check.
      static_cast<QDialog*>(fileDialog)->accept();
      return;
    }
    shown_.push_back(
        Shown{title, messageBox->text().toStdU16String(), IconNumber(messageBox->icon())});
    if (QAbstractButton* ok = messageBox->button(QMessageBox::Ok)) {
      QTest::mouseClick(ok, Qt::LeftButton);
    } else {
      messageBox->accept();
    }
    return;
  }
  if (waiting != modal) {
    waiting = modal;
    poller_->waitingSince = NowMilliseconds();
    return;
  }
  if (NowMilliseconds() - poller_->waitingSince >= kWatchdogMilliseconds) {
    ADD_FAILURE() << "dialog \"" << modal->windowTitle().toStdString()
                  << "\" was left unanswered and has been closed";
    waiting = nullptr;
    CloseDialog(modal);
  }
}

int CurrentListRow(int control) {
  const QTableView* view = ListView(control);
  return view != nullptr && view->currentIndex().isValid() ? view->currentIndex().row() : -1;
}

std::u16string ShownCellText(int control, int row, int column) {
  const QTableView* view = ListView(control);
  if (view == nullptr) return {};
  const QVariant shown = view->model()->index(row, column).data(Qt::DisplayRole);
  const QString text = shown.toString();
  return {reinterpret_cast<const char16_t*>(text.utf16()), static_cast<std::size_t>(text.size())};
}

int ShownRowCount(int control) {
  const QTableView* view = ListView(control);
  return view != nullptr ? view->model()->rowCount() : 0;
}

}  // namespace rk::test
