// Windows and the simple controls: geometry, flags, events from real clicks, colours, fonts,
// texts, and the rule that numbers holding nothing do nothing.
#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "services/text.h"
#include "services/toolkit/accessibility.h"
#include "services/toolkit/screen_fit.h"
#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"

namespace rk::tk {
namespace {

using rk::test::FindControl;
using rk::test::FindWindow;

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(OpenWindow(0, 0, 0, 640, 480, u"Hauptfenster", 0xCA0001), 0u); }
  void TearDown() override {
    CloseWindow(1);
    CloseWindow(0);
    for (int slot = 0; slot < 4; ++slot) FreeFont(slot);
    rk::test::DrainEvents([](int, int) {});
  }

  static std::vector<std::pair<int, int>> TakeEvents() {
    std::vector<std::pair<int, int>> events;
    rk::test::DrainEvents([&](int code, int control) { events.emplace_back(code, control); });
    return events;
  }
};

using EventList = std::vector<std::pair<int, int>>;

TEST_F(ControlsTest, WindowsHaveTheirClientSizeFixedCentredWithTheAskedDecorations) {
  QWidget* main = FindWindow(0);
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(main->isVisible());
  EXPECT_EQ(main->windowTitle(), QStringLiteral("Hauptfenster"));
  EXPECT_EQ(main->size(), QSize(640, 480));
  EXPECT_EQ(main->minimumSize(), main->maximumSize());
  const Qt::WindowFlags flags = main->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_TRUE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(main->pos(), screen.center() - QPoint(320, 240));

  // An owned window without the system-menu bit: above its owner, no close box.
  ASSERT_NE(OpenWindow(1, 5, 5, 300, 200, u"Information", 0xC00000, WindowHandle(0)), 0u);
  QWidget* info = FindWindow(1);
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(info->isWindow());
  EXPECT_EQ(info->parentWidget(), main);
  EXPECT_FALSE(info->windowFlags().testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(info->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_TRUE(info->windowFlags().testFlag(Qt::WindowTitleHint));
  EXPECT_EQ(info->pos(), QPoint(5, 5));
  EXPECT_NE(WindowHandle(1), WindowHandle(0));
}

TEST_F(ControlsTest, CloseBoxQueuesACloseEventAndTheWindowStaysOpen) {
  QWidget* main = FindWindow(0);
  ASSERT_NE(main, nullptr);
  ASSERT_NE(main->windowHandle(), nullptr);
  // What the window system does for a click on the close box.
  main->windowHandle()->close();
  EXPECT_EQ(PollEvent(), kEventClose);
  EXPECT_EQ(EventWindow(), 0);
  EXPECT_EQ(PollEvent(), 0);
  EXPECT_TRUE(main->isVisible());
  EXPECT_NE(WindowHandle(0), 0u);
}

TEST_F(ControlsTest, ButtonAndCheckBoxClicksQueueEventsWithTheirNumbers) {
  ASSERT_NE(CreateButton(3, 10, 10, 80, 24, u"Neu"), 0);
  ASSERT_NE(CreateCheckBox(34, 10, 50, 300, 30, u" ToolTip"), 0);
  rk::test::ClickControl(3);
  rk::test::ClickControl(34);
  rk::test::ClickControl(3);
  EXPECT_EQ(TakeEvents(), (EventList{{kEventControl, 3}, {kEventControl, 34}, {kEventControl, 3}}));
  EXPECT_EQ(GetState(34), 1);
  rk::test::ClickControl(34);
  EXPECT_EQ(GetState(34), 0);
  EXPECT_EQ(TakeEvents(), (EventList{{kEventControl, 34}}));

  // Setting the state is not a click: any nonzero value ticks, and no event follows.
  SetState(34, 5);
  EXPECT_EQ(GetState(34), 1);
  EXPECT_TRUE(static_cast<QCheckBox*>(FindControl(34))->isChecked());
  SetState(34, 0);
  EXPECT_EQ(GetState(34), 0);
  EXPECT_TRUE(TakeEvents().empty());
}

TEST_F(ControlsTest, WaitEventSleepsUntilAClickAndReturnsEventsOldestFirst) {
  ASSERT_NE(CreateButton(3, 10, 10, 80, 24, u"A"), 0);
  ASSERT_NE(CreateButton(4, 100, 10, 80, 24, u"B"), 0);
  QTimer::singleShot(50, [] {
    rk::test::ClickControl(4);
    rk::test::ClickControl(3);
  });
  EXPECT_EQ(WaitEvent(), kEventControl);
  EXPECT_EQ(EventControl(), 4);
  EXPECT_EQ(EventWindow(), 0);
  EXPECT_EQ(WaitEvent(), kEventControl);
  EXPECT_EQ(EventControl(), 3);
}

TEST_F(ControlsTest, ContainerPlacesItsControlsInsideItsBorderUntilItsListIsClosed) {
  ASSERT_NE(CreateContainer(0, 10, 10, 300, 200, kContainerFlatBorder), 0);
  ASSERT_NE(CreateLabel(1, 10, 10, 120, 26, u"Telefonbuch 1", 0), 0);
  CloseControlList();
  ASSERT_NE(CreateButton(3, 400, 10, 40, 24, u"Neu"), 0);
  auto* pane = qobject_cast<QFrame*>(FindControl(0));
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->frameShape(), QFrame::Box);
  EXPECT_EQ(pane->frameWidth(), 1);
  QWidget* label = FindControl(1);
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(pane->isAncestorOf(label));
  EXPECT_EQ(label->geometry(), QRect(10, 10, 120, 26));
  EXPECT_EQ(label->mapTo(pane, QPoint(0, 0)), QPoint(11, 11));
  EXPECT_FALSE(pane->isAncestorOf(FindControl(3)));
  EXPECT_EQ(FindControl(3)->parentWidget(), FindWindow(0));
}

TEST_F(ControlsTest, LabelsShowPlainTextAlignedByFlags) {
  ASSERT_NE(CreateLabel(1, 0, 0, 200, 26, u"&Datei <b>x</b>", 0), 0);
  ASSERT_NE(CreateLabel(2, 0, 30, 200, 26, u" Anz.: 0", kLabelSunken), 0);
  ASSERT_NE(CreateLabel(32, 0, 60, 200, 30, u"Rufkartei", kLabelCentred), 0);
  auto* plain = qobject_cast<QLabel*>(FindControl(1));
  auto* sunken = qobject_cast<QLabel*>(FindControl(2));
  auto* centred = qobject_cast<QLabel*>(FindControl(32));
  ASSERT_TRUE(plain && sunken && centred);
  EXPECT_EQ(plain->textFormat(), Qt::PlainText);
  EXPECT_EQ(GetText(1), u"&Datei <b>x</b>");
  EXPECT_TRUE(plain->alignment().testFlag(Qt::AlignLeft));
  EXPECT_EQ(plain->frameShape(), QFrame::NoFrame);
  EXPECT_EQ(sunken->frameShadow(), QFrame::Sunken);
  EXPECT_NE(sunken->frameShape(), QFrame::NoFrame);
  EXPECT_TRUE(centred->alignment().testFlag(Qt::AlignHCenter));
  SetText(2, u" Anz.: 12");
  EXPECT_EQ(sunken->text(), QStringLiteral(" Anz.: 12"));
}

TEST_F(ControlsTest, TextFieldsKeepTheirWholeTextWithOrWithoutEdge) {
  ASSERT_NE(CreateTextField(7, 0, 0, 120, 24, u"", kTextFieldNoEdge), 0);
  ASSERT_NE(CreateTextField(9, 0, 30, 120, 24, u"start", 0), 0);
  auto* name = qobject_cast<QLineEdit*>(FindControl(7));
  auto* file = qobject_cast<QLineEdit*>(FindControl(9));
  ASSERT_TRUE(name && file);
  EXPECT_FALSE(name->hasFrame());
  EXPECT_TRUE(file->hasFrame());
  EXPECT_EQ(GetText(9), u"start");
  const std::u16string longPath =
      u"/home/nutzer/" + std::u16string(300, u'x') + u"/Telefonbuch.xml";
  SetText(9, longPath);
  EXPECT_EQ(GetText(9), longPath);
  // What the user types is what GetText reads.
  name->setFocus();
  QTest::keyClicks(name, QStringLiteral("Buero 7"));
  EXPECT_EQ(GetText(7), u"Buero 7");
  // Longer than the usual line-edit limit of 32,767 characters: still kept whole.
  const std::u16string longName(40000, u'n');
  SetText(7, longName);
  EXPECT_TRUE(GetText(7) == longName);
  ASSERT_NE(CreateTextField(25, 0, 60, 120, 24, longName, 0), 0);
  EXPECT_TRUE(GetText(25) == longName);
}

TEST_F(ControlsTest, ReadersHearWindowsGroupsNamesLabelsAndCountsAndTabTakesTheGivenOrder) {
  const Handle main = WindowHandle(0);
  ASSERT_NE(CreateContainer(0, 0, 0, 600, 300, kContainerFlatBorder), 0);
  CreateLabel(2, 0, 0, 90, 24, u" Anz.: 0", 0);
  CreateButton(3, 100, 0, 40, 24, u"Neu");
  CreateButton(4, 150, 0, 40, 24, u"Laden");
  CreateLabel(6, 0, 40, 50, 24, u"Name:", 0);
  CreateTextField(7, 60, 40, 120, 24, u"", kTextFieldNoEdge);
  CreateCheckList(15, 0, 80, 500, 200, u"", 25, 0x4001000D);
  CloseControlList();
  SetAccessibleName(0, u"Telefonbuch 1");
  SetAccessibleName(3, u"Neu, Telefonbuch 1");
  SetLabelFor(6, 7);
  SetDescribedBy(15, 2);
  ASSERT_NE(OpenWindow(1, 0, 0, 200, 100, u"Information", 0xC00000, main), 0u);
  auto reader = [](QWidget* widget) { return QAccessible::queryAccessibleInterface(widget); };

  // Windows are a frame and, when owned, a dialog, named by their titles; the container is
  // a named group; the button keeps its caption on screen and says its book.
  EXPECT_EQ(reader(FindWindow(0))->role(), QAccessible::Window);
  EXPECT_EQ(reader(FindWindow(0))->text(QAccessible::Name), QStringLiteral("Hauptfenster"));
  EXPECT_EQ(reader(FindWindow(1))->role(), QAccessible::Dialog);
  EXPECT_EQ(reader(FindWindow(1))->text(QAccessible::Name), QStringLiteral("Information"));
  EXPECT_EQ(reader(FindControl(0))->role(), QAccessible::Grouping);
  EXPECT_EQ(reader(FindControl(0))->text(QAccessible::Name), QStringLiteral("Telefonbuch 1"));
  EXPECT_EQ(reader(FindControl(3))->text(QAccessible::Name), QStringLiteral("Neu, Telefonbuch 1"));
  EXPECT_EQ(GetText(3), u"Neu");

  // The field is labelled by its label; the list is described by the count, as it changes.
  const auto labels = reader(FindControl(7))->relations(QAccessible::Label);
  ASSERT_EQ(labels.size(), 1);
  EXPECT_EQ(labels.front().first->text(QAccessible::Name), QStringLiteral("Name:"));
  EXPECT_EQ(reader(FindControl(7))->text(QAccessible::Name), QStringLiteral("Name:"));
  EXPECT_EQ(reader(FindControl(15))->text(QAccessible::Description), QStringLiteral("Anz.: 0"));
  SetText(2, u" Anz.: 12");
  EXPECT_EQ(reader(FindControl(15))->text(QAccessible::Description), QStringLiteral("Anz.: 12"));
  CloseWindow(1);

  // Tab goes where the order says, not where the controls were created.
  const int order[] = {4, 7, 3, 15};
  SetTabOrder(order);
  FindWindow(0)->activateWindow();
  FindControl(4)->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([] { return FindControl(4)->hasFocus(); }, 2000));
  std::vector<QWidget*> visited;
  for (int step = 0; step < 3; ++step) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    visited.push_back(QApplication::focusWidget());
  }
  EXPECT_EQ(visited, (std::vector<QWidget*>{FindControl(7), FindControl(3), FindControl(15)}));
}

TEST_F(ControlsTest, AnOutcomeIsReadWithTheFocusedButtonUntilTheFocusLeavesIt) {
  ASSERT_NE(CreateContainer(0, 0, 0, 600, 300, kContainerFlatBorder), 0);
  CreateButton(3, 100, 0, 40, 24, u"Neu");
  CreateButton(4, 150, 0, 40, 24, u"Laden");
  CloseControlList();
  std::vector<QObject*> focused;
  detail::SetReaderTap([&focused](QAccessibleEvent& event) {
    if (event.type() == QAccessible::Focus) focused.push_back(event.accessibleInterface()->object());
  });
  FindWindow(0)->activateWindow();
  FindControl(3)->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([] { return FindControl(3)->hasFocus(); }, 2000));
  auto description = [](int control) {
    return QAccessible::queryAccessibleInterface(FindControl(control))->text(QAccessible::Description);
  };

  // The reader hears the focus step out to the pane and come back to the button, which now
  // describes the outcome; the second step comes later, or the reader would drop the first.
  AnnounceOutcome(u"9 Einträge kopiert");
  EXPECT_EQ(description(3), QStringLiteral("9 Einträge kopiert"));
  EXPECT_EQ(focused, (std::vector<QObject*>{FindControl(3)->parentWidget()}));
  ASSERT_TRUE(QTest::qWaitFor([&focused] { return focused.size() == 2; }, 2000));
  EXPECT_EQ(focused.back(), FindControl(3));

  // The outcome is not read again once the keyboard has moved on.
  FindControl(4)->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([] { return FindControl(4)->hasFocus(); }, 2000));
  EXPECT_EQ(description(3), QString());
  detail::SetReaderTap({});
}

TEST_F(ControlsTest, ReturnAndEnterPressAFocusedButtonAndABorderlessFieldShowsItsFocus) {
  ASSERT_NE(CreateButton(3, 10, 10, 80, 24, u"Neu"), 0);
  ASSERT_NE(CreateTextField(7, 10, 50, 120, 24, u"", kTextFieldNoEdge), 0);
  ASSERT_NE(CreateTextField(9, 10, 90, 120, 24, u"", kTextFieldNoEdge), 0);
  QTest::keyClick(FindControl(3), Qt::Key_Return);
  QTest::keyClick(FindControl(3), Qt::Key_Enter, Qt::KeypadModifier);
  // Return in a text field presses nothing.
  QTest::keyClick(FindControl(7), Qt::Key_Return);
  EXPECT_EQ(TakeEvents(), (EventList{{kEventControl, 3}, {kEventControl, 3}}));

  // A frame in the highlight colour at the edge of the focused field; none without focus.
  FindWindow(0)->activateWindow();
  FindControl(7)->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return FindControl(7)->hasFocus(); }, 2000));
  const QColor highlight = FindControl(7)->palette().color(QPalette::Active, QPalette::Highlight);
  auto edge = [](int control) {
    const QImage image = FindControl(control)->grab().toImage();
    return image.pixelColor(0, image.height() / 2);
  };
  EXPECT_EQ(edge(7), highlight);
  EXPECT_NE(edge(9), highlight);
}

TEST_F(ControlsTest, EditorAppendsLinesWithoutScrollingAndStaysReadOnly) {
  ASSERT_NE(CreateEditor(33, 10, 40, 300, 150, kEditorReadOnly), 0);
  auto* editor = qobject_cast<QPlainTextEdit*>(FindControl(33));
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isReadOnly());
  EXPECT_EQ(editor->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_EQ(editor->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(editor->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

  AddItem(33, -1, u"");
  AddItem(33, -1, u"zwei");
  AddItem(33, -1, u"");
  AddItem(33, 1, u"vor zwei");
  EXPECT_EQ(GetText(33), u"\nvor zwei\nzwei\n");
  EXPECT_EQ(editor->blockCount(), 4);

  for (int line = 0; line < 60; ++line) AddItem(33, -1, u"Zeile " + DecimalText(line));
  while (PollEvent() != 0) {
  }
  EXPECT_EQ(editor->verticalScrollBar()->value(), 0);
  editor->setFocus();
  QTest::keyClicks(editor, QStringLiteral("xyz"));
  EXPECT_EQ(editor->blockCount(), 64);
  EXPECT_EQ(editor->document()->findBlockByNumber(0).text(), QString());
  // The keyboard reads it line by line from its first line: Down moves a caret, which a
  // screen reader follows.
  QTest::keyClick(editor, Qt::Key_Down);
  QTest::keyClick(editor, Qt::Key_Down);
  EXPECT_EQ(editor->textCursor().block().text(), QStringLiteral("zwei"));
}

TEST_F(ControlsTest, ColoursAreSetPerAttributeAndMinusOneRestoresTheDefault) {
  SetWindowColour(0, 0x00C6C6C6);
  QWidget* main = FindWindow(0);
  EXPECT_EQ(main->palette().color(QPalette::Window), QColor(198, 198, 198));
  EXPECT_TRUE(main->autoFillBackground());

  ASSERT_NE(CreateLabel(1, 0, 0, 120, 26, u"Telefonbuch 1", 0), 0);
  ASSERT_NE(CreateTextField(7, 0, 30, 120, 24, u"", kTextFieldNoEdge), 0);
  ASSERT_NE(CreateCheckList(15, 0, 60, 300, 200, u"", 25, 0x4001000D), 0);
  SetControlColour(1, kColourText, 0x000000FF);
  SetControlColour(1, kColourBackground, 0x00E6E6E6);
  SetControlColour(7, kColourText, 0x00515151);
  SetControlColour(7, kColourBackground, 0x00FF0000);
  SetControlColour(15, kColourBackground, 0x00E6E6E6);
  QWidget* label = FindControl(1);
  QWidget* field = FindControl(7);
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  EXPECT_EQ(label->palette().color(QPalette::Window), QColor(230, 230, 230));
  EXPECT_TRUE(label->autoFillBackground());
  EXPECT_EQ(field->palette().color(QPalette::Text), QColor(81, 81, 81));
  EXPECT_EQ(field->palette().color(QPalette::Base), QColor(0, 0, 255));
  EXPECT_EQ(FindControl(15)->palette().color(QPalette::Base), QColor(230, 230, 230));

  // Back to what the label would have without a colour of its own; the other attribute stays.
  SetControlColour(1, kColourText, kDefaultColour);
  EXPECT_EQ(label->palette().color(QPalette::WindowText),
            main->palette().color(QPalette::WindowText));
  EXPECT_EQ(label->palette().color(QPalette::Window), QColor(230, 230, 230));
  SetControlColour(1, kColourBackground, kDefaultColour);
  EXPECT_EQ(label->palette().color(QPalette::Window), QColor(198, 198, 198));
  EXPECT_FALSE(label->autoFillBackground());
}

TEST_F(ControlsTest, FontsAreLoadedIntoSlotsAndGivenToControlsByHandle) {
  const Handle heading = LoadFont(1, u"Arial", 12, kFontBold | kFontUnderline | kFontHighQuality);
  const Handle list = LoadFont(2, u"Arial", 9, kFontHighQuality);
  const Handle other = LoadFont(3, u"Arial", 11, kFontItalic | kFontStrikeOut);
  ASSERT_NE(heading, 0u);
  ASSERT_NE(list, 0u);
  EXPECT_NE(heading, list);
  EXPECT_EQ(IsFont(1), 1);
  EXPECT_EQ(IsFont(0), 0);

  ASSERT_NE(CreateLabel(1, 0, 0, 120, 26, u"Telefonbuch 1", 0), 0);
  ASSERT_NE(CreateLabel(2, 0, 30, 120, 26, u"x", 0), 0);
  SetControlFont(1, heading);
  SetControlFont(2, other);
  const QFont font = FindControl(1)->font();
  EXPECT_EQ(font.pointSize(), 12);
  EXPECT_EQ(font.weight(), QFont::Bold);
  EXPECT_TRUE(font.underline());
  EXPECT_FALSE(font.italic());
  EXPECT_EQ(font.styleStrategy(), QFont::PreferQuality);
  // Debian's fontconfig stands Liberation Sans in for Arial (fonts-liberation2).
  EXPECT_EQ(QFontInfo(font).family(), QStringLiteral("Liberation Sans"));
  const QFont second = FindControl(2)->font();
  EXPECT_TRUE(second.italic());
  EXPECT_TRUE(second.strikeOut());
  EXPECT_EQ(second.weight(), QFont::Normal);

  // A slot loaded anew hands out a new handle; the old one and freed ones change nothing.
  const Handle replaced = LoadFont(1, u"Arial", 20, 0);
  EXPECT_NE(replaced, heading);
  SetControlFont(2, heading);
  FreeFont(3);
  EXPECT_EQ(IsFont(3), 0);
  SetControlFont(2, other);
  EXPECT_TRUE(FindControl(2)->font().italic());
  EXPECT_EQ(LoadFont(3, u"Arial", 0, 0), 0u);
  EXPECT_EQ(IsFont(3), 0);
}

TEST_F(ControlsTest, NumbersHoldingNothingDoNothingAndReturnNothing) {
  ASSERT_NE(CreateButton(3, 0, 0, 40, 24, u"Neu"), 0);
  constexpr int kFree = 99;
  SetText(kFree, u"x");
  SetState(kFree, 1);
  SetControlColour(kFree, kColourText, 0);
  SetControlFont(kFree, 1);
  SetToolTip(kFree, u"x");
  AddItem(kFree, -1, u"x");
  SetItemState(kFree, 0, 3);
  RemoveItem(kFree, 0);
  ClearItems(kFree);
  EXPECT_EQ(GetText(kFree), u"");
  EXPECT_EQ(GetState(kFree), 0);
  EXPECT_EQ(CountItems(kFree), 0);
  EXPECT_EQ(GetItemState(kFree, 0), 0);
  EXPECT_EQ(GetItemText(kFree, 0, 0), u"");
  EXPECT_EQ(AddListColumn(kFree, 1, u"x", 10), 0);
  EXPECT_EQ(WindowHandle(7), 0u);
  SetWindowColour(7, 0);
  CloseWindow(7);
  // List operations on a control of another kind do nothing either.
  AddItem(3, -1, u"\nrow");
  EXPECT_EQ(CountItems(3), 0);
  EXPECT_EQ(GetItemText(3, -1, 0), u"");
  EXPECT_EQ(GetState(3), 0);
  EXPECT_EQ(AddListColumn(3, 1, u"x", 10), 0);
  EXPECT_EQ(GetText(3), u"Neu");
}

TEST_F(ControlsTest, ReusedNumbersReplaceTheControlAndClosedWindowsFreeTheirs) {
  ASSERT_NE(CreateButton(3, 0, 0, 40, 24, u"Alt"), 0);
  ASSERT_NE(CreateLabel(3, 0, 0, 40, 24, u"Neu", 0), 0);
  EXPECT_NE(qobject_cast<QLabel*>(FindControl(3)), nullptr);
  EXPECT_EQ(FindWindow(0)->findChildren<QWidget*>(QStringLiteral("control3")).size(), 1);
  EXPECT_EQ(GetText(3), u"Neu");

  // A replaced container takes its controls with it.
  ASSERT_NE(CreateContainer(0, 0, 30, 200, 100, kContainerFlatBorder), 0);
  ASSERT_NE(CreateButton(4, 0, 0, 40, 24, u"In"), 0);
  ASSERT_NE(CreateContainer(0, 0, 30, 200, 100, kContainerFlatBorder), 0);
  EXPECT_EQ(GetText(4), u"");
  EXPECT_EQ(FindControl(4), nullptr);
  CloseControlList();

  // Closing an owner closes what it owns; every number is free afterwards.
  ASSERT_NE(OpenWindow(1, 0, 0, 200, 100, u"Info", 0xC00001, WindowHandle(0)), 0u);
  ASSERT_NE(CreateButton(35, 0, 0, 80, 24, u"Schliessen"), 0);
  CloseWindow(0);
  EXPECT_EQ(WindowHandle(0), 0u);
  EXPECT_EQ(WindowHandle(1), 0u);
  EXPECT_EQ(FindWindow(1), nullptr);
  EXPECT_EQ(GetText(3), u"");
  EXPECT_EQ(GetText(35), u"");
  // With no window open there is nowhere to put a control.
  EXPECT_EQ(CreateButton(3, 0, 0, 40, 24, u"x"), 0);
  EXPECT_EQ(GetText(3), u"");
}

TEST(ScreenFit, AWindowThatFitsKeepsItsSizeOthersShrinkToFitButNotBelowThreeQuarters) {
  using detail::CentredFramePosition;
  using detail::FitScale;
  const QSize main(1630, 920);
  const QMargins frame(1, 20, 1, 1);
  EXPECT_EQ(FitScale(main, frame, QRect(0, 0, 1920, 1080), 1.0), 1.0);
  // 1920 x 1080 at a desktop scale of 1.25 leaves 1536 x 864 desktop pixels.
  EXPECT_DOUBLE_EQ(FitScale(main, frame, QRect(0, 0, 1536, 864), 1.25), (864.0 - 21) / 920);
  EXPECT_DOUBLE_EQ(FitScale(main, frame, QRect(0, 0, 1366, 768), 1.0), (768.0 - 21) / 920);
  // 800 x 600 would need 0.63: the window stays at three quarters of its size on the screen.
  EXPECT_DOUBLE_EQ(FitScale(main, frame, QRect(0, 0, 800, 600), 1.0), 0.75);
  EXPECT_DOUBLE_EQ(FitScale(main, frame, QRect(0, 0, 800, 600), 1.5), 0.5);
  // Centred with its frame; one larger than the area keeps its title bar in it.
  EXPECT_EQ(CentredFramePosition(QSize(1632, 941), QRect(0, 0, 1920, 1080)), QPoint(143, 69));
  EXPECT_EQ(CentredFramePosition(QSize(1632, 941), QRect(0, 30, 1280, 800)), QPoint(0, 30));
}

}  // namespace
}  // namespace rk::tk
