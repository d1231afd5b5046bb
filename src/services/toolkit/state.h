#pragma once
// The running toolkit's tables: windows, controls and fonts by number, and the event queue.
// One instance exists between StartToolkit and EndToolkit; everything runs on one thread.

#include <QApplication>
#include <QColor>
#include <QFont>
#include <QMargins>
#include <QPalette>
#include <QPointer>
#include <QTranslator>
#include <QWidget>

#include <deque>
#include <map>
#include <memory>
#include <optional>

#include "services/toolkit/check_list_view.h"
#include "services/toolkit/end_requests.h"
#include "services/toolkit/tool_window.h"
#include "services/toolkit/toolkit.h"

namespace rk::tk::detail {

enum class ControlKind { kContainer, kLabel, kButton, kTextField, kCheckList, kEditor, kCheckBox };

struct ControlEntry {
  ControlKind kind = ControlKind::kLabel;
  int window = -1;                  // window the control was created in
  QPointer<QWidget> widget;         // owned by its Qt parent
  QPointer<QWidget> client;         // container: the inner area its controls are placed in
  QPointer<CheckListView> list;     // checkable list: the view
  int editorLines = 0;              // editor: lines added so far
  QPointer<QWidget> describes;      // label: the control whose description follows its text
  std::optional<QColor> text;       // colours set on the control; unset = inherited default
  std::optional<QColor> background;
};

struct WindowEntry {
  std::unique_ptr<ToolWindow> widget;
  Handle handle = 0;
};

struct FontEntry {
  QFont font;
  Handle handle = 0;
};

struct Event {
  int code = 0;
  int window = -1;
  int control = -1;
};

struct ToolkitState {
  ToolkitState();
  ~ToolkitState();
  ToolkitState(const ToolkitState&) = delete;
  ToolkitState& operator=(const ToolkitState&) = delete;

  std::unique_ptr<QApplication> app;  // declared first so it is destroyed last; null when the
                                      // process already had an application object
  std::unique_ptr<QTranslator> qtTexts;        // Qt's own dialog texts in German
  std::unique_ptr<EndRequests> endRequests;    // signals and quit as close requests
  std::map<int, WindowEntry> windows;
  std::map<int, ControlEntry> controls;
  std::map<int, FontEntry> fonts;
  std::deque<Event> events;
  Event last;
  int currentWindow = -1;             // most recently opened window: parent of new controls
  QPointer<QWidget> currentContainer;  // client area of the open container, if any
  Handle nextHandle = 1;               // handles are never reused, so a stale one finds nothing
  double scale = 1.0;                  // factor on every position, size and font (see screen_fit.h)
  QMargins frame;                      // window frame expected from the window manager
  bool scaleChosen = false;            // the first window chose both
  bool endRequested = false;           // the session is ending: dialogs are no longer shown
};

// The running toolkit, or nullptr before StartToolkit and after EndToolkit.
ToolkitState* State();

// Creates or destroys the running toolkit.
void CreateState();
void DestroyState();

// The live control under a number, or nullptr (a stale entry is dropped on the way).
ControlEntry* FindControl(int control);

// The open window under a number, or nullptr.
WindowEntry* FindWindow(int window);

// The owner of a dialog: the program's active window, else its first open window without an
// owner (the main window). Wayland may report no active window before the first key or click.
QWidget* DialogOwner();

// Appends an event to the queue that WaitEvent and PollEvent read.
void QueueEvent(int code, int window, int control);

// Destroys the control under a number now and frees the number.
void ReleaseControl(int control);

// Destroys a window, the windows it owns and all their controls; frees their numbers.
void DestroyWindow(int window);

// Deletes a widget at once; a Qt child detaches itself from its parent on deletion.
void DeleteWidgetNow(QWidget* widget);

// Gives the widget a palette with only the given colours set, so every other role (and an
// unset one) follows the parent as before; a set background is painted by the widget itself.
void ApplyColours(QWidget& widget, QPalette::ColorRole textRole, QPalette::ColorRole backgroundRole,
                  const std::optional<QColor>& text, const std::optional<QColor>& background);

}  // namespace rk::tk::detail
