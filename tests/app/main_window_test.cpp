// The main window as built at start-up: every control's number, kind, place, caption, font and
// colours in both panes, the list columns, and the tooltips that only a switch of 1 attaches.
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include <string>

#include "app/build_tag.h"
#include "app/controls.h"
#include "services/toolkit/toolkit.h"
#include "shell_fixture.h"

namespace rk::app::test {
namespace {

using rk::test::FindControl;
using rk::test::FindWindow;

enum class Kind { Label, Button, Field, List };

struct Expected {
  int control;  // book 1's number
  Kind kind;
  QRect geometry;  // relative to the pane
  const char16_t* caption;
  int points;  // 12 heading, 10 normal, 9 list
  QColor text, background;  // invalid = toolkit's default
};

const QColor kRed(255, 0, 0);
const QColor kBlue(0, 0, 255);
const QColor kDarkGrey(81, 81, 81);
const QColor kLightGrey(230, 230, 230);

const Expected kPaneControls[] = {
    {kPaneTitle, Kind::Label, {10, 10, 120, 26}, u"Telefonbuch ", 12, kRed, kLightGrey},
    {kCountLabel, Kind::Label, {130, 10, 90, 26}, u" Anz.: 0", 10, kBlue, kLightGrey},
    {kNewButton, Kind::Button, {220, 10, 40, 24}, u"Neu", 10, {}, {}},
    {kLoadButton, Kind::Button, {265, 10, 55, 24}, u"Laden", 10, {}, {}},
    {kSaveButton, Kind::Button, {325, 10, 80, 24}, u"Speichern", 10, {}, {}},
    {kNameLabel, Kind::Label, {10, 45, 50, 24}, u"Name:", 10, kBlue, kLightGrey},
    {kNameField, Kind::Field, {60, 45, 120, 24}, u"", 10, kDarkGrey, kLightGrey},
    {kFileLabel, Kind::Label, {190, 45, 45, 24}, u"Datei:", 10, kBlue, kLightGrey},
    {kFileField, Kind::Field, {235, 45, 555, 24}, u"", 10, kDarkGrey, kLightGrey},
    {kMarkButton, Kind::Button, {430, 10, 40, 24}, u"A +", 10, {}, {}},
    {kUnmarkButton, Kind::Button, {475, 10, 40, 24}, u"A -", 10, {}, {}},
    {kCopyButton, Kind::Button, {540, 10, 75, 24}, u"Kopieren", 10, {}, {}},
    {kMoveButton, Kind::Button, {620, 10, 95, 24}, u"Verschieben", 10, {}, {}},
    {kDeleteButton, Kind::Button, {720, 10, 70, 24}, u"Löschen", 10, {}, {}},
    {kContactList, Kind::List, {0, 75, 798, 823}, u"", 9, {}, {}},
};

std::u16string CaptionOf(QWidget* widget) {
  QString text;
  if (auto* label = qobject_cast<QLabel*>(widget)) text = label->text();
  if (auto* button = qobject_cast<QPushButton*>(widget)) text = button->text();
  if (auto* field = qobject_cast<QLineEdit*>(widget)) text = field->text();
  return text.toStdU16String();
}

bool IsKind(QWidget* widget, Kind kind) {
  switch (kind) {
    case Kind::Label:
      return qobject_cast<QLabel*>(widget) != nullptr;
    case Kind::Button:
      return qobject_cast<QPushButton*>(widget) != nullptr;
    case Kind::Field:
      return qobject_cast<QLineEdit*>(widget) != nullptr;
    case Kind::List:
      return qobject_cast<QTableView*>(widget) != nullptr;
  }
  return false;
}

class MainWindowTest : public ShellTest {};

TEST_F(MainWindowTest, WindowHasItsSizeTitleAndBackground) {
  Start();
  QWidget* window = FindWindow(kMainWindow);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->size(), QSize(1630, 920));
  EXPECT_EQ(window->windowTitle().toStdU16String(), MainWindowTitle());
  EXPECT_EQ(window->palette().color(window->backgroundRole()), QColor(198, 198, 198));
  const Qt::WindowFlags flags = window->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(MainWindowTest, PanesStandSideBySideInLightGrey) {
  Start();
  for (int slot : {1, 2}) {
    QWidget* pane = FindControl(PaneControl(slot, kPane));
    ASSERT_NE(pane, nullptr) << slot;
    EXPECT_EQ(pane->window(), FindWindow(kMainWindow));
    EXPECT_EQ(pane->geometry(), QRect(slot == 1 ? 10 : 820, 10, 800, 900));
    EXPECT_EQ(pane->palette().color(pane->backgroundRole()), kLightGrey);
  }
}

TEST_F(MainWindowTest, EveryPaneControlHasItsNumberPlaceCaptionFontAndColours) {
  Start();
  for (int slot : {1, 2}) {
    QWidget* pane = FindControl(PaneControl(slot, kPane));
    ASSERT_NE(pane, nullptr);
    for (const Expected& expected : kPaneControls) {
      const int number = PaneControl(slot, expected.control);
      SCOPED_TRACE(number);
      QWidget* control = FindControl(number);
      ASSERT_NE(control, nullptr);
      EXPECT_TRUE(IsKind(control, expected.kind));
      EXPECT_TRUE(pane->isAncestorOf(control));
      QRect geometry = expected.geometry;
      if (slot == 2 && expected.control == kMarkButton) geometry.translate(5, 0);
      EXPECT_EQ(control->geometry(), geometry);

      std::u16string caption = expected.caption;
      if (expected.control == kPaneTitle) caption += slot == 1 ? u"1" : u"2";
      EXPECT_EQ(CaptionOf(control), caption);

      const QFont font = control->font();
      EXPECT_EQ(font.family(), "Arial");
      EXPECT_EQ(font.pointSize(), expected.points);
      EXPECT_EQ(font.bold(), expected.points != 9);
      EXPECT_EQ(font.underline(), expected.points == 12);

      if (expected.text.isValid()) {
        EXPECT_EQ(control->palette().color(control->foregroundRole()), expected.text);
      }
      if (expected.background.isValid()) {
        EXPECT_EQ(control->palette().color(control->backgroundRole()), expected.background);
      }
    }
  }
}

TEST_F(MainWindowTest, LabelsAreLeftAlignedAndFieldsHaveNoFrame) {
  Start();
  for (int control : {kPaneTitle, kCountLabel, kNameLabel, kFileLabel}) {
    auto* label = qobject_cast<QLabel*>(FindControl(PaneControl(2, control)));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->alignment().testFlag(Qt::AlignLeft)) << control;
  }
  for (int control : {kNameField, kFileField}) {
    auto* field = qobject_cast<QLineEdit*>(FindControl(control));
    ASSERT_NE(field, nullptr);
    EXPECT_FALSE(field->hasFrame());
    EXPECT_FALSE(field->isReadOnly());
  }
}

TEST_F(MainWindowTest, FontsResolveToTheArialMetricTwin) {
  Start();
  for (int control : {kPaneTitle, kNewButton, kContactList, kInfoText, kInfoToolTipBox}) {
    EXPECT_EQ(QFontInfo(FindControl(control)->font()).family(), "Liberation Sans") << control;
  }
}

TEST_F(MainWindowTest, ContactListsStartEmptyWithTheirFiveColumns) {
  Start();
  const char16_t* titles[] = {u"", u"Nr.", u"ID", u"Name", u"Telefon"};
  const int widths[] = {25, 65, 45, 230, 410};
  for (int slot : {1, 2}) {
    const int list = PaneControl(slot, kContactList);
    auto* view = qobject_cast<QTableView*>(FindControl(list));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(tk::CountItems(list), 0);
    ASSERT_EQ(view->model()->columnCount(), 5);
    for (int column = 0; column < 5; ++column) {
      EXPECT_EQ(tk::GetItemText(list, -1, column), titles[column]) << column;
      EXPECT_EQ(view->horizontalHeader()->sectionSize(column), widths[column]) << column;
    }
    EXPECT_TRUE(view->showGrid());
  }
}

const char16_t* const kToolTips[] = {
    u"Neues Telefonbuch anlegen.",
    u"Vorhandenes Telefonbuch aus XML-Datei einlesen.",
    u"Aktuelles Telefonbuch in XML-Datei schreiben. Mit Zusatz '_NEU.xml'.",
    u"Bei allen markierten Einträgen, die Auswahl setzen.",
    u"Bei allen markierten Einträgen, die Auswahl löschen.",
    u"Alle ausgewählten Einträge kopieren.",
    u"Alle ausgewählten Einträge verschieben.",
    u"Alle ausgewählten Einträge löschen.",
};
const int kToolTipButtons[] = {kNewButton,   kLoadButton, kSaveButton, kMarkButton,
                               kUnmarkButton, kCopyButton, kMoveButton, kDeleteButton};
const int kWithoutToolTip[] = {kPane,      kPaneTitle, kCountLabel, kNameLabel,
                               kNameField, kFileLabel, kFileField,  kContactList};

TEST_F(MainWindowTest, SwitchOneGivesTheButtonsOfBothPanesTheirTooltips) {
  WriteSettings("ToolTip = 1\r\n");
  Start();
  for (int slot : {1, 2}) {
    for (std::size_t index = 0; index < std::size(kToolTipButtons); ++index) {
      const int control = PaneControl(slot, kToolTipButtons[index]);
      EXPECT_EQ(FindControl(control)->toolTip().toStdU16String(), kToolTips[index]) << control;
    }
    for (int control : kWithoutToolTip) {
      EXPECT_TRUE(FindControl(PaneControl(slot, control))->toolTip().isEmpty()) << control;
    }
  }
}

class NoToolTips : public ShellTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(NoToolTips, OtherSwitchValuesLeaveEveryControlWithout) {
  WriteSettings(std::string("ToolTip = ") + GetParam() + "\r\n");
  Start();
  for (int control = 0; control <= kInfoClose; ++control) {
    if (QWidget* widget = FindControl(control)) {
      EXPECT_TRUE(widget->toolTip().isEmpty()) << control;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Values, NoToolTips, ::testing::Values("0", "2", "-1", "10"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           std::string value = param.param;
                           return value.front() == '-' ? "Minus" + value.substr(1) : value;
                         });

}  // namespace
}  // namespace rk::app::test
