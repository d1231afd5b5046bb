// The information window: its place above the main window, no close box, its controls, and
// the 43 lines of its read-only text.
#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

#include <vector>

#include "app/controls.h"
#include "services/toolkit/toolkit.h"
#include "shell_fixture.h"

namespace rk::app::test {
namespace {

using rk::test::FindControl;
using rk::test::FindWindow;

class InfoWindowTest : public ShellTest {
 protected:
  std::vector<std::u16string> TextLines() {
    std::vector<std::u16string> lines;
    auto* editor = qobject_cast<QPlainTextEdit*>(FindControl(kInfoText));
    if (editor == nullptr) return lines;
    for (QTextBlock block = editor->document()->begin(); block.isValid(); block = block.next()) {
      lines.push_back(block.text().toStdU16String());
    }
    return lines;
  }
};

TEST_F(InfoWindowTest, StandsAboveTheMainWindowWithoutCloseBox) {
  Start();
  QWidget* info = FindWindow(kInfoWindow);
  ASSERT_NE(info, nullptr);
  EXPECT_TRUE(info->isVisible());
  EXPECT_EQ(info->parentWidget(), FindWindow(kMainWindow));
  EXPECT_EQ(info->size(), QSize(620, 500));
  EXPECT_EQ(info->windowTitle(), "Rufkartei - Information");
  const Qt::WindowFlags flags = info->windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowSystemMenuHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
}

TEST_F(InfoWindowTest, ControlsHaveTheirPlacesCaptionsAndFonts) {
  Start();
  auto* heading = qobject_cast<QLabel*>(FindControl(kInfoHeading));
  ASSERT_NE(heading, nullptr);
  EXPECT_EQ(heading->geometry(), QRect(10, 10, 600, 30));
  EXPECT_EQ(heading->text(), "Rufkartei");
  EXPECT_TRUE(heading->alignment().testFlag(Qt::AlignHCenter));
  EXPECT_EQ(heading->palette().color(heading->foregroundRole()), QColor(255, 0, 0));
  EXPECT_EQ(heading->font().pointSize(), 12);
  EXPECT_TRUE(heading->font().underline());

  QWidget* text = FindControl(kInfoText);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->geometry(), QRect(10, 40, 600, 350));
  EXPECT_EQ(text->font().pointSize(), 9);
  EXPECT_FALSE(text->font().bold());

  auto* box = qobject_cast<QCheckBox*>(FindControl(kInfoToolTipBox));
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->geometry(), QRect(125, 400, 370, 30));
  EXPECT_EQ(box->text().toStdU16String(), u" ToolTip ab nächstem Programmstart Ein-/Ausschalten");
  EXPECT_EQ(box->font().pointSize(), 10);
  EXPECT_TRUE(box->font().bold());

  auto* close = qobject_cast<QPushButton*>(FindControl(kInfoClose));
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(close->geometry(), QRect(250, 450, 120, 30));
  EXPECT_EQ(close->text(), "Schliessen");
  EXPECT_EQ(close->font().pointSize(), 10);

  for (QWidget* control : {static_cast<QWidget*>(heading), text, static_cast<QWidget*>(box),
                           static_cast<QWidget*>(close)}) {
    EXPECT_EQ(control->window(), FindWindow(kInfoWindow));
  }
}

TEST_F(InfoWindowTest, TextHoldsTheGuideAndTheLicenceLines) {
  Start();
  const std::vector<std::u16string> lines = TextLines();
  ASSERT_EQ(lines.size(), 43U);
  EXPECT_EQ(lines[0], u"Getestet mit FRITZ!Box 7590. Telefonbücher ohne Bilder.");
  EXPECT_EQ(lines[1], u"");
  EXPECT_EQ(lines[2],
            u"  1. Telefonbücher auslesen. \"fritz.box\"  >>  \"Telefonie\"  >>  "
            u"\"Telefonbuch\"  >>  \"Sichern\".");
  EXPECT_EQ(lines[3], u"  2. Mit \"Rufkartei\" Kontakte zwischen 2 Telefonbüchern verschieben.");
  EXPECT_EQ(lines[4],
            u"  3. Telefonbücher einlesen. \"fritz.box\"  >>  \"Telefonie\"  >>  "
            u"\"Telefonbuch\"  >>  \"Wiederherstellen\".");
  EXPECT_EQ(lines[13],
            u"Die Spalte 'Nr.' dient nur zur internen Verwaltung. Die Spalte 'ID' ist die "
            u"Kontakt-Nummer im Telefonbuch.");
  EXPECT_EQ(lines[18].find(u"Rufkartei"), 0U);
  EXPECT_EQ(lines[19], std::u16string(81, u'_'));
  EXPECT_EQ(lines[21], u"License for the expat XML parser");
  EXPECT_EQ(lines[23],
            u"Copyright (C) 1998-2000 Thai Open Source Software Center Ltd and Clark Cooper");
  EXPECT_EQ(lines[24], u"Copyright (C) 2001-2017 Expat maintainers");
  EXPECT_EQ(lines[27],
            u"and associated documentation files (the 'Software'), to deal in the Software "
            u"without restriction,");
  EXPECT_EQ(lines[30], u"subject to the following conditions:");
  EXPECT_EQ(lines[35], u"THE SOFTWARE IS PROVIDED 'AS IS', WITHOUT WARRANTY OF ANY KIND,");
  EXPECT_EQ(lines[37], u"MERCHANTABILITY, FITNESS For A PARTICULAR PURPOSE AND NONINFRINGEMENT.");
  EXPECT_EQ(lines[41], u"SOFTWARE OR THE USE OR OTHER DEALINGS IN THE SOFTWARE.");
  EXPECT_EQ(lines[42], u"");
  // The empty lines stand where the guide and the licence put their paragraph breaks.
  for (std::size_t index : {1U, 5U, 9U, 14U, 17U, 20U, 22U, 25U, 31U, 34U}) {
    EXPECT_EQ(lines[index], u"") << index + 1;
  }
}

TEST_F(InfoWindowTest, TextCannotBeEditedAndDoesNotWrap) {
  Start();
  auto* editor = qobject_cast<QPlainTextEdit*>(FindControl(kInfoText));
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isReadOnly());
  EXPECT_EQ(editor->lineWrapMode(), QPlainTextEdit::NoWrap);
}

}  // namespace
}  // namespace rk::app::test
