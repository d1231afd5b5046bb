// Creation of numbered controls, all standard Win32 ones, and their common settings (font,
// colour, tooltip, text, state).
#include "services/toolkit/state_win32.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

#include "services/toolkit/list_win32.h"

namespace rk::tk {

using namespace detail;

namespace {

// Child identifiers start above the dialog manager's IDOK and IDCANCEL, so Return and Escape
// in a field never look like a click on a control.
constexpr int kFirstChildId = 1000;

// A longer text than any field will hold; the standard limit would cut a long path.
constexpr LPARAM kUnlimitedText = 0x7FFFFFFE;

HWND CurrentParent(const ToolkitState& state) {
  if (state.currentContainer != nullptr) return state.currentContainer;
  const auto window = state.windows.find(state.currentWindow);
  return window != state.windows.end() ? window->second.hwnd : nullptr;
}

// Destroys the control under a number, with whatever was placed inside it, and frees the numbers.
void ReleaseControl(int control) {
  ToolkitState* state = State();
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  const HWND hwnd = entry->hwnd;
  if (state->currentContainer == hwnd) state->currentContainer = nullptr;
  for (auto other = state->controls.begin(); other != state->controls.end();) {
    if (other->second.hwnd == hwnd || IsChild(hwnd, other->second.hwnd)) {
      state->controlByHwnd.erase(other->second.hwnd);
      other = state->controls.erase(other);
    } else {
      ++other;
    }
  }
  DestroyWindow(hwnd);
}

// Releases whatever holds the number, then creates the native control under the current
// parent and records it. The entry, or nullptr when there is no window for it.
ControlEntry* AddControl(int control, ControlKind kind, const LayoutRect& rect,
                         const wchar_t* windowClass, DWORD style, DWORD exStyle,
                         std::u16string_view text = {}) {
  ToolkitState* state = State();
  if (state == nullptr) return nullptr;
  ReleaseControl(control);
  const HWND parent = CurrentParent(*state);
  if (parent == nullptr) return nullptr;
  const LayoutRect layout{rect.x, rect.y, std::max(rect.width, 0), std::max(rect.height, 0)};
  const RECT place = ScaledRect(layout);
  const std::wstring caption = Wide(text);
  const HWND hwnd = CreateWindowExW(
      exStyle, windowClass, caption.c_str(), WS_CHILD | WS_VISIBLE | style, place.left, place.top,
      place.right - place.left, place.bottom - place.top, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstChildId + control)),
      GetModuleHandleW(nullptr), nullptr);
  if (hwnd == nullptr) return nullptr;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
  ControlEntry& entry = state->controls[control];
  entry = ControlEntry{};
  entry.kind = kind;
  entry.window = state->currentWindow;
  entry.hwnd = hwnd;
  entry.rect = layout;
  state->controlByHwnd[hwnd] = control;
  // A window is shown before its controls exist, so the keyboard starts on the window itself;
  // the first control Tab can reach takes it, as in a dialog.
  const HWND root = GetAncestor(hwnd, GA_ROOT);
  if ((style & WS_TABSTOP) != 0 && GetFocus() == root) SetFocus(hwnd);
  return &entry;
}

void RedrawWithChildren(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Colours of the controls that keep their own: the list and the rich text.
void ApplyOwnColours(const ControlEntry& entry) {
  const HWND hwnd = entry.hwnd;
  if (entry.kind == ControlKind::kCheckList) {
    const COLORREF text = entry.text.value_or(GetSysColor(COLOR_WINDOWTEXT));
    const COLORREF background = entry.background.value_or(GetSysColor(COLOR_WINDOW));
    ListView_SetTextColor(hwnd, text);
    ListView_SetBkColor(hwnd, background);
    ListView_SetTextBkColor(hwnd, background);
  } else if (entry.kind == ControlKind::kEditor) {
    SendMessageW(hwnd, EM_SETBKGNDCOLOR, entry.background ? 0 : 1, entry.background.value_or(0));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.dwEffects = entry.text ? 0 : CFE_AUTOCOLOR;
    format.crTextColor = entry.text.value_or(0);
    SendMessageW(hwnd, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
  }
  RedrawWithChildren(hwnd);
}

}  // namespace

int CreateContainer(int control, int x, int y, int width, int height, std::uint32_t flags) {
  // The dialog manager goes into a WS_EX_CONTROLPARENT pane for Tab, so its controls take
  // part in the window's order.
  DWORD style = WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if ((flags & kContainerFlatBorder) != 0) {
    style |= WS_BORDER;
  } else if ((flags & kLabelSunken) != 0) {
    exStyle |= WS_EX_CLIENTEDGE;
  }
  const ControlEntry* entry = AddControl(control, ControlKind::kContainer, {x, y, width, height},
                                         kPaneClass, style, exStyle);
  if (entry == nullptr) return 0;
  State()->currentContainer = entry->hwnd;
  return 1;
}

void CloseControlList() {
  if (ToolkitState* state = State()) state->currentContainer = nullptr;
}

int CreateLabel(int control, int x, int y, int width, int height, std::u16string_view text,
                std::uint32_t flags) {
  // Never a mnemonic: an "&" in a caption is shown as it is.
  DWORD style = SS_NOPREFIX | ((flags & kLabelCentred) != 0 ? SS_CENTER : SS_LEFTNOWORDWRAP);
  if ((flags & kLabelSunken) != 0) style |= SS_SUNKEN;
  return AddControl(control, ControlKind::kLabel, {x, y, width, height}, L"STATIC", style, 0,
                    text) != nullptr
             ? 1
             : 0;
}

int CreateButton(int control, int x, int y, int width, int height, std::u16string_view text) {
  return AddControl(control, ControlKind::kButton, {x, y, width, height}, L"BUTTON",
                    BS_PUSHBUTTON | WS_TABSTOP, 0, text) != nullptr
             ? 1
             : 0;
}

int CreateTextField(int control, int x, int y, int width, int height, std::u16string_view text,
                    std::uint32_t flags) {
  const DWORD exStyle = (flags & kTextFieldNoEdge) != 0 ? 0 : WS_EX_CLIENTEDGE;
  const ControlEntry* entry = AddControl(control, ControlKind::kTextField, {x, y, width, height},
                                         L"EDIT", ES_AUTOHSCROLL | ES_LEFT | WS_TABSTOP, exStyle);
  if (entry == nullptr) return 0;
  // A book name or path is kept whole however long it is; a cut one would be saved cut.
  SendMessageW(entry->hwnd, EM_SETLIMITTEXT, kUnlimitedText, 0);
  SetText(control, text);
  return 1;
}

int CreateCheckList(int control, int x, int y, int width, int height,
                    std::u16string_view firstTitle, int firstWidth, std::uint32_t flags) {
  // Virtual: the rows live in the toolkit (list_win32.h) and are painted on request.
  DWORD style = LVS_REPORT | LVS_OWNERDATA | WS_TABSTOP;
  if ((flags & kListMultiSelect) == 0) style |= LVS_SINGLESEL;
  if ((flags & kListKeepSelection) != 0) style |= LVS_SHOWSELALWAYS;
  ControlEntry* entry = AddControl(control, ControlKind::kCheckList, {x, y, width, height},
                                   WC_LISTVIEWW, style, WS_EX_CLIENTEDGE);
  if (entry == nullptr) return 0;
  const HWND hwnd = entry->hwnd;
  DWORD extended = LVS_EX_DOUBLEBUFFER;
  if ((flags & kListCheckBoxes) != 0) extended |= LVS_EX_CHECKBOXES;
  if ((flags & kListGridLines) != 0) extended |= LVS_EX_GRIDLINES;
  if ((flags & kListFullRowSelect) != 0) extended |= LVS_EX_FULLROWSELECT;
  ListView_SetExtendedListViewStyle(hwnd, extended);
  // The tick is asked for with the row's text, as its state image.
  if ((flags & kListCheckBoxes) != 0) ListView_SetCallbackMask(hwnd, LVIS_STATEIMAGEMASK);
  entry->list = std::make_unique<ListRows>();
  entry->list->checkBoxes = (flags & kListCheckBoxes) != 0;
  AttachListBehaviour(hwnd);
  AddListColumn(control, 0, firstTitle, firstWidth);
  return 1;
}

int AddListColumn(int control, int position, std::u16string_view title, int width) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckList) return 0;
  ListRows& list = *entry->list;
  // Column 0 carries the tick and stays first; others go at the position, clamped to the ends.
  const int count = static_cast<int>(list.titles.size());
  position = std::clamp(position, count > 0 ? 1 : 0, count);
  std::wstring caption = Wide(title);
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
  column.fmt = LVCFMT_LEFT;
  column.cx = Scaled(std::max(width, 0));
  column.pszText = caption.data();
  if (ListView_InsertColumn(entry->hwnd, position, &column) < 0) return 0;
  list.titles.insert(list.titles.begin() + position, std::u16string(title));
  list.widths.insert(list.widths.begin() + position, std::max(width, 0));
  // Each column asks for the segment of its display position.
  for (int index = 0; index <= count; ++index) {
    LVCOLUMNW renumber{};
    renumber.mask = LVCF_SUBITEM;
    renumber.iSubItem = index;
    ListView_SetColumn(entry->hwnd, index, &renumber);
  }
  return 1;
}

int CreateEditor(int control, int x, int y, int width, int height, std::uint32_t flags) {
  DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_NOHIDESEL | WS_VSCROLL |
                WS_HSCROLL | ES_DISABLENOSCROLL | WS_TABSTOP;
  if ((flags & kEditorReadOnly) != 0) style |= ES_READONLY;
  const ControlEntry* entry = AddControl(control, ControlKind::kEditor, {x, y, width, height},
                                         MSFTEDIT_CLASS, style, WS_EX_CLIENTEDGE);
  if (entry == nullptr) return 0;
  // Plain text, so the control's one font and colour hold for every line.
  SendMessageW(entry->hwnd, EM_SETTEXTMODE, TM_PLAINTEXT, 0);
  SendMessageW(entry->hwnd, EM_EXLIMITTEXT, 0, kUnlimitedText);
  return 1;
}

int CreateCheckBox(int control, int x, int y, int width, int height, std::u16string_view text) {
  return AddControl(control, ControlKind::kCheckBox, {x, y, width, height}, L"BUTTON",
                    BS_AUTOCHECKBOX | WS_TABSTOP, 0, text) != nullptr
             ? 1
             : 0;
}

void SetControlFont(int control, Handle font) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr || font == 0) return;
  for (const auto& [slot, loaded] : State()->fonts) {
    if (loaded.key == font) {
      entry->font = font;
      SendMessageW(entry->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(loaded.font), TRUE);
      return;
    }
  }
}

void SetControlColour(int control, int attribute, std::int32_t colour) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  const std::optional<COLORREF> value =
      colour == kDefaultColour ? std::nullopt : std::optional(static_cast<COLORREF>(colour));
  if (attribute == kColourText) {
    entry->text = value;
  } else if (attribute == kColourBackground) {
    entry->background = value;
  } else {
    return;
  }
  ApplyOwnColours(*entry);
}

void SetToolTip(int control, std::u16string_view text) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  WindowEntry* window = FindWindow(entry->window);
  if (window == nullptr) return;
  if (window->toolTips == nullptr) {
    window->toolTips = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                       WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window->hwnd,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window->toolTips == nullptr) return;
    // A width makes the tip break its lines at line feeds and long lines at blanks.
    SendMessageW(window->toolTips, TTM_SETMAXTIPWIDTH, 0, Scaled(600));
  }
  std::wstring tip = Wide(text);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window->hwnd;
  tool.uId = reinterpret_cast<UINT_PTR>(entry->hwnd);
  tool.lpszText = tip.data();
  SendMessageW(window->toolTips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (!tip.empty()) SendMessageW(window->toolTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void SetText(int control, std::u16string_view text) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  const std::wstring value = Wide(text);
  SetWindowTextW(entry->hwnd, value.c_str());
  switch (entry->kind) {
    case ControlKind::kLabel:
      if (entry->describes >= 0) SetDescription(entry->describes, text);
      break;
    case ControlKind::kTextField:
      // Show the start of a long text, as a freshly created field does.
      SendMessageW(entry->hwnd, EM_SETSEL, 0, 0);
      SendMessageW(entry->hwnd, EM_SCROLLCARET, 0, 0);
      break;
    case ControlKind::kEditor:
      entry->editorLines =
          text.empty() ? 0 : static_cast<int>(SendMessageW(entry->hwnd, EM_GETLINECOUNT, 0, 0));
      break;
    default:
      break;
  }
}

std::u16string GetText(int control) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return {};
  std::u16string text = WindowText(entry->hwnd);
  if (entry->kind == ControlKind::kEditor) {
    // The rich text ends its lines with a carriage return; the program's lines end in "\n".
    std::erase_if(text, [](char16_t unit) { return unit == u'\n'; });
    std::replace(text.begin(), text.end(), u'\r', u'\n');
  }
  return text;
}

void SetState(int control, int state) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckBox) return;
  SendMessageW(entry->hwnd, BM_SETCHECK, state != 0 ? BST_CHECKED : BST_UNCHECKED, 0);
}

int GetState(int control) {
  const ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckBox) return 0;
  return SendMessageW(entry->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

}  // namespace rk::tk
