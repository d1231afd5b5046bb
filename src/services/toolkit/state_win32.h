#pragma once
// The running Win32 toolkit's tables: windows, controls and fonts by number, the event queue,
// the layout scale and the brushes of the program's colours. One instance exists between
// StartToolkit and EndToolkit; everything runs on the thread that started it.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The toolkit's own MessageBox and FindWindow, not the Win32 macros of those names.
#undef MessageBox
#undef FindWindow

#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "services/toolkit/toolkit.h"

namespace rk::tk::detail {

enum class ControlKind { kContainer, kLabel, kButton, kTextField, kCheckList, kEditor, kCheckBox };

struct ListRows;  // the checkable list's rows (list_win32.h)

// A rectangle in the layout's own pixels (96 dots per inch), kept so a change of scale can
// place the control again.
struct LayoutRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct ControlEntry {
  ControlKind kind = ControlKind::kLabel;
  int window = -1;          // window the control was created in
  HWND hwnd = nullptr;      // destroyed with its window
  LayoutRect rect;
  Handle font = 0;          // font key given by SetControlFont
  std::optional<COLORREF> text;
  std::optional<COLORREF> background;
  std::unique_ptr<ListRows> list;  // checkable list only
  int editorLines = 0;             // editor: lines added so far
  int label = -1;                  // the label that names this control (SetLabelFor)
  int describes = -1;              // label: the control its text describes (SetDescribedBy)
};

struct WindowEntry {
  HWND hwnd = nullptr;
  HWND owner = nullptr;
  HWND toolTips = nullptr;         // made on the first SetToolTip
  HWND lastFocus = nullptr;        // given back when the window is activated again
  int clientWidth = 0;             // layout size, for a change of scale
  int clientHeight = 0;
  std::optional<COLORREF> background;
};

struct FontEntry {
  std::wstring face;
  int points = 0;
  std::uint32_t style = 0;
  HFONT font = nullptr;  // made for the running scale
  Handle key = 0;        // what SetControlFont is given
};

struct Event {
  int code = 0;
  int window = -1;
  int control = -1;
};

struct ToolkitState {
  ToolkitState() = default;
  ~ToolkitState();
  ToolkitState(const ToolkitState&) = delete;
  ToolkitState& operator=(const ToolkitState&) = delete;

  std::map<int, WindowEntry> windows;
  std::map<int, ControlEntry> controls;
  std::unordered_map<HWND, int> controlByHwnd;
  std::map<int, FontEntry> fonts;
  std::map<COLORREF, HBRUSH> brushes;
  std::deque<Event> events;
  Event last;
  int currentWindow = -1;     // most recently opened window: parent of new controls
  HWND currentContainer = nullptr;
  Handle nextFontKey = 1;     // keys are never reused, so a stale one finds nothing
  UINT dpi = 96;              // of the monitor the main window is on
  double fit = 1.0;           // shrink on top of the DPI so the main window fits the work area
  bool scaleChosen = false;   // the first window chose the fit
  bool endRequested = false;  // the session is ending: dialogs are no longer shown
  bool comStarted = false;
};

// The running toolkit, or nullptr before StartToolkit and after EndToolkit.
ToolkitState* State();

// Creates or destroys the running toolkit's tables.
void CreateState();
void DestroyState();

// The control under a number, or nullptr.
ControlEntry* FindControl(int control);

// The control a native handle belongs to (its number), or nullptr.
ControlEntry* ControlOf(HWND hwnd, int* number = nullptr);

// The open window under a number, or nullptr; the number of a top-level handle, or -1.
WindowEntry* FindWindow(int window);
int WindowNumberOf(HWND hwnd);

// Appends an event to the queue that WaitEvent and PollEvent read.
void QueueEvent(int code, int window, int control);

// Destroys a window, the windows it owns and all their controls; frees their numbers.
void DestroyWindowEntry(int window);

// A solid brush of this colour, kept until the toolkit ends.
HBRUSH BrushOf(COLORREF colour);

// The owner of a dialog: the program's foreground window, else its main window.
HWND DialogOwner();

// The window class of the top-level windows and of the bordered panes, and their procedure.
inline constexpr wchar_t kWindowClass[] = L"RufkarteiWindow";
inline constexpr wchar_t kPaneClass[] = L"RufkarteiPane";
LRESULT CALLBACK ToolkitWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// --- Scale (per-monitor DPI, fitted to the work area) ---------------------------------

// The running factor from layout pixels to screen pixels.
double Scale();

// Chooses the fit for the first window of this layout client size on its monitor.
void ChooseScale(int width, int height, DWORD style, DWORD exStyle);

// A length, and a rectangle by its edges (so neighbouring controls stay neighbours).
int Scaled(int length);
RECT ScaledRect(const LayoutRect& rect);

// The factor at which a window of `width` x `height` screen pixels with a frame of
// `frameWidth` x `frameHeight` fits `area`: `preferred` when it fits, else the largest that
// fits, but never below 0.75 (smaller text cannot be read; the window then overhangs).
double FitScale(double preferred, int width, int height, int frameWidth, int frameHeight,
                const RECT& area);

// Takes a new monitor DPI (the window moved): recreates the fonts and places every control
// again at the new scale.
void ApplyDpi(UINT dpi);

// Makes the HFONT of every loaded font for the running scale and gives it to its controls.
void RefreshFonts();

// --- Text ------------------------------------------------------------------------------

// UTF-16 in both; Windows' wchar_t is 16 bits.
inline std::wstring Wide(std::u16string_view text) { return {text.begin(), text.end()}; }
inline std::u16string Utf16(std::wstring_view text) { return {text.begin(), text.end()}; }

// The whole window text of a native window.
std::u16string WindowText(HWND hwnd);

// --- Screen readers -------------------------------------------------------------------

// The control's description for a screen reader (a label's text that describes it).
void SetDescription(int control, std::u16string_view text);

// Drops the screen-reader annotation service before COM ends.
void ReleaseAnnotations();

// --- Checkable list --------------------------------------------------------------------

// Gives a new list view the toolkit's ticking by mouse and Space, and Ctrl+A.
void AttachListBehaviour(HWND hwnd);

// Answers the list's notifications (row texts, ticks, clicks); the result of WM_NOTIFY.
LRESULT ListNotify(int control, ControlEntry& entry, NMHDR& header);

}  // namespace rk::tk::detail
