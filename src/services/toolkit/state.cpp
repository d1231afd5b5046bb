#include "services/toolkit/state.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

#include <vector>

#include "services/toolkit/accessibility.h"

namespace rk::tk::detail {
namespace {

// Holds its value without ever destroying it at exit: when the window system goes away, Qt
// ends the process with exit() from inside the event wait, and tearing the application object
// down from the exit handlers would then touch the dead connection. EndToolkit destroys the
// state on every regular end.
template <typename T>
union NeverDestroyed {
  NeverDestroyed() : value() {}
  ~NeverDestroyed() {}
  T value;
};

NeverDestroyed<std::unique_ptr<ToolkitState>> g_holder;
std::unique_ptr<ToolkitState>& g_state = g_holder.value;

// QApplication keeps a reference to argc, so both live for the whole process. The program
// reads no command line; the name only labels the process for the window system.
int g_argc = 1;
char g_programName[] = "rufkartei";
char* g_argv[] = {g_programName, nullptr};

void DestroyWindowIn(ToolkitState& state, int window) {
  const auto found = state.windows.find(window);
  if (found == state.windows.end()) return;
  QWidget* widget = found->second.widget.get();
  // Owned windows are Qt children of their owner; they go first so that each one is deleted
  // through its own table entry and never a second time by its owner.
  std::vector<int> owned;
  for (const auto& [number, entry] : state.windows) {
    if (entry.widget && entry.widget->parentWidget() == widget) owned.push_back(number);
  }
  for (const int number : owned) DestroyWindowIn(state, number);
  std::erase_if(state.controls,
                [window](const auto& item) { return item.second.window == window; });
  if (state.currentWindow == window) {
    state.currentWindow = -1;
    state.currentContainer = nullptr;
  }
  std::unique_ptr<ToolWindow> doomed = std::move(state.windows.at(window).widget);
  state.windows.erase(window);
  doomed.reset();
}

}  // namespace

ToolkitState::ToolkitState() {
  // The name picks the user's configuration folder (~/.config/rufkartei); the desktop file name
  // ties the windows to the installed menu entry and its icon.
  QCoreApplication::setApplicationName(QStringLiteral("rufkartei"));
  QGuiApplication::setDesktopFileName(QStringLiteral("de.rufkartei.Rufkartei"));

  // Qt allows one application object per process; one made elsewhere is used, not replaced.
  if (QCoreApplication::instance() == nullptr) {
    app = std::make_unique<QApplication>(g_argc, g_argv);
  }
  // Windows only go away when the program closes them; Qt must never end anything by itself.
  QApplication::setQuitOnLastWindowClosed(false);
  // The whole interface is German, so Qt's own texts (the file dialog, the OK button) and its
  // dates are German too, whatever language the system speaks.
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  qtTexts = std::make_unique<QTranslator>();
  if (qtTexts->load(QStringLiteral("qtbase_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(qtTexts.get());
  }
  endRequests = std::make_unique<EndRequests>();
  InstallAccessibleRoles();
}

ToolkitState::~ToolkitState() {
  endRequests.reset();
  while (!windows.empty()) DestroyWindowIn(*this, windows.begin()->first);
  controls.clear();
  fonts.clear();
  // Widgets that Qt scheduled for deletion must go while the application object still exists.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

ToolkitState* State() { return g_state.get(); }

void CreateState() {
  if (!g_state) g_state = std::make_unique<ToolkitState>();
}

void DestroyState() { g_state.reset(); }

ControlEntry* FindControl(int control) {
  if (!g_state) return nullptr;
  const auto found = g_state->controls.find(control);
  if (found == g_state->controls.end()) return nullptr;
  // A control inside a container that was replaced died with it; its number is free again.
  if (!found->second.widget) {
    g_state->controls.erase(found);
    return nullptr;
  }
  return &found->second;
}

WindowEntry* FindWindow(int window) {
  if (!g_state) return nullptr;
  const auto found = g_state->windows.find(window);
  return found == g_state->windows.end() ? nullptr : &found->second;
}

void QueueEvent(int code, int window, int control) {
  if (g_state) g_state->events.push_back(Event{code, window, control});
}

void ReleaseControl(int control) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  QPointer<QWidget> widget = entry->widget;
  if (g_state->currentContainer && g_state->currentContainer == entry->client) {
    g_state->currentContainer = nullptr;
  }
  g_state->controls.erase(control);
  DeleteWidgetNow(widget.data());
}

void DestroyWindow(int window) {
  if (g_state) DestroyWindowIn(*g_state, window);
}

void DeleteWidgetNow(QWidget* widget) { std::unique_ptr<QWidget> doomed(widget); }

void ApplyColours(QWidget& widget, QPalette::ColorRole textRole, QPalette::ColorRole backgroundRole,
                  const std::optional<QColor>& text, const std::optional<QColor>& background) {
  // A default-constructed palette resolves no role, so the widget inherits all of them from its
  // parent; only the roles set here override that.
  QPalette palette;
  if (text) palette.setColor(textRole, *text);
  if (background) palette.setColor(backgroundRole, *background);
  widget.setPalette(palette);
  widget.setAutoFillBackground(background.has_value());
}

}  // namespace rk::tk::detail
