// The open-file dialog and the message box: how they are set up, answered and cancelled.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "services/text.h"
#include "services/toolkit/dialog_text.h"
#include "services/toolkit/toolkit.h"
#include "support/qt_support.h"
#include "support/test_support.h"

namespace rk::tk {
namespace {

using detail::NameFilters;
using detail::SplitDefaultPath;
using Strings = std::vector<std::u16string>;

constexpr std::u16string_view kTitle = u"Telefonbuch auswählen:";
constexpr std::u16string_view kPattern = u"Telefonbuch (*.xml)|*.xml";

TEST(DefaultPath, IsSplitAtTheLastSeparatorAndImpossibleNamesAreDropped) {
  auto split = [](std::u16string_view path) {
    const detail::StartPath start = SplitDefaultPath(path);
    return Strings{start.folder, start.name};
  };
  EXPECT_EQ(split(u"/home/nutzer/"), (Strings{u"/home/nutzer", u""}));
  EXPECT_EQ(split(u"C:\\Daten\\Buch.xml"), (Strings{u"C:\\Daten", u"Buch.xml"}));
  EXPECT_EQ(split(u"/home/a\\b/Buch.xml"), (Strings{u"/home/a\\b", u"Buch.xml"}));
  EXPECT_EQ(split(u"/home/a/b\\Buch.xml"), (Strings{u"/home/a/b", u"Buch.xml"}));
  EXPECT_EQ(split(u"Buch.xml"), (Strings{u"", u"Buch.xml"}));
  EXPECT_EQ(split(u"Buch?.xml"), (Strings{u"", u""}));
  // A backslash as the only separator in front: the whole text is the name, which no file can
  // have. A slash there is the root folder.
  EXPECT_EQ(split(u"\\Buch.xml"), (Strings{u"", u""}));
  EXPECT_EQ(split(u"/Buch.xml"), (Strings{u"/", u"Buch.xml"}));
  EXPECT_EQ(split(u"/"), (Strings{u"/", u""}));
  for (const std::u16string_view bad : {u"/d/a*b", u"/d/a:b", u"/d/a<b", u"/d/a>b", u"/d/a|b",
                                        u"/d/a\"b", u"/d/a\tb", u"/d/a\x1F"}) {
    EXPECT_EQ(SplitDefaultPath(bad).name, u"") << ToUtf8(bad);
    EXPECT_EQ(SplitDefaultPath(bad).folder, u"/d");
  }
  EXPECT_EQ(split(u""), (Strings{u"", u""}));
}

TEST(FilterPattern, BecomesQtNameFiltersPairByPair) {
  EXPECT_EQ(NameFilters(kPattern), (Strings{u"Telefonbuch (*.xml)"}));
  EXPECT_EQ(NameFilters(u"Bücher|*.xml;*.txt|Alle Dateien|*"),
            (Strings{u"Bücher (*.xml *.txt)", u"Alle Dateien (*)"}));
  EXPECT_EQ(NameFilters(u"XML|*.xml|"), (Strings{u"XML (*.xml)"}));
  // A label without pattern, or an empty part, ends the list.
  EXPECT_EQ(NameFilters(u"XML|*.xml|Rest"), (Strings{u"XML (*.xml)"}));
  EXPECT_EQ(NameFilters(u"XML|*.xml||x|Alle|*"), (Strings{u"XML (*.xml)"}));
  EXPECT_TRUE(NameFilters(u"").empty());
}

// What a file dialog looked like when it opened.
struct FileDialogLook {
  QString objectName, directory, name, selectedFilter;
  QStringList filters;
  bool native = true;
  Qt::WindowModality modality = Qt::NonModal;
};

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(OpenWindow(0, 0, 0, 400, 300, u"Hauptfenster", 0xCA0001), 0u);
    script_.OnShow([this](QWidget& dialog) {
      auto* fileDialog = qobject_cast<QFileDialog*>(&dialog);
      if (fileDialog == nullptr) return;
      look_.objectName = fileDialog->objectName();
      look_.directory = fileDialog->directory().absolutePath();
      auto* name = fileDialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      look_.name = name != nullptr ? name->text() : QStringLiteral("?");
      look_.filters = fileDialog->nameFilters();
      look_.selectedFilter = fileDialog->selectedNameFilter();
      look_.native = !fileDialog->testOption(QFileDialog::DontUseNativeDialog);
      look_.modality = fileDialog->windowModality();
    });
  }
  void TearDown() override {
    EXPECT_TRUE(script_.AllAnswered());
    CloseWindow(0);
  }

  static std::u16string Folder(const rk::test::TempFolder& folder) {
    return FromOsPath(folder.path());
  }

  rk::test::DialogScript script_;
  FileDialogLook look_;
};

TEST_F(DialogTest, FolderWithTrailingSeparatorOpensThereWithoutAName) {
  rk::test::TempFolder folder;
  script_.CancelFileDialog();
  EXPECT_EQ(OpenFileDialog(kTitle, Folder(folder) + u"/", kPattern, 0), u"");
  ASSERT_EQ(script_.shown().size(), 1u);
  EXPECT_EQ(script_.shown()[0].title, kTitle);
  EXPECT_EQ(script_.shown()[0].text, Folder(folder));
  EXPECT_EQ(script_.shown()[0].icon, 0);
  EXPECT_EQ(look_.objectName, QStringLiteral("openFileDialog"));
  EXPECT_FALSE(look_.native);
  EXPECT_EQ(look_.modality, Qt::ApplicationModal);
  EXPECT_EQ(look_.directory.toStdU16String(), Folder(folder));
  EXPECT_EQ(look_.name, QString());
  EXPECT_EQ(look_.filters, QStringList{QStringLiteral("Telefonbuch (*.xml)")});
  // A remembered folder "/" is the root folder.
  script_.CancelFileDialog();
  OpenFileDialog(kTitle, u"/", kPattern, 0);
  EXPECT_EQ(look_.directory, QStringLiteral("/"));
  EXPECT_EQ(look_.name, QString());
}

TEST_F(DialogTest, BackslashPathProposesItsNameInItsFolder) {
  rk::test::TempFolder folder;
  script_.CancelFileDialog();
  OpenFileDialog(kTitle, Folder(folder) + u"\\Buch.xml", kPattern, 0);
  EXPECT_EQ(look_.directory.toStdU16String(), Folder(folder));
  EXPECT_EQ(look_.name, QStringLiteral("Buch.xml"));
}

TEST_F(DialogTest, NameWithQuestionMarkAndNoSeparatorGivesNeitherFolderNorName) {
  const QString before = QDir::currentPath();
  script_.CancelFileDialog();
  OpenFileDialog(kTitle, u"Buch?.xml", kPattern, 0);
  EXPECT_EQ(look_.name, QString());
  script_.CancelFileDialog();
  OpenFileDialog(kTitle, u"Buch.xml", kPattern, 0);
  EXPECT_EQ(look_.name, QStringLiteral("Buch.xml"));
  EXPECT_EQ(QDir::currentPath(), before);
}

TEST_F(DialogTest, PatternIndexSelectsTheFilterShownFirst) {
  constexpr std::u16string_view kTwo = u"Telefonbuch (*.xml)|*.xml|Alle Dateien|*";
  script_.CancelFileDialog();
  OpenFileDialog(kTitle, u"", kTwo, 1);
  const QStringList both{QStringLiteral("Telefonbuch (*.xml)"), QStringLiteral("Alle Dateien (*)")};
  EXPECT_EQ(look_.filters, both);
  EXPECT_EQ(look_.selectedFilter, QStringLiteral("Alle Dateien (*)"));
  script_.CancelFileDialog();
  OpenFileDialog(kTitle, u"", kTwo, 7);
  EXPECT_EQ(look_.selectedFilter, QStringLiteral("Telefonbuch (*.xml)"));
}

TEST_F(DialogTest, ChosenFilesComeBackAsFullPathsWithoutMovingTheCurrentFolder) {
  rk::test::TempFolder folder;
  rk::test::WriteFileBytes(folder / "Buch.xml", "<phonebooks/>");
  const std::u16string existing = FromOsPath(folder / "Buch.xml");
  const std::u16string fresh = FromOsPath(folder / "Neu.xml");
  const QString before = QDir::currentPath();
  script_.ChooseFile(existing);
  EXPECT_EQ(OpenFileDialog(kTitle, Folder(folder) + u"/", kPattern, 0), existing);
  // The file need not exist yet.
  script_.ChooseFile(fresh);
  EXPECT_EQ(OpenFileDialog(kTitle, u"", kPattern, 0), fresh);
  EXPECT_EQ(QDir::currentPath(), before);
}

TEST_F(DialogTest, AFileInAFolderThatDoesNotExistIsRefused) {
  rk::test::TempFolder folder;
  const std::u16string missing = FromOsPath(folder / "fehlt" / "Buch.xml");
  // The dialog stays open after the refused choice; the cancel then closes it.
  script_.ChooseFile(missing);
  script_.CancelFileDialog();
  EXPECT_EQ(OpenFileDialog(kTitle, Folder(folder) + u"/", kPattern, 0), u"");
  EXPECT_EQ(script_.shown().size(), 2u);
}

TEST_F(DialogTest, MessageBoxesShowTitleTextAndIconAsPlainText) {
  QString objectName;
  Qt::TextFormat format = Qt::AutoText;
  script_.OnShow([&](QWidget& dialog) {
    objectName = dialog.objectName();
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) format = box->textFormat();
  });
  script_.PressOk(3);
  const std::u16string text = u"  Fehler in der XML-Datei.    \n\n  Zeile:\t3    \n<b>";
  EXPECT_EQ(MessageBox(u"Fehlermeldung", text, kIconWarning), 1);
  EXPECT_EQ(MessageBox(u"Fehlermeldung", u"kaputt", kIconError), 1);
  EXPECT_EQ(MessageBox(u"Information", u"Kommentar", kIconInformation), 1);
  ASSERT_EQ(script_.shown().size(), 3u);
  EXPECT_EQ(script_.shown()[0].title, u"Fehlermeldung");
  EXPECT_EQ(script_.shown()[0].text, text);
  EXPECT_EQ(script_.shown()[0].icon, kIconWarning);
  EXPECT_EQ(script_.shown()[1].icon, kIconError);
  EXPECT_EQ(script_.shown()[2].icon, kIconInformation);
  EXPECT_EQ(objectName, QStringLiteral("messageBox"));
  EXPECT_EQ(format, Qt::PlainText);
}

TEST_F(DialogTest, WithoutAnActiveWindowDialogsAreOwnedByTheMainWindow) {
  // As on Wayland before the first key or click: no window of the program is active.
  QApplication::setActiveWindow(nullptr);
  ASSERT_EQ(QApplication::activeWindow(), nullptr);
  std::vector<QWidget*> owners;
  script_.OnShow([&](QWidget& dialog) { owners.push_back(dialog.parentWidget()); });
  script_.PressOk();
  script_.CancelFileDialog();
  MessageBox(u"Information", u"Kommentar", kIconInformation);
  OpenFileDialog(u"Telefonbuch", u"", u"XML|*.xml", 0);
  EXPECT_EQ(owners, (std::vector<QWidget*>(2, rk::test::FindWindow(0))));
}

TEST_F(DialogTest, HookAnswersDialogsWithoutShowingThem) {
  std::vector<Strings> calls;
  SetDialogHook([&](std::u16string_view title, std::u16string_view text) {
    calls.push_back(Strings{std::u16string(title), std::u16string(text)});
    return std::u16string(u"/tmp/gewählt.xml");
  });
  EXPECT_EQ(OpenFileDialog(kTitle, u"/home/nutzer/", kPattern, 0), u"/tmp/gewählt.xml");
  EXPECT_EQ(MessageBox(u"Information", u"Text", kIconInformation), 1);
  SetDialogHook({});
  EXPECT_EQ(calls, (std::vector<Strings>{{std::u16string(kTitle), u"/home/nutzer/"},
                                         {u"Information", u"Text"}}));
  EXPECT_TRUE(script_.shown().empty());
}

}  // namespace
}  // namespace rk::tk
