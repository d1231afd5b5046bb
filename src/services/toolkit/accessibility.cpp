// What screen readers are told: roles Qt would not give on its own (a plain QWidget window is a
// "filler", so no window would be announced; a QFrame container says nothing about its
// contents; Qt's table cells name their tick action so that a reader does not know it), names,
// labels, descriptions, and the keyboard's order through the controls.
#include "services/toolkit/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include "services/toolkit/check_list_accessible.h"
#include "services/toolkit/check_list_view.h"
#include "services/toolkit/qt_text.h"
#include "services/toolkit/state.h"
#include "services/toolkit/tool_window.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk::detail {
namespace {

QAccessibleInterface* RoleFactory(const QString&, QObject* object) {
  // A window with an owner is a dialog to the window manager, so it is one to a reader too.
  if (auto* window = dynamic_cast<ToolWindow*>(object)) {
    return new QAccessibleWidget(window, window->parentWidget() != nullptr ? QAccessible::Dialog
                                                                           : QAccessible::Window);
  }
  if (auto* pane = dynamic_cast<PaneFrame*>(object)) {
    return new QAccessibleWidget(pane, QAccessible::Grouping);
  }
  if (auto* list = dynamic_cast<CheckListView*>(object)) return NewCheckListAccessible(list);
  return nullptr;
}

std::function<void(QAccessibleEvent&)> g_tap;

// Lists keep Qt's selection in step with their highlight only while a reader listens; one
// that arrives later finds every list brought up to date.
void MirrorAllLists() {
  ToolkitState* state = State();
  if (state == nullptr) return;
  for (auto& [number, entry] : state->controls) {
    if (entry.kind == ControlKind::kCheckList && entry.list) entry.list->MirrorAllRows();
  }
}

class ReaderArrival final : public QAccessible::ActivationObserver {
 public:
  void accessibilityActiveChanged(bool active) override {
    if (active) MirrorAllLists();
  }
};

// The control whose description carries the outcome told last, and the watch that clears it
// when the focus leaves the control.
struct Outcome {
  QPointer<QWidget> control;
  QMetaObject::Connection watch;
};

Outcome& LastOutcome() {
  static Outcome outcome;
  return outcome;
}

void ClearOutcome() {
  Outcome& last = LastOutcome();
  QObject::disconnect(last.watch);
  if (QWidget* control = last.control.data()) control->setAccessibleDescription({});
  last.control = nullptr;
}

}  // namespace

bool ReaderListening() { return QAccessible::isActive() || g_tap; }

void TellReaders(QAccessibleEvent& event) {
  if (g_tap) g_tap(event);
  QAccessible::updateAccessibility(&event);
}

void TellFocus(QWidget& to) {
  if (QAccessibleInterface* control = QAccessible::queryAccessibleInterface(&to)) {
    QAccessibleEvent focus(control, QAccessible::Focus);
    TellReaders(focus);
  }
}

void SetReaderTap(std::function<void(QAccessibleEvent&)> tap) {
  g_tap = std::move(tap);
  if (g_tap) MirrorAllLists();
}

void InstallAccessibleRoles() {
  static const bool installed = [] {
    QAccessible::installFactory(RoleFactory);
    static ReaderArrival arrival;
    QAccessible::installActivationObserver(&arrival);
    return true;
  }();
  (void)installed;
}

}  // namespace rk::tk::detail

namespace rk::tk {

using namespace detail;

void SetAccessibleName(int control, std::u16string_view name) {
  if (ControlEntry* entry = FindControl(control)) entry->widget->setAccessibleName(ToQString(name));
}

void SetLabelFor(int label, int control) {
  const ControlEntry* from = FindControl(label);
  const ControlEntry* to = FindControl(control);
  if (from == nullptr || to == nullptr || from->kind != ControlKind::kLabel) return;
  // A plain-text label has no mnemonic, so the buddy only relates the two for a reader.
  static_cast<QLabel*>(from->widget.data())->setBuddy(to->widget);
}

void SetDescribedBy(int control, int label) {
  ControlEntry* from = FindControl(label);
  const ControlEntry* to = FindControl(control);
  if (from == nullptr || to == nullptr || from->kind != ControlKind::kLabel) return;
  from->describes = to->widget;
  to->widget->setAccessibleDescription(
      static_cast<const QLabel*>(from->widget.data())->text().trimmed());
}

void SetTabOrder(std::span<const int> controls) {
  QWidget* previous = nullptr;
  for (const int control : controls) {
    const ControlEntry* entry = FindControl(control);
    if (entry == nullptr) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, entry->widget);
    previous = entry->widget;
  }
}

void SetWindowAccessibleName(int window, std::u16string_view name) {
  if (WindowEntry* entry = FindWindow(window)) entry->widget->setAccessibleName(ToQString(name));
}

void AnnounceOutcome(std::u16string_view text) {
  QWidget* focused = QApplication::focusWidget();
  // Right after a dialog the window manager may not have handed the keyboard back yet; the
  // control that then gets it is read with the outcome.
  QWidget* owner = focused == nullptr ? DialogOwner() : nullptr;
  QWidget* control = focused != nullptr ? focused : owner != nullptr ? owner->focusWidget() : nullptr;
  if (control == nullptr || (control != LastOutcome().control &&
                             !control->accessibleDescription().isEmpty())) {
    return;  // a control with a description of its own (a list's count) keeps it
  }
  ClearOutcome();
  // The outcome belongs to this moment: when the focus comes back later, the control is read
  // as before.
  Outcome& last = LastOutcome();
  last.control = control;
  control->setAccessibleDescription(ToQString(text));
  last.watch = QObject::connect(qApp, &QApplication::focusChanged, control, [](QWidget* old, QWidget*) {
    if (old == LastOutcome().control) ClearOutcome();
  });
  if (focused == nullptr || !ReaderListening()) return;
  // A reader reads a control with its description when the focus comes to it, but says
  // nothing of a changed description (this Qt's bridge passes it on without its text): the
  // focus steps out to the control's container and back.
  QWidget* container = control->parentWidget();
  if (container == nullptr) return;
  TellFocus(*container);
  QTimer::singleShot(kReaderStep, control, [control] {
    if (control->hasFocus()) TellFocus(*control);
  });
}

}  // namespace rk::tk
