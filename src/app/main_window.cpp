#include "app/main_window.h"

#include <array>
#include <string>
#include <string_view>

#include "app/build_tag.h"
#include "app/controls.h"
#include "services/text.h"

namespace rk::app {
namespace {

enum class Kind { Label, Button, TextField, CheckList };
enum class FontRole { Normal, Heading, List };

// One control of book 1's pane; positions are relative to the pane.
struct PaneControlLayout {
  int control;
  Kind kind;
  int x, y, width, height;
  std::u16string_view caption;
  FontRole font;
  std::int32_t text;        // text colour, kDefaultColour = leave the toolkit's
  std::int32_t background;  // background colour, kDefaultColour = leave the toolkit's
};

// The toolkit's own colour: buttons and the list keep the desktop's look.
constexpr std::int32_t kToolkitColour = tk::kDefaultColour;

// The pane title's caption gets the slot number appended.
constexpr std::array<PaneControlLayout, 15> kPaneLayout = {{
    {kPaneTitle, Kind::Label, 10, 10, 120, 26, u"Telefonbuch ", FontRole::Heading, kRed, kLightGrey},
    {kCountLabel, Kind::Label, 130, 10, 90, 26, u" Anz.: 0", FontRole::Normal, kBlue, kLightGrey},
    {kNewButton, Kind::Button, 220, 10, 40, 24, u"Neu", FontRole::Normal, kToolkitColour, kToolkitColour},
    {kLoadButton, Kind::Button, 265, 10, 55, 24, u"Laden", FontRole::Normal, kToolkitColour, kToolkitColour},
    {kSaveButton, Kind::Button, 325, 10, 80, 24, u"Speichern", FontRole::Normal, kToolkitColour, kToolkitColour},
    {kNameLabel, Kind::Label, 10, 45, 50, 24, u"Name:", FontRole::Normal, kBlue, kLightGrey},
    {kNameField, Kind::TextField, 60, 45, 120, 24, u"", FontRole::Normal, kDarkGrey, kLightGrey},
    {kFileLabel, Kind::Label, 190, 45, 45, 24, u"Datei:", FontRole::Normal, kBlue, kLightGrey},
    {kFileField, Kind::TextField, 235, 45, 555, 24, u"", FontRole::Normal, kDarkGrey, kLightGrey},
    {kMarkButton, Kind::Button, 430, 10, 40, 24, u"A +", FontRole::Normal, kToolkitColour, kToolkitColour},
    {kUnmarkButton, Kind::Button, 475, 10, 40, 24, u"A -", FontRole::Normal, kToolkitColour, kToolkitColour},
    {kCopyButton, Kind::Button, 540, 10, 75, 24, u"Kopieren", FontRole::Normal, kToolkitColour, kToolkitColour},
    {kMoveButton, Kind::Button, 620, 10, 95, 24, u"Verschieben", FontRole::Normal, kToolkitColour, kToolkitColour},
    {kDeleteButton, Kind::Button, 720, 10, 70, 24, u"Löschen", FontRole::Normal, kToolkitColour, kToolkitColour},
    {kContactList, Kind::CheckList, 0, 75, 798, 823, u"", FontRole::List, kToolkitColour, kToolkitColour},
}};

// Book 2's "A +" stands five pixels further right than book 1's.
constexpr int kMarkButtonShiftInBookTwo = 5;

struct ListColumn {
  std::u16string_view title;
  int width;
};
constexpr std::array<ListColumn, 4> kListColumns = {{
    {u"Nr.", 65}, {u"ID", 45}, {u"Name", 230}, {u"Telefon", 410}}};
constexpr std::u16string_view kCheckColumnTitle = u"";
constexpr int kCheckColumnWidth = 25;
constexpr std::uint32_t kContactListFlags = tk::kListCheckBoxes | tk::kListMultiSelect |
                                            tk::kListKeepSelection | tk::kListGridLines |
                                            tk::kListFullRowSelect;

struct ToolTip {
  int control;
  std::u16string_view text;
};
constexpr std::array<ToolTip, 8> kToolTips = {{
    {kNewButton, u"Neues Telefonbuch anlegen."},
    {kLoadButton, u"Vorhandenes Telefonbuch aus XML-Datei einlesen."},
    {kSaveButton, u"Aktuelles Telefonbuch in XML-Datei schreiben. Mit Zusatz '_NEU.xml'."},
    {kMarkButton, u"Bei allen markierten Einträgen, die Auswahl setzen."},
    {kUnmarkButton, u"Bei allen markierten Einträgen, die Auswahl löschen."},
    {kCopyButton, u"Alle ausgewählten Einträge kopieren."},
    {kMoveButton, u"Alle ausgewählten Einträge verschieben."},
    {kDeleteButton, u"Alle ausgewählten Einträge löschen."},
}};

constexpr int kPaneWidth = 800;
constexpr int kPaneHeight = 900;
constexpr int kPaneY = 10;
constexpr std::array<int, 2> kPaneX = {10, 820};

tk::Handle FontOf(const Fonts& fonts, FontRole role) {
  switch (role) {
    case FontRole::Heading:
      return fonts.heading;
    case FontRole::List:
      return fonts.list;
    case FontRole::Normal:
      break;
  }
  return fonts.normal;
}

void CreatePaneControl(int slot, const PaneControlLayout& layout, const Fonts& fonts) {
  const int control = PaneControl(slot, layout.control);
  int x = layout.x;
  std::u16string caption(layout.caption);
  if (layout.control == kPaneTitle) caption += DecimalText(slot);
  if (layout.control == kMarkButton && slot == 2) x += kMarkButtonShiftInBookTwo;

  switch (layout.kind) {
    case Kind::Label:
      tk::CreateLabel(control, x, layout.y, layout.width, layout.height, caption, 0);
      break;
    case Kind::Button:
      tk::CreateButton(control, x, layout.y, layout.width, layout.height, caption);
      break;
    case Kind::TextField:
      tk::CreateTextField(control, x, layout.y, layout.width, layout.height, caption,
                          tk::kTextFieldNoEdge);
      break;
    case Kind::CheckList:
      tk::CreateCheckList(control, x, layout.y, layout.width, layout.height, kCheckColumnTitle,
                          kCheckColumnWidth, kContactListFlags);
      break;
  }
  tk::SetControlFont(control, FontOf(fonts, layout.font));
  if (layout.background != kToolkitColour) tk::SetControlColour(control, tk::kColourBackground, layout.background);
  if (layout.text != kToolkitColour) tk::SetControlColour(control, tk::kColourText, layout.text);
  if (layout.kind == Kind::CheckList) {
    int position = 1;
    for (const ListColumn& column : kListColumns) {
      tk::AddListColumn(control, position++, column.title, column.width);
    }
  }
}

// The controls of a pane in the order Tab visits them: the top row from left to right, then
// the fields of the second row, then the list.
constexpr std::array<int, 11> kPaneTabOrder = {
    kNewButton,  kLoadButton,   kSaveButton, kMarkButton, kUnmarkButton, kCopyButton,
    kMoveButton, kDeleteButton, kNameField,  kFileField,  kContactList};

// What a screen reader says for the pane: the pane, its list and every button and field name
// their book, since both panes hold the same captions; the list carries the count.
void NamePaneForReaders(int slot) {
  const std::u16string book = u"Telefonbuch " + DecimalText(slot);
  const auto control = [slot](int bookOneControl) { return PaneControl(slot, bookOneControl); };
  tk::SetAccessibleName(control(kPane), book);
  tk::SetAccessibleName(control(kContactList), book);
  tk::SetDescribedBy(control(kContactList), control(kCountLabel));
  tk::SetLabelFor(control(kNameLabel), control(kNameField));
  tk::SetLabelFor(control(kFileLabel), control(kFileField));
  for (const PaneControlLayout& layout : kPaneLayout) {
    std::u16string_view caption = layout.caption;
    if (layout.control == kNameField) caption = u"Name";
    if (layout.control == kFileField) caption = u"Datei";
    if (layout.kind == Kind::Button || layout.kind == Kind::TextField) {
      tk::SetAccessibleName(control(layout.control), std::u16string(caption) + u", " + book);
    }
  }
}

void BuildPane(int slot, const Fonts& fonts) {
  const int pane = PaneControl(slot, kPane);
  tk::CreateContainer(pane, kPaneX[static_cast<std::size_t>(slot - 1)], kPaneY, kPaneWidth,
                      kPaneHeight, tk::kContainerFlatBorder);
  tk::SetControlColour(pane, tk::kColourBackground, kLightGrey);
  for (const PaneControlLayout& layout : kPaneLayout) CreatePaneControl(slot, layout, fonts);
  tk::CloseControlList();
  NamePaneForReaders(slot);
}

}  // namespace

tk::Handle BuildMainWindow(const Fonts& fonts, std::int32_t toolTipSwitch) {
  const tk::Handle window =
      tk::OpenWindow(kMainWindow, 0, 0, 1630, 920, MainWindowTitle(),
                     tk::kWindowTitleBar | tk::kWindowSystemMenu | tk::kWindowMinimiseBox |
                         tk::kWindowCentreScreen);
  if (window == 0) return 0;
  // The title bar shows the build as well; a screen reader says the program's name alone, so
  // the focused control follows at once.
  tk::SetWindowAccessibleName(kMainWindow, u"Rufkartei");
  tk::SetWindowColour(kMainWindow, kWindowGrey);
  BuildPane(1, fonts);
  BuildPane(2, fonts);
  std::array<int, 2 * kPaneTabOrder.size()> tabOrder{};
  for (std::size_t at = 0; at < kPaneTabOrder.size(); ++at) {
    tabOrder[at] = PaneControl(1, kPaneTabOrder[at]);
    tabOrder[kPaneTabOrder.size() + at] = PaneControl(2, kPaneTabOrder[at]);
  }
  tk::SetTabOrder(tabOrder);
  // Only exactly 1 switches tooltips on; other stored values leave them off.
  if (toolTipSwitch == 1) {
    for (int slot : {1, 2}) {
      for (const ToolTip& tip : kToolTips) tk::SetToolTip(PaneControl(slot, tip.control), tip.text);
    }
  }
  return window;
}

}  // namespace rk::app
