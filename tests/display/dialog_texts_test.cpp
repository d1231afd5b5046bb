// Qt's standard dialogs on a real display speak German whatever the system's language: the
// open-file dialog's buttons and labels and the message box's button, read from the widgets.
#include <QAbstractButton>
#include <QLabel>
#include <QStringList>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>

#include "display/display_support.h"
#include "services/text.h"
#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"
#include "support/test_support.h"

namespace rk::test {
namespace {

// The texts of the dialog's buttons and labels, mnemonics removed.
QStringList Texts(QWidget& dialog) {
  QStringList texts;
  for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>()) {
    if (button->isVisible()) texts.append(button->text().remove(QLatin1Char('&')));
  }
  for (const QLabel* label : dialog.findChildren<QLabel*>()) {
    if (label->isVisible()) texts.append(label->text().remove(QLatin1Char('&')));
  }
  return texts;
}

TEST(DesktopDialogs, FileDialogAndMessageBoxSpeakGermanOnAnEnglishSystem) {
  XDisplay display(1280, 1024, 96);
  ASSERT_TRUE(display.ready());
  ::setenv("DISPLAY", display.name().c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ::setenv("LANG", "C", 1);
  ::setenv("LC_ALL", "C", 1);
  ASSERT_NE(tk::StartToolkit(), 0);
  ASSERT_NE(tk::OpenWindow(0, 0, 0, 400, 300, u"Rufkartei", 0xCA0001), 0u);
  TempFolder folder;

  QStringList fileDialog, messageBox;
  {
    DialogScript script;
    script.OnShow([&](QWidget& dialog) {
      (fileDialog.isEmpty() ? fileDialog : messageBox) = Texts(dialog);
    });
    script.CancelFileDialog();
    script.PressOk();
    EXPECT_EQ(tk::OpenFileDialog(u"Telefonbuch auswählen:", FromOsPath(folder.path()) + u"/",
                                 u"Telefonbuch (*.xml)|*.xml", 0),
              u"");
    tk::MessageBox(u"Fehlermeldung", u"Die Datei kann nicht geöffnet werden.", 16);
    EXPECT_TRUE(script.AllAnswered());
  }
  tk::EndToolkit();

  for (const char* text : {"Öffnen", "Abbrechen", "Suchen in:", "Dateiname:", "Dateien des Typs:"}) {
    EXPECT_TRUE(fileDialog.contains(QString::fromUtf8(text))) << text << " not in "
        << fileDialog.join(QStringLiteral(" | ")).toStdString();
  }
  EXPECT_FALSE(fileDialog.contains(QStringLiteral("Cancel")));
  EXPECT_TRUE(messageBox.contains(QStringLiteral("OK")))
      << messageBox.join(QStringLiteral(" | ")).toStdString();
}

}  // namespace
}  // namespace rk::test
