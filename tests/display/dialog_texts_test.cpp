// Qt's standard dialogs on a real display speak German whatever the system's language: the
// open-file dialog's buttons and labels and the message box's button, read from the widgets.
// The end of the session lets an open dialog go.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
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

// The toolkit started on the display in an English environment, with one window open.
void StartOn(const XDisplay& display) {
  ::setenv("DISPLAY", display.name().c_str(), 1);
  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ::setenv("LANG", "C", 1);
  ::setenv("LC_ALL", "C", 1);
  ASSERT_NE(tk::StartToolkit(), 0);
  ASSERT_NE(tk::OpenWindow(0, 0, 0, 400, 300, u"Rufkartei", 0xCA0001), 0u);
}

TEST(DesktopDialogs, FileDialogAndMessageBoxSpeakGermanOnAnEnglishSystem) {
  XDisplay display(1280, 1024, 96);
  ASSERT_TRUE(display.ready());
  ASSERT_NO_FATAL_FAILURE(StartOn(display));
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

TEST(DesktopDialogs, SigtermWhileAFileDialogIsOpenEndsItAndQueuesACloseRequestAsQuitDoes) {
  XDisplay display(1280, 1024, 96);
  ASSERT_TRUE(display.ready());
  ASSERT_NO_FATAL_FAILURE(StartOn(display));
  // Sent once the dialog runs its own loop; a watchdog would fail a dialog left open.
  QTimer::singleShot(300, [] { ::raise(SIGTERM); });
  EXPECT_EQ(tk::OpenFileDialog(u"Telefonbuch auswählen:", u"/", u"Telefonbuch (*.xml)|*.xml", 0),
            u"");
  // The session is ending: the operation's remaining messages are not shown.
  EXPECT_EQ(tk::MessageBox(u"Fehlermeldung", u"Nicht mehr gezeigt.", 16), 1);
  int code = 0;
  for (int attempt = 0; attempt < 100 && code != tk::kEventClose; ++attempt) code = tk::PollEvent();
  EXPECT_EQ(code, tk::kEventClose);
  // The session manager's "die" reaches the application as a Quit event: the same request.
  QEvent quit(QEvent::Quit);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
  code = 0;
  for (int attempt = 0; attempt < 100 && code != tk::kEventClose; ++attempt) code = tk::PollEvent();
  EXPECT_EQ(code, tk::kEventClose);
  tk::EndToolkit();
}

}  // namespace
}  // namespace rk::test
