// What screen readers are told: roles Qt would not give on its own (a plain QWidget window is a
// "filler", so no window would be announced; a QFrame container says nothing about its
// contents), names, labels, descriptions, and the keyboard's order through the controls.
#include "services/toolkit/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QLabel>

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

}  // namespace

bool ReaderListening() { return QAccessible::isActive() || g_tap; }

void TellReaders(QAccessibleEvent& event) {
  if (g_tap) g_tap(event);
  QAccessible::updateAccessibility(&event);
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

void SetListNameColumn(int control, int column) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckList) return;
  if (CheckListView* list = entry->list.data()) list->Model().SetNameColumn(column);
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

}  // namespace rk::tk
