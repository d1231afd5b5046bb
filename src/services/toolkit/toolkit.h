#pragma once
// The window toolkit as the program sees it: windows and controls addressed by numbers the
// application chooses, a checkable list, fonts, dialogs and one blocking event wait.
// No window-system type crosses this header. An operation on a number that holds nothing
// does nothing and returns 0 or the empty text.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace rk::tk {

// Opaque native handle of a window or a font (0 = none).
using Handle = std::uintptr_t;

// Event codes returned by WaitEvent.
inline constexpr int kEventControl = 13100;  // a control was used; see EventControl
inline constexpr int kEventClose = 13116;    // the close box of a window was pressed

// OpenWindow flags.
inline constexpr std::uint32_t kWindowCentreScreen = 0x1;
inline constexpr std::uint32_t kWindowCentreOwner = 0x2;
inline constexpr std::uint32_t kWindowTitleBar = 0xC00000;
inline constexpr std::uint32_t kWindowSystemMenu = 0x80000;
inline constexpr std::uint32_t kWindowMinimiseBox = 0x20000;

// Control flags.
inline constexpr std::uint32_t kContainerFlatBorder = 0x1;
inline constexpr std::uint32_t kLabelCentred = 0x1;
inline constexpr std::uint32_t kLabelSunken = 0x20000;
inline constexpr std::uint32_t kTextFieldNoEdge = 0x20000;
inline constexpr std::uint32_t kEditorReadOnly = 0x800;
inline constexpr std::uint32_t kListCheckBoxes = 0x1;
inline constexpr std::uint32_t kListMultiSelect = 0x4;
inline constexpr std::uint32_t kListKeepSelection = 0x8;
inline constexpr std::uint32_t kListGridLines = 0x10000;
inline constexpr std::uint32_t kListFullRowSelect = 0x40000000;

// Row state bits of the checkable list.
inline constexpr int kRowSelected = 1;
inline constexpr int kRowTicked = 2;
inline constexpr int kRowIndeterminate = 4;

// Colour attributes; colours are 0x00BBGGRR, -1 restores the default.
inline constexpr int kColourText = 1;
inline constexpr int kColourBackground = 2;
inline constexpr std::int32_t kDefaultColour = -1;

// Font style flags.
inline constexpr std::uint32_t kFontBold = 0x100;
inline constexpr std::uint32_t kFontItalic = 0x200;
inline constexpr std::uint32_t kFontUnderline = 0x4;
inline constexpr std::uint32_t kFontStrikeOut = 0x8;
inline constexpr std::uint32_t kFontHighQuality = 0x10;

// Message box icons.
inline constexpr int kIconError = 16;
inline constexpr int kIconWarning = 48;
inline constexpr int kIconInformation = 64;

// Starts the toolkit (the application object); nonzero on success. Call once, first.
[[nodiscard]] int StartToolkit();

// Closes every window, frees every font and ends the toolkit.
void EndToolkit();

// --- Windows and events ---------------------------------------------------------------

// Opens and shows a window whose client area is width x height; the native handle or 0.
Handle OpenWindow(int window, int x, int y, int width, int height, std::u16string_view title,
                  std::uint32_t flags, Handle owner = 0);

// Native handle of an open window, 0 when the number holds none.
Handle WindowHandle(int window);

// Background colour of the window's client area.
void SetWindowColour(int window, std::int32_t colour);

// Destroys the window and its controls; their numbers become free.
void CloseWindow(int window);

// Blocks until an event is available and returns its code (13100, 13116 or another code).
int WaitEvent();

// Handles pending window-system messages without blocking; the next queued event code, or 0
// when no event is waiting. Lets tests and benchmarks drive the program step by step.
int PollEvent();

// Control number of the event last returned by WaitEvent or PollEvent.
int EventControl();

// Window number of the event last returned by WaitEvent or PollEvent.
int EventWindow();

// --- Control creation (nonzero on success) --------------------------------------------

int CreateContainer(int control, int x, int y, int width, int height, std::uint32_t flags);
void CloseControlList();
int CreateLabel(int control, int x, int y, int width, int height, std::u16string_view text,
                std::uint32_t flags);
int CreateButton(int control, int x, int y, int width, int height, std::u16string_view text);
int CreateTextField(int control, int x, int y, int width, int height, std::u16string_view text,
                    std::uint32_t flags);
int CreateCheckList(int control, int x, int y, int width, int height,
                    std::u16string_view firstTitle, int firstWidth, std::uint32_t flags);
int AddListColumn(int control, int position, std::u16string_view title, int width);
int CreateEditor(int control, int x, int y, int width, int height, std::uint32_t flags);
int CreateCheckBox(int control, int x, int y, int width, int height, std::u16string_view text);

// --- Control settings and contents ----------------------------------------------------

void SetControlFont(int control, Handle font);
void SetControlColour(int control, int attribute, std::int32_t colour);
void SetToolTip(int control, std::u16string_view text);
void SetText(int control, std::u16string_view text);
std::u16string GetText(int control);
void SetState(int control, int state);
int GetState(int control);

// List: adds a row (position -1 or beyond the end appends); columns separated by line feeds.
// Editor: position -1 appends the text as a new last line.
void AddItem(int control, int position, std::u16string_view text);

// List: appends rows in order, one notification for all of them; the texts are taken over,
// so a whole book's rows are never held twice.
void AddItems(int control, std::vector<std::u16string> texts);

// List: appends copies of the rows `rows` of list `source` (their texts; neither ticked nor
// highlighted) in the order given, one notification for all; rows that do not exist are left out.
void CopyItems(int source, std::span<const int> rows, int control);

int CountItems(int control);
int GetItemState(int control, int row);
void SetItemState(int control, int row, int state);
std::u16string GetItemText(int control, int row, int column);
void RemoveItem(int control, int row);

// List: removes the rows whose indices are given (ascending, unique) in one compaction.
void RemoveItems(int control, std::span<const int> rows);

void ClearItems(int control);

// --- Screen reader and keyboard --------------------------------------------------------

// The name a screen reader says for the control instead of its caption or its label's text.
void SetAccessibleName(int control, std::u16string_view name);

// The label names the control for a screen reader (labelled-by); nothing changes on screen.
void SetLabelFor(int label, int control);

// From now on the label's text, whenever it is set, is also the control's description for a
// screen reader, so a list carries the count shown beside it when it gets the focus.
void SetDescribedBy(int control, int label);

// Tab moves the keyboard through these controls in this order (one window's controls).
void SetTabOrder(std::span<const int> controls);

// The name a screen reader says for the window instead of its title; the title bar keeps it.
void SetWindowAccessibleName(int window, std::u16string_view name);

// Has a screen reader say the outcome of what the user just did: the focused control (right
// after a dialog: the one that gets the focus back) carries it as its description until the
// focus leaves it, and is read again. Nothing changes on screen.
void AnnounceOutcome(std::u16string_view text);

// --- Fonts ------------------------------------------------------------------------------

// Loads a font into a slot (replacing what it held); the handle that SetControlFont takes, or 0.
Handle LoadFont(int slot, std::u16string_view face, int points, std::uint32_t style);
int IsFont(int slot);
void FreeFont(int slot);

// --- Folders ----------------------------------------------------------------------------

// The user's configuration folder for this program (~/.config/rufkartei/ unless the desktop
// says otherwise), ending in "/"; it need not exist yet. Empty when unknown.
std::u16string UserConfigFolder();

// The user's home folder, ending in "/"; empty when unknown.
std::u16string HomeFolder();

// --- Dialogs ----------------------------------------------------------------------------

// Modal open-file dialog; the full path chosen, or "" on cancel.
// `pattern` is "label|pattern|label|pattern"; `index` selects the pair shown first.
std::u16string OpenFileDialog(std::u16string_view title, std::u16string_view defaultPath,
                              std::u16string_view pattern, int index);

// Modal message box with an OK button and the icon given by `flags`; the button pressed.
int MessageBox(std::u16string_view title, std::u16string_view text, int flags);

// --- End of the session -----------------------------------------------------------------

// `keep` runs once, at once, when the desktop session ends and the system may end the process
// before the event loop gets to the close request (Windows ends it as soon as it has told the
// program), so that what must not be lost is written in time. Where the loop always gets there
// first (Linux) it is not needed and never runs. An empty function removes it.
void SetSessionEndHandler(std::function<void()> keep);

// --- Automation (tests and benchmarks) -------------------------------------------------

// Answers the next modal dialog in code instead of showing it: the hook receives the dialog's
// title and text (for a file dialog: title and starting path) and returns the answer
// (a path for a file dialog, ignored for a message box). An empty function shows dialogs again.
using DialogHook = std::function<std::u16string(std::u16string_view title, std::u16string_view text)>;
void SetDialogHook(DialogHook hook);

}  // namespace rk::tk
