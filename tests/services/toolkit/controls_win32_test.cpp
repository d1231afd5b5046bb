// The Win32 controls behind the toolkit operations, driven with real window messages under
// Wine: windows and their decorations, clicks and keys, fields, Tab order, the rich text, ticks
// by mouse and keyboard, real dialogs answered by a scheduled callback, and the layout's scale.
#include "support/win32_support.h"

#include <commctrl.h>
#include <dlgs.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "services/toolkit/state_win32.h"
#include "services/toolkit/toolkit.h"
#include "support/list_view_support.h"
#include "support/test_support.h"

namespace rk::tk {
namespace {

using rk::test::ControlWindow;

constexpr int kWindow = 0;
constexpr int kOwned = 1;

class Win32ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ = reinterpret_cast<HWND>(OpenWindow(kWindow, 0, 0, 700, 400, u"Steuerelemente", 0xCA0001));
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    CloseWindow(kOwned);
    CloseWindow(kWindow);
    while (PollEvent() != 0) {
    }
  }

  // The queued events as (code, control), after the pending messages are handled.
  std::vector<std::pair<int, int>> TakeEvents() {
    std::vector<std::pair<int, int>> events;
    for (int code = PollEvent(); code != 0; code = PollEvent()) events.emplace_back(code, EventControl());
    return events;
  }

  HWND window_ = nullptr;
};

using Events = std::vector<std::pair<int, int>>;

TEST_F(Win32ControlsTest, WindowsHaveTheirClientSizeTheAskedDecorationsAndAskBeforeClosing) {
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, 700);
  EXPECT_EQ(client.bottom, 400);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, DWORD{WS_CAPTION});
  EXPECT_NE(style & WS_SYSMENU, 0u);
  EXPECT_NE(style & WS_MINIMIZEBOX, 0u);
  EXPECT_EQ(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);

  // Title bar only: no system menu, so no close box; owned by the main window.
  const auto owned = reinterpret_cast<HWND>(
      OpenWindow(kOwned, 0, 0, 300, 200, u"Information", 0xC00001, WindowHandle(kWindow)));
  ASSERT_NE(owned, nullptr);
  EXPECT_EQ(GetWindow(owned, GW_OWNER), window_);
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(owned, GWL_STYLE)) & WS_SYSMENU, 0u);

  // The close box only asks: the window stays until the program closes it.
  SendMessageW(window_, WM_CLOSE, 0, 0);
  EXPECT_EQ(PollEvent(), kEventClose);
  EXPECT_EQ(EventWindow(), kWindow);
  EXPECT_TRUE(IsWindow(window_));
  // The end of the Windows session is a close request as well, after which no dialog shows.
  SendMessageW(window_, WM_QUERYENDSESSION, 0, 0);
  EXPECT_EQ(PollEvent(), kEventClose);
  EXPECT_EQ(OpenFileDialog(u"Telefonbuch laden", u"C:\\", u"Telefonbuch (*.xml)|*.xml", 0), u"");
  // Once the end is confirmed the keeping runs before the message returns, for Windows may end
  // the process then; once, though each top-level window hears it, and not for a cancelled end.
  int kept = 0;
  SetSessionEndHandler([&kept] { ++kept; });
  SendMessageW(window_, WM_ENDSESSION, FALSE, 0);
  EXPECT_EQ(kept, 0);
  SendMessageW(window_, WM_ENDSESSION, TRUE, 0);
  SendMessageW(owned, WM_ENDSESSION, TRUE, 0);
  EXPECT_EQ(kept, 1);
  // The session's end holds for the rest of the run: the other tests get a fresh toolkit.
  EndToolkit();
  ASSERT_NE(StartToolkit(), 0);
}

TEST_F(Win32ControlsTest, ClicksQueueEventsAndReturnOrSpacePressAFocusedButton) {
  ASSERT_NE(CreateButton(3, 10, 10, 100, 30, u"Laden"), 0);
  ASSERT_NE(CreateCheckBox(4, 10, 50, 200, 30, u" ToolTip"), 0);
  ASSERT_NE(CreateTextField(5, 10, 90, 200, 20, u"", kTextFieldNoEdge), 0);
  const HWND button = ControlWindow(3);
  const HWND box = ControlWindow(4);

  SendMessageW(button, BM_CLICK, 0, 0);
  SendMessageW(box, BM_CLICK, 0, 0);
  EXPECT_EQ(TakeEvents(), (Events{{kEventControl, 3}, {kEventControl, 4}}));
  EXPECT_EQ(GetState(4), 1);
  SetState(4, 0);
  EXPECT_EQ(GetState(4), 0);
  SetState(4, 5);
  EXPECT_EQ(GetState(4), 1);

  // Keys go through the loop as a user's would.
  SetForegroundWindow(window_);
  SetFocus(button);
  PostMessageW(button, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(TakeEvents(), (Events{{kEventControl, 3}}));
  PostMessageW(button, WM_KEYDOWN, VK_SPACE, 0);
  PostMessageW(button, WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(TakeEvents(), (Events{{kEventControl, 3}}));
  // Return in a field presses nothing.
  SetFocus(ControlWindow(5));
  PostMessageW(ControlWindow(5), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(TakeEvents(), Events{});
}

TEST_F(Win32ControlsTest, FieldsAndLabelsKeepTheirWholeTextAsGiven) {
  const std::u16string path = u"C:\\" + std::u16string(40000, u'x') + u".xml";
  ASSERT_NE(CreateTextField(5, 10, 10, 300, 20, path, kTextFieldNoEdge), 0);
  ASSERT_NE(CreateTextField(6, 10, 40, 300, 20, u"Rand", 0), 0);
  ASSERT_NE(CreateLabel(7, 10, 70, 300, 20, u"Kopieren & Verschieben", 0), 0);
  EXPECT_EQ(GetText(5), path);
  EXPECT_EQ(GetWindowLongPtrW(ControlWindow(5), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  EXPECT_NE(GetWindowLongPtrW(ControlWindow(6), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  SetText(6, u"Neu_10.12.2026 (ä)");
  EXPECT_EQ(GetText(6), u"Neu_10.12.2026 (ä)");
  // A label never takes "&" as a mnemonic.
  EXPECT_EQ(GetText(7), u"Kopieren & Verschieben");
  EXPECT_NE(GetWindowLongPtrW(ControlWindow(7), GWL_STYLE) & SS_NOPREFIX, 0);
  // Numbers that hold nothing.
  SetText(30, u"x");
  EXPECT_EQ(GetText(30), u"");
  EXPECT_EQ(GetState(5), 0);
}

TEST_F(Win32ControlsTest, TabFollowsTheGivenOrderThroughPanesWithEachLabelBeforeItsField) {
  ASSERT_NE(CreateContainer(1, 10, 10, 500, 300, kContainerFlatBorder), 0);
  CreateLabel(2, 10, 10, 60, 20, u"Name:", 0);
  CreateButton(3, 10, 40, 80, 30, u"Neu");
  CreateButton(4, 100, 40, 80, 30, u"Laden");
  CreateTextField(5, 80, 10, 100, 20, u"", kTextFieldNoEdge);
  CloseControlList();
  const HWND pane = ControlWindow(1);
  EXPECT_EQ(GetParent(ControlWindow(3)), pane);
  EXPECT_NE(GetWindowLongPtrW(pane, GWL_EXSTYLE) & WS_EX_CONTROLPARENT, 0);

  SetLabelFor(2, 5);
  const int order[] = {4, 3, 5};
  SetTabOrder(order);
  EXPECT_EQ(GetNextDlgTabItem(window_, ControlWindow(4), FALSE), ControlWindow(3));
  EXPECT_EQ(GetNextDlgTabItem(window_, ControlWindow(3), FALSE), ControlWindow(5));
  EXPECT_EQ(GetNextDlgTabItem(window_, ControlWindow(5), FALSE), ControlWindow(4));
  EXPECT_EQ(GetNextDlgTabItem(window_, ControlWindow(4), TRUE), ControlWindow(5));
  // A screen reader names a field by the label right before it.
  EXPECT_EQ(GetWindow(ControlWindow(5), GW_HWNDPREV), ControlWindow(2));
}

TEST_F(Win32ControlsTest, EditorAddsLinesAndGivesThemBackWithLineFeeds) {
  ASSERT_NE(CreateEditor(8, 10, 10, 400, 200, kEditorReadOnly), 0);
  EXPECT_NE(GetWindowLongPtrW(ControlWindow(8), GWL_STYLE) & ES_READONLY, 0);
  AddItem(8, -1, u"Erste Zeile");
  AddItem(8, -1, u"");
  AddItem(8, -1, u"Dritte Zeile");
  EXPECT_EQ(GetText(8), u"Erste Zeile\n\nDritte Zeile");
  AddItem(8, 1, u"Eingefügt");
  EXPECT_EQ(GetText(8), u"Erste Zeile\nEingefügt\n\nDritte Zeile");
  SetText(8, u"");
  AddItem(8, -1, u"Neu");
  EXPECT_EQ(GetText(8), u"Neu");
}

TEST_F(Win32ControlsTest, ListRowsAreTickedByMouseAndSpaceAndShowTheirTick) {
  ASSERT_NE(CreateCheckList(9, 0, 0, 680, 380, u"", 25, 0x4001000D), 0);
  AddListColumn(9, 1, u"Nr.", 65);
  AddListColumn(9, 2, u"Name", 230);
  for (const char16_t* name : {u"\n1\nAnna", u"\n2\nBert", u"\n3\nCarla"}) AddItem(9, -1, name);
  const HWND list = ControlWindow(9);
  // The control learns of the rows once the loop runs.
  EXPECT_EQ(rk::test::ShownRowCount(9), 3);
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(list, GWL_STYLE));
  EXPECT_NE(style & LVS_OWNERDATA, 0u);
  EXPECT_NE(style & LVS_SHOWSELALWAYS, 0u);
  EXPECT_EQ(style & LVS_SINGLESEL, 0u);
  const DWORD extended = ListView_GetExtendedListViewStyle(list);
  EXPECT_EQ(extended & (LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
            DWORD{LVS_EX_CHECKBOXES | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT});

  // A click on the tick box of row 2 ticks it and nothing else; the view shows the tick.
  RECT row{};
  ListView_GetItemRect(list, 2, &row, LVIR_BOUNDS);
  const LPARAM tickBox = MAKELPARAM(row.left + 8, (row.top + row.bottom) / 2);
  SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, tickBox);
  SendMessageW(list, WM_LBUTTONUP, 0, tickBox);
  EXPECT_EQ(GetItemState(9, 2), kRowTicked);
  EXPECT_EQ(ListView_GetItemState(list, 2, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(2u));
  EXPECT_EQ(ListView_GetItemState(list, 0, LVIS_STATEIMAGEMASK), INDEXTOSTATEIMAGEMASK(1u));
  EXPECT_EQ(TakeEvents(), (Events{{kEventControl, 9}}));

  // Space ticks the current row; several rows stay highlighted at once.
  SetItemState(9, 0, kRowSelected);
  SetItemState(9, 1, kRowSelected);
  SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(GetItemState(9, 1), kRowSelected | kRowTicked);
  EXPECT_EQ(GetItemState(9, 0), kRowSelected);
  SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(GetItemState(9, 1), kRowSelected);

  // Inserting before highlighted rows keeps the highlight on the same contacts.
  AddItem(9, 0, u"\n0\nNull");
  EXPECT_EQ(GetItemState(9, 1), kRowSelected);
  EXPECT_EQ(GetItemState(9, 2), kRowSelected);
  EXPECT_EQ(GetItemState(9, 3), kRowTicked);
  EXPECT_EQ(rk::test::CurrentListRow(9), 2);
}

TEST_F(Win32ControlsTest, RealDialogsAreAnsweredAndLeaveTheCurrentFolderAsItWas) {
  {
    std::wstring text;
    const rk::test::DialogAnswer answer([&text](HWND dialog) {
      text = rk::test::DialogItemText(dialog, 0xFFFF);
      PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(MessageBox(u"Fehlermeldung", u"Datei nicht gefunden.", kIconError), 1);
    EXPECT_TRUE(answer.answered());
    EXPECT_EQ(text, L"Datei nicht gefunden.");
  }
  {
    const rk::test::DialogAnswer answer(
        [](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(OpenFileDialog(u"Telefonbuch laden", u"C:\\", u"Telefonbuch (*.xml)|*.xml", 0), u"");
    EXPECT_TRUE(answer.answered());
  }
  const rk::test::TempFolder folder;
  const std::filesystem::path book = folder.path() / "Buch.xml";
  rk::test::WriteFileBytes(book, "<phonebooks/>");
  const std::filesystem::path before = std::filesystem::current_path();
  const std::wstring chosen = book.wstring();
  const rk::test::DialogAnswer answer([&chosen](HWND dialog) {
    // The file name field: a combo box in the explorer-style dialog, an edit in older ones.
    SetDlgItemTextW(dialog, cmb13, chosen.c_str());
    SetDlgItemTextW(dialog, edt1, chosen.c_str());
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  });
  const std::u16string result = OpenFileDialog(u"Telefonbuch laden", u"", u"Telefonbuch (*.xml)|*.xml", 0);
  EXPECT_EQ(std::filesystem::path(std::wstring(result.begin(), result.end())), book);
  EXPECT_EQ(std::filesystem::current_path(), before);
}

}  // namespace
}  // namespace rk::tk

namespace rk::tk::detail {
namespace {

TEST(Win32ScreenFit, TheMonitorsScaleHoldsWhereTheWindowFitsElseItShrinksButNotBelowThreeQuarters) {
  const RECT fullHd{0, 0, 1920, 1040};
  // The main window (1630 x 920 with a frame of 16 x 39) at 96 DPI, and at 120 DPI where its
  // 1.25 times does not fit: the largest factor that fits.
  EXPECT_EQ(FitScale(1.0, 1630, 920, 16, 39, fullHd), 1.0);
  EXPECT_NEAR(FitScale(1.25, 1630, 920, 16, 39, fullHd), (1040.0 - 39) / 920, 1e-9);
  // A 4K monitor at 200 %: twice the layout fits.
  EXPECT_EQ(FitScale(2.0, 1630, 920, 32, 78, RECT{0, 0, 3840, 2100}), 2.0);
  // A small screen: never below 0.75, the window then overhangs.
  EXPECT_EQ(FitScale(1.0, 1630, 920, 16, 39, RECT{0, 0, 1024, 728}), 0.75);
  // Nothing known of the screen: the monitor's scale.
  EXPECT_EQ(FitScale(1.5, 1630, 920, 16, 39, RECT{}), 1.5);
}

}  // namespace
}  // namespace rk::tk::detail
