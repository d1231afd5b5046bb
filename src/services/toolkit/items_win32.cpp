// Row and line contents: the checkable list's rows and the editor's lines.
#include "services/toolkit/state_win32.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

#include "services/toolkit/list_text.h"
#include "services/toolkit/list_win32.h"

namespace rk::tk {

using namespace detail;

namespace {

struct List {
  ControlEntry* entry = nullptr;
  int control = -1;
  explicit operator bool() const { return entry != nullptr; }
  HWND hwnd() const { return entry->hwnd; }
  std::vector<ListRows::Row>& rows() const { return entry->list->rows; }
  int count() const { return static_cast<int>(rows().size()); }
  bool has(int row) const { return row >= 0 && row < count(); }
};

List ListOf(int control) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr || entry->kind != ControlKind::kCheckList) return {};
  return List{entry, control};
}

// Posted to a list whose appended rows the control has not been told of yet.
constexpr UINT kShowCountMessage = WM_APP + 1;

// Tells the virtual list its new row count without scrolling it; it repaints what it shows.
void ShowCount(const List& list) {
  ListView_SetItemCountEx(list.hwnd(), list.count(), LVSICF_NOINVALIDATEALL | LVSICF_NOSCROLL);
  InvalidateRect(list.hwnd(), nullptr, FALSE);
  list.entry->list->shownCount = list.count();
}

// Before the control is asked about or told of a row, it learns of rows appended meanwhile.
void Synced(const List& list) {
  if (list.entry->list->shownCount != list.count()) ShowCount(list);
}

// Rows were appended: the control learns of them when the loop next runs.
void ShowCountLater(const List& list) {
  ListRows& rows = *list.entry->list;
  if (rows.countPosted) return;
  rows.countPosted = PostMessageW(list.hwnd(), kShowCountMessage, 0, 0) != 0;
  if (!rows.countPosted) ShowCount(list);
}

std::vector<int> SelectedRows(HWND hwnd) {
  std::vector<int> rows;
  for (int row = ListView_GetNextItem(hwnd, -1, LVNI_SELECTED); row >= 0;
       row = ListView_GetNextItem(hwnd, row, LVNI_SELECTED)) {
    rows.push_back(row);
  }
  return rows;
}

// The control's highlight is by index, so rows inserted or removed before highlighted ones
// would leave the highlight on other contacts: it is taken before and put back after, with
// `moved` giving each old row's new index (-1: gone).
template <typename Moved>
void KeepHighlight(const List& list, Moved moved, auto change) {
  const HWND hwnd = list.hwnd();
  Synced(list);
  const std::vector<int> selected = SelectedRows(hwnd);
  const int focused = ListView_GetNextItem(hwnd, -1, LVNI_FOCUSED);
  change();
  ShowCount(list);
  ListView_SetItemState(hwnd, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  for (int row : selected) {
    const int to = moved(row);
    if (to >= 0) ListView_SetItemState(hwnd, to, LVIS_SELECTED, LVIS_SELECTED);
  }
  if (focused >= 0 && moved(focused) >= 0) {
    ListView_SetItemState(hwnd, moved(focused), LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_SetSelectionMark(hwnd, moved(focused));
  }
}

void ToggleTick(const List& list, int row) {
  if (!list.has(row) || !list.entry->list->checkBoxes) return;
  auto& ticked = list.rows()[static_cast<std::size_t>(row)].ticked;
  ticked = !ticked;
  ListView_RedrawItems(list.hwnd(), row, row);
  QueueEvent(kEventControl, list.entry->window, list.control);
}

constexpr wchar_t kBaseProcProperty[] = L"RufkarteiBaseProc";

// Ticks by mouse and keyboard are the list's own business here: a virtual list keeps no
// state images, and the standard control would otherwise try to.
LRESULT CALLBACK ListProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto base = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kBaseProcProperty));
  if (message == WM_NCDESTROY) RemovePropW(hwnd, kBaseProcProperty);
  int control = -1;
  ControlEntry* entry = ControlOf(hwnd, &control);
  // While its window is destroyed the list has left the tables; the control cleans up alone.
  if (entry == nullptr) return CallWindowProcW(base, hwnd, message, wParam, lParam);
  const List list{entry, control};
  const bool controlHeld = GetKeyState(VK_CONTROL) < 0;
  switch (message) {
    case kShowCountMessage:
      entry->list->countPosted = false;
      Synced(list);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      // With full-row select the control may report a click anywhere on the row as one on
      // its state icon as well, so the tick column itself, which shows nothing but the tick
      // box, decides.
      LVHITTESTINFO hit{};
      hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
      if (ListView_SubItemHitTest(hwnd, &hit) >= 0 && hit.iSubItem == 0 &&
          (hit.flags & LVHT_ONITEM) != 0) {
        SetFocus(hwnd);
        ToggleTick(list, hit.iItem);
        return 0;
      }
      break;
    }
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !controlHeld) {
        ToggleTick(list, ListView_GetNextItem(hwnd, -1, LVNI_FOCUSED));
        return 0;
      }
      if (wParam == 'A' && controlHeld) {
        ListView_SetItemState(hwnd, -1, LVIS_SELECTED, LVIS_SELECTED);
        return 0;
      }
      break;
    case WM_CHAR:
      // Space ticked the row already; it is no search for a row starting with a blank.
      if (wParam == L' ') return 0;
      break;
    default:
      break;
  }
  return CallWindowProcW(base, hwnd, message, wParam, lParam);
}

// Adds a line to the editor: before line `position`, or as the new last line for -1 and
// positions past the end. The view stays where it is, so a text built line by line shows its
// first line.
void AddEditorLine(ControlEntry& entry, int position, std::u16string_view text) {
  const HWND hwnd = entry.hwnd;
  std::wstring line = Wide(text);
  LRESULT at = 0;
  if (position < 0 || position >= entry.editorLines) {
    at = GetWindowTextLengthW(hwnd);
    if (entry.editorLines > 0) line.insert(line.begin(), L'\r');
  } else {
    at = SendMessageW(hwnd, EM_LINEINDEX, static_cast<WPARAM>(position), 0);
    line += L'\r';
  }
  CHARRANGE keep{};
  SendMessageW(hwnd, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&keep));
  const POINT scroll = [&] {
    POINT point{};
    SendMessageW(hwnd, EM_GETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&point));
    return point;
  }();
  SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(at), at);
  SendMessageW(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(line.c_str()));
  SendMessageW(hwnd, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&keep));
  SendMessageW(hwnd, EM_SETSCROLLPOS, 0, reinterpret_cast<LPARAM>(&scroll));
  ++entry.editorLines;
}

}  // namespace

namespace detail {

void AttachListBehaviour(HWND hwnd) {
  SetPropW(hwnd, kBaseProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(hwnd, GWLP_WNDPROC)));
  SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc));
}

LRESULT ListNotify(int control, ControlEntry& entry, NMHDR& header) {
  const List list{&entry, control};
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(header).item;
      if (!list.has(item.iItem)) return 0;
      const ListRows::Row& row = list.rows()[static_cast<std::size_t>(item.iItem)];
      if ((item.mask & LVIF_TEXT) != 0 && item.pszText != nullptr && item.cchTextMax > 0) {
        // Column 0 is the tick column: its text is kept but not painted. A longer cell is
        // cut for the screen only; GetItemText gives it whole.
        const std::u16string_view cell =
            item.iSubItem == 0 ? std::u16string_view() : ColumnSegment(row.text, item.iSubItem);
        const std::size_t length =
            std::min(cell.size(), static_cast<std::size_t>(item.cchTextMax - 1));
        std::copy_n(cell.begin(), length, item.pszText);
        item.pszText[length] = L'\0';
      }
      if ((item.mask & LVIF_STATE) != 0 && entry.list->checkBoxes) {
        item.state = (item.state & ~UINT{LVIS_STATEIMAGEMASK}) |
                     INDEXTOSTATEIMAGEMASK(row.ticked ? 2u : 1u);
        item.stateMask |= LVIS_STATEIMAGEMASK;
      }
      return 0;
    }
    case LVN_ODFINDITEMW:
      return -1;
    case NM_CLICK:
    case NM_DBLCLK:
    case NM_RCLICK:
    case LVN_BEGINDRAG:
      QueueEvent(kEventControl, entry.window, control);
      return 0;
    default:
      return 0;
  }
}

}  // namespace detail

void AddItem(int control, int position, std::u16string_view text) {
  ControlEntry* entry = FindControl(control);
  if (entry == nullptr) return;
  if (entry->kind == ControlKind::kEditor) {
    AddEditorLine(*entry, position, text);
    return;
  }
  const List list = ListOf(control);
  if (!list) return;
  if (position < 0 || position >= list.count()) {
    list.rows().push_back({std::u16string(text), false});
    ShowCountLater(list);
    return;
  }
  KeepHighlight(
      list, [position](int row) { return row >= position ? row + 1 : row; },
      [&] { list.rows().insert(list.rows().begin() + position, {std::u16string(text), false}); });
}

void AddItems(int control, std::vector<std::u16string> texts) {
  const List list = ListOf(control);
  if (!list || texts.empty()) return;
  list.rows().reserve(list.rows().size() + texts.size());
  for (std::u16string& text : texts) list.rows().push_back({std::move(text), false});
  ShowCountLater(list);
}

void CopyItems(int source, std::span<const int> rows, int control) {
  const List from = ListOf(source);
  const List to = ListOf(control);
  if (!from || !to) return;
  // The source may be the list itself, so its rows are read by index, never by reference
  // across a growth of the vector.
  std::vector<ListRows::Row> copies;
  copies.reserve(rows.size());
  for (int row : rows) {
    if (from.has(row)) copies.push_back({from.rows()[static_cast<std::size_t>(row)].text, false});
  }
  if (copies.empty()) return;
  to.rows().insert(to.rows().end(), std::make_move_iterator(copies.begin()),
                   std::make_move_iterator(copies.end()));
  ShowCountLater(to);
}

int CountItems(int control) {
  const List list = ListOf(control);
  return list ? list.count() : 0;
}

int GetItemState(int control, int row) {
  const List list = ListOf(control);
  if (!list || !list.has(row)) return 0;
  Synced(list);
  const bool selected = ListView_GetItemState(list.hwnd(), row, LVIS_SELECTED) != 0;
  return (selected ? kRowSelected : 0) |
         (list.rows()[static_cast<std::size_t>(row)].ticked ? kRowTicked : 0);
}

void SetItemState(int control, int row, int state) {
  const List list = ListOf(control);
  if (!list || !list.has(row)) return;
  Synced(list);
  // Only what changes is told to the control: "A +" over a whole book sets every row.
  bool& ticked = list.rows()[static_cast<std::size_t>(row)].ticked;
  if (ticked != ((state & kRowTicked) != 0)) {
    ticked = !ticked;
    ListView_RedrawItems(list.hwnd(), row, row);
  }
  constexpr UINT kHighlight = LVIS_SELECTED | LVIS_FOCUSED;
  const UINT highlight = (state & kRowSelected) != 0 ? kHighlight : 0;
  if (ListView_GetItemState(list.hwnd(), row, kHighlight) != highlight) {
    ListView_SetItemState(list.hwnd(), row, highlight, kHighlight);
  }
}

std::u16string GetItemText(int control, int row, int column) {
  const List list = ListOf(control);
  if (!list) return {};
  if (row == -1) {
    const auto& titles = list.entry->list->titles;
    return column >= 0 && column < static_cast<int>(titles.size())
               ? titles[static_cast<std::size_t>(column)]
               : std::u16string();
  }
  if (!list.has(row) || column >= static_cast<int>(list.entry->list->titles.size())) return {};
  return std::u16string(ColumnSegment(list.rows()[static_cast<std::size_t>(row)].text, column));
}

void RemoveItem(int control, int row) {
  const int rows[] = {row};
  RemoveItems(control, rows);
}

void RemoveItems(int control, std::span<const int> rows) {
  const List list = ListOf(control);
  if (!list) return;
  const std::vector<int> doomed = NormaliseRows(rows, list.count());
  if (doomed.empty()) return;
  const auto moved = [&doomed](int row) {
    const auto before = std::lower_bound(doomed.begin(), doomed.end(), row);
    if (before != doomed.end() && *before == row) return -1;
    return row - static_cast<int>(before - doomed.begin());
  };
  KeepHighlight(list, moved, [&] {
    // One compaction: every kept row moves once, however scattered the removed ones are.
    auto& all = list.rows();
    std::size_t write = static_cast<std::size_t>(doomed.front());
    std::size_t next = 0;
    for (std::size_t read = write; read < all.size(); ++read) {
      if (next < doomed.size() && static_cast<int>(read) == doomed[next]) {
        ++next;
        continue;
      }
      all[write++] = std::move(all[read]);
    }
    all.resize(write);
  });
}

void ClearItems(int control) {
  const List list = ListOf(control);
  if (!list) return;
  list.rows().clear();
  list.rows().shrink_to_fit();
  ListView_SetItemState(list.hwnd(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  ShowCount(list);
}

}  // namespace rk::tk
