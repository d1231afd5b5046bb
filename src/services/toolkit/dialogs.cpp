// The modal dialogs: Qt's own open-file dialog and the message box.
#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

#include "services/toolkit/dialog_text.h"
#include "services/toolkit/qt_text.h"
#include "services/toolkit/state.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk {

using namespace detail;

namespace {

// Kept outside the toolkit's tables so that a hook set before StartToolkit holds as well.
DialogHook g_dialogHook;

// Accepts a file that need not exist, but only in a folder that does.
class OpenDialog final : public QFileDialog {
 public:
  OpenDialog(QWidget* parent, const QString& title) : QFileDialog(parent, title) {}

  void accept() override {
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !QFileInfo(files.front()).absoluteDir().exists()) return;
    QFileDialog::accept();
  }
};

// Keeps the control that had the keyboard when a modal dialog opened as its window's focused
// control, so it has the keyboard again when the window manager activates the window (which
// is left to the window manager: a screen reader hears of the window only from its activation).
// Otherwise a screen reader and the next Tab may start from nowhere.
// How long the window below a closed dialog may take to become active again.
constexpr int kActivationWait = 500;  // milliseconds

class FocusReturn {
 public:
  FocusReturn() : control_(QApplication::focusWidget()) {}
  ~FocusReturn() {
    QWidget* control = control_.data();
    if (control == nullptr || !control->isVisible() || !control->isEnabled()) return;
    // The window manager hands the keyboard back to the window below at once; when that
    // reaches Qt before the dialog's own farewell, Qt counts no window active although the
    // keys arrive, and a screen reader, told of no window, reads nothing from then on.
    QDeadlineTimer deadline(kActivationWait);
    while (QApplication::activeWindow() == nullptr && !deadline.hasExpired()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    if (QApplication::activeWindow() == nullptr) QApplication::setActiveWindow(control->window());
    control->setFocus(Qt::OtherFocusReason);
  }
  FocusReturn(const FocusReturn&) = delete;
  FocusReturn& operator=(const FocusReturn&) = delete;

 private:
  QPointer<QWidget> control_;
};

QMessageBox::Icon IconFor(int flags) {
  switch (flags & 0xF0) {
    case kIconError:
      return QMessageBox::Critical;
    case kIconWarning:
      return QMessageBox::Warning;
    case kIconInformation:
      return QMessageBox::Information;
    case 0x20:
      return QMessageBox::Question;
    default:
      return QMessageBox::NoIcon;
  }
}

}  // namespace

std::u16string OpenFileDialog(std::u16string_view title, std::u16string_view defaultPath,
                              std::u16string_view pattern, int index) {
  if (g_dialogHook) {
    // A copy, so a hook may replace itself while it runs.
    const DialogHook hook = g_dialogHook;
    return hook(title, defaultPath);
  }
  // Once the session is ending nobody is left to answer; the operation goes on as cancelled.
  if (State() == nullptr || State()->endRequested) return {};

  const FocusReturn focus;
  // Always owned, so the window manager keeps it above the program; exec() makes it
  // application-modal, so no other window takes input while it is open.
  OpenDialog dialog(DialogOwner(), ToQString(title));
  dialog.setObjectName(QStringLiteral("openFileDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);

  QStringList filters;
  for (const std::u16string& filter : NameFilters(pattern)) filters.append(ToQString(filter));
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(index >= 0 && index < filters.size() ? index : 0));
  }

  const StartPath start = SplitDefaultPath(defaultPath);
  if (!start.folder.empty()) dialog.setDirectory(ToQString(start.folder));
  if (!start.name.empty()) dialog.selectFile(ToQString(start.name));

  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  return files.isEmpty() ? std::u16string() : FromQString(files.front());
}

int MessageBox(std::u16string_view title, std::u16string_view text, int flags) {
  // The only button is OK, so OK (1) is the answer whichever way the box is closed.
  constexpr int kOk = 1;
  if (g_dialogHook) {
    const DialogHook hook = g_dialogHook;
    hook(title, text);
    return kOk;
  }
  if (State() == nullptr) return 0;
  if (State()->endRequested) return kOk;
  const FocusReturn focus;
  QMessageBox box(IconFor(flags), ToQString(title), ToQString(text), QMessageBox::Ok,
                  DialogOwner());
  box.setObjectName(QStringLiteral("messageBox"));
  box.setTextFormat(Qt::PlainText);
  box.exec();
  return kOk;
}

void SetDialogHook(DialogHook hook) { g_dialogHook = std::move(hook); }

}  // namespace rk::tk
